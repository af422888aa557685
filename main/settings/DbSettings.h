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

// True when the data source names an embedded database file (ending ".db",
// ".sqlite" or ".sqlite3"): whatever the provider kind, the login opens it.
bool isEmbeddedSource(const QString& dataSource);

struct DbInfo {
    QString sDatabase;
    QString sUser;
    QString sPassword;
};
DbInfo readDbInfo();

// The database window `DBSetup` and its provider list `CboCon`
// (0 "MSDAORA", 1 "OraOLEDB", 2 "PostgreSQL").
namespace dbsetup {
// The list's last entry, after the three providers: the embedded database.
inline constexpr int kEmbeddedEntry = 3;
// The file an embedded choice names when the database was a server.
inline constexpr const char* kEmbeddedDefaultFile = "items.db";
// An embedded data source selects the embedded entry; otherwise "1" to "3"
// select the list position and other values keep it.
void GetSetupData(int& CboCon);
// A provider: writes the position plus 1 (the data source stays; a file
// name there still opens the embedded database, which the message says).
// The embedded entry: a data source that is no database file becomes
// "items.db". Then shows "환경정보를 설정하였습니다.".
void SetSetupData(int CboCon, core::Operator& op);
} // namespace dbsetup

} // namespace settings
