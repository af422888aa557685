#include "main/issuing/IssueValues.h"

#include "main/core/Operator.h"
#include "main/tagdata/TagData.h"
#include "platform/LocalIp.h"

namespace issuing {

bool CheckSerNo(const QString& txtSerNo) {
    if (txtSerNo.trimmed().isEmpty()) {
        core::currentOperator().showMessage(
            QStringLiteral("환경설정에서 태그발행기 시리얼번호를 등록하여 주십시오."));
        return false;
    }
    return true;
}

void loadIssueValues(IssueContext& ctx) {
    QString ipError;
    ctx.values.sLocalIp = platform::GetLocalIp(&ipError);
    if (!ipError.isEmpty())
        core::currentOperator().showMessage(ipError);
    database::getOrganData(ctx.sOrganCode, ctx.sOrganNm);
    ctx.values.sFormCode = QStringLiteral("01");
    ctx.values.sPreCode = QLatin1String(tagdata::kTagPrefix);
    ctx.sExpandCode = QStringLiteral("01");
}

void takeSetupValues(database::TagRecordValues& values, const settings::SetupData& setup) {
    values.sSerialNo = setup.sSerialNo;
    values.sDetailLog = setup.sDetailLog;
}

} // namespace issuing
