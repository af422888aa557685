#include "main/cli/Workstation.h"

#include "main/cli/SearchOptions.h"
#include "main/core/Operator.h"
#include "main/database/Login.h"
#include "main/settings/DbSettings.h"

namespace cli {

bool Workstation::open(const QString& user, int labelType, bool unlock) {
    core::Operator& op = core::currentOperator();
    // The login: the user id as typed, the database account of the settings.
    const settings::DbInfo account = settings::readDbInfo();
    if (user.isEmpty()) {
        op.showMessage(QStringLiteral("아이디를 입력하여 주십시오."));
        return false;
    }
    QString marker;
    if (database::loginDatabase(user, account.sDatabase, account.sUser, account.sPassword, marker) !=
        database::LoginResult::Opened)
        return false;

    load(op, labelType);
    ctx.OptLock = unlock ? 1 : 0;
    journal = journal::openProgramJournal();
    ctx.journal = journal.get();
    return journal != nullptr;
}

int Workstation::openForCommand(const QString& command, const Options& o,
                                database::SearchConditions& conditions, int labelType, bool unlock) {
    QString problem;
    if (!readSearchOptions(o, conditions, problem))
        return usageError(command, problem);
    installPrintingOperator();
    return open(o.value(QStringLiteral("user")), labelType, unlock) ? -1 : kFailed;
}

} // namespace cli
