#include "main/database/Login.h"

#include "main/core/FailureReport.h"
#include "main/core/Operator.h"
#include "main/database/DbConn.h"
#include "main/settings/DbSettings.h"
#include "main/settings/SettingsFiles.h"
#include "platform/RuntimeError.h"

namespace database {

void openDbConn(const QString& dataSource, const QString& user, const QString& password,
                const QString& providerKind) {
    // Without a database name the driver manager would answer with a message
    // no operator can act on.
    if (dataSource.trimmed().isEmpty())
        throw platform::RuntimeError(
            QStringLiteral(
                "%1 파일이 없거나 [%2] DATABASE 값이 비어 있어 접속할 데이타베이스를 알 수 없습니다. "
                "데이타베이스 설정에서 데이타베이스를 지정하여 주십시오.")
                .arg(settings::settingsPath(settings::kDatabase.file),
                     QString::fromLatin1(settings::kDatabase.section)));
    gDbConn.open(dataSource, user, password, providerKind);
}

void reportLoginError(const QString& errorText, const QString& marker) {
    core::Operator& op = core::currentOperator();
    op.setWaitCursor(false);
    if (gDbConn.isOpen())
        gDbConn.close();
    op.showMessage(errorText + QLatin1Char('[') + marker + QLatin1Char(']'));
}

LoginResult loginDatabase(const QString& txtID, const QString& txtDBNm, const QString& txtDBID,
                          const QString& txtDBPW, QString& marker) {
    core::Operator& op = core::currentOperator();
    marker = QStringLiteral("A");
    try {
        const QString dataSource = txtDBNm, user = txtDBID, password = txtDBPW;
        marker = QStringLiteral("B");
        const QString kind = settings::readDbKind();
        op.setWaitCursor(true);
        // The string is built again inside the opening; the marker says how far we got.
        connectionString(kind, dataSource, user, password);
        marker = QStringLiteral("C");
        openDbConn(dataSource, user, password, kind);
        marker = QStringLiteral("D");
        Recordset rs(gDbConn, QStringLiteral("select *from slfanrfidauth where usr_sid = '") +
                                  sqlText(txtID) + QStringLiteral("' "));
        marker = QStringLiteral("E");
        op.setWaitCursor(false);
        if (rs.recordCount() == 0) {
            marker = QStringLiteral("F");
            op.showMessage(QStringLiteral("해당 아이디가 존재하지 않습니다."));
            gDbConn.close();
            marker = QStringLiteral("G");
            op.setFocus(QStringLiteral("txtID"));
            return LoginResult::UnknownUser;
        }
        marker = QStringLiteral("H");
        gUserId = txtID;
        marker = QStringLiteral("I");
        return LoginResult::Opened;
    } catch (const std::exception& e) {
        reportLoginError(core::errorText(e), marker);
        return LoginResult::Failed;
    }
}

bool switchUser(const QString& txtID) {
    core::Operator& op = core::currentOperator();
    try {
        Recordset rs(gDbConn, QStringLiteral("select *from slfanrfidauth where usr_sid = '") +
                                  sqlText(txtID) + QStringLiteral("' "));
        if (rs.recordCount() == 0) {
            op.showMessage(QStringLiteral("해당 아이디가 존재하지 않습니다."));
            op.setFocus(QStringLiteral("txtID"));
            return false;
        }
        gUserId = txtID;
        return true;
    } catch (const std::exception& e) {
        core::reportFailure(QStringLiteral("cmdOK_Click"), core::errorText(e));
        return false;
    }
}

} // namespace database
