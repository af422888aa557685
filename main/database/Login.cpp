#include "main/database/Login.h"

#include "main/core/FailureReport.h"
#include "main/core/Operator.h"
#include "main/database/DbConn.h"
#include "main/settings/DbSettings.h"

namespace database {

void openDbConn(const QString& dataSource, const QString& user, const QString& password,
                const QString& providerKind) {
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

} // namespace database
