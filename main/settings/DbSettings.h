#pragma once
// The database settings: which provider the login connects with
// ("setup.ini" DBINFO DB_KIND) and the data source, user and password the
// login window starts with ("db_setup.ini" DB_INFO).
#include <QString>

namespace core {
class Operator;
}

namespace settings {

enum class DbProvider { MSDAORA, OraOLEDB, PostgreSQL };

// "2" selects OraOLEDB, "3" PostgreSQL; every other value, "02" and empty
// text included, MSDAORA.
DbProvider dbProviderFor(const QString& sDbKind);
// The provider's name as the connection string carries it.
QString providerName(DbProvider provider);
QString readDbKind();
DbProvider readDbProvider();

struct DbInfo {
    QString sDatabase;
    QString sUser;
    QString sPassword;
};
DbInfo readDbInfo();

// The database window `DBSetup` and its provider list `CboCon`
// (0 "MSDAORA", 1 "OraOLEDB", 2 "PostgreSQL").
namespace dbsetup {
// "1" to "3" select the list position; other values keep it.
void GetSetupData(int& CboCon);
// Writes the position plus 1 and shows "환경정보를 설정하였습니다.".
void SetSetupData(int CboCon, core::Operator& op);
} // namespace dbsetup

} // namespace settings
