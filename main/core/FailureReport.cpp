#include "main/core/FailureReport.h"

#include "main/core/Logs.h"
#include "main/core/Operator.h"
#include "platform/RuntimeError.h"

namespace core {

QString failureText(const QString& procedureName, const QString& errorText) {
    return QLatin1Char('[') + procedureName + QStringLiteral("][") + errorText + QLatin1Char(']');
}

QString operatorText(const QString& errorText) {
    // The failures operators meet, by the system's own text: what happened
    // and what to check.
    static const struct {
        const char* systemText;
        const char* shown;
    } known[] = {
        // The database's failures first: a server that refuses a connection
        // is no printer.
        {"The connection to the database server was lost",
         "데이타베이스 서버와의 연결이 끊어져 다시 연결하지 못했습니다. 네트워크와 데이타베이스 서버가 "
         "동작하는지 확인한 뒤 다시 하여 주십시오."},
        {"connection to server at",
         "데이타베이스 서버에 연결할 수 없습니다. 네트워크와 데이타베이스 서버, 데이타베이스 설정의 "
         "서버 주소를 확인하여 주십시오."},
        {"Wrong protocol or connection state",
         "프린터와 연결되어 있지 않습니다(연결이 거부되었거나 끊어졌습니다). 프린터 전원과 네트워크 케이블, "
         "설정의 프린터 IP/PORT를 확인하여 주십시오."},
        {"Connection refused",
         "프린터가 연결을 거부하였습니다. 프린터 전원과 설정의 프린터 IP/PORT를 확인하여 주십시오."},
        {"Operation valid only when the port is open",
         "프린터 포트가 열려 있지 않습니다(연결이 닫혔습니다). 프린터 전원과 케이블, 설정의 연결 방식과 COM "
         "포트를 확인하여 주십시오."},
        {"The database connection is closed.", "데이타베이스 연결이 끊어졌습니다. 네트워크와 데이타베이스 "
                                               "서버를 확인한 뒤 다시 로그인하여 주십시오."},
        {"Data source name not found",
         "db_setup.ini의 [DB_INFO] DATABASE 값으로 데이타베이스를 찾을 수 없습니다. "
         "내장 데이타베이스는 \".db\" 파일 이름을, 서버는 ODBC 데이터 원본 이름을 "
         "데이타베이스 설정에서 지정하여 주십시오."},
        {"No space left on device", "디스크에 빈 공간이 없습니다. 디스크를 정리한 뒤 다시 하여 주십시오."},
    };
    for (const auto& k : known)
        if (errorText.contains(QLatin1String(k.systemText)))
            return QString::fromUtf8(k.shown);
    return errorText;
}

QString reportFailure(Operator& op, const QString& procedureName, const QString& errorText) {
    const QString text = failureText(procedureName, operatorText(errorText));
    // The lines exist even if the box is never dismissed; the system's own
    // text stays in the detail log for support.
    if (text != failureText(procedureName, errorText))
        WriteDetailLog(failureText(procedureName, errorText));
    WriteDetailLog(text);
    op.showMessage(text);
    return text;
}

QString reportFailure(const QString& procedureName, const QString& errorText) {
    return reportFailure(currentOperator(), procedureName, errorText);
}

QString errorText(const std::exception& e) {
    if (auto* r = dynamic_cast<const platform::RuntimeError*>(&e))
        return r->text();
    return QString::fromUtf8(e.what());
}

} // namespace core
