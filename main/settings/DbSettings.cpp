#include "main/settings/DbSettings.h"

#include "main/core/Operator.h"
#include "main/settings/SettingsFiles.h"

namespace settings {

DbProvider dbProviderFor(const QString& sDbKind) {
    if (sDbKind == QLatin1String("3"))
        return DbProvider::PostgreSQL;
    return sDbKind == QLatin1String("2") ? DbProvider::OraOLEDB : DbProvider::MSDAORA;
}

QString providerName(DbProvider provider) {
    switch (provider) {
    case DbProvider::OraOLEDB:
        return QStringLiteral("oraOLEDB.oracle.1");
    case DbProvider::PostgreSQL:
        return QStringLiteral("PostgreSQL");
    default:
        return QStringLiteral("MSDAORA");
    }
}

QString readDbKind() {
    return readSetting(kDbKind);
}

DbProvider readDbProvider() {
    return dbProviderFor(readDbKind());
}

DbInfo readDbInfo() {
    return {readSetting(kDatabase), readSetting(kUser), readSetting(kPassword)};
}

namespace dbsetup {

void GetSetupData(int& CboCon) {
    selectListPosition(readDbKind(), 3, CboCon);
}

void SetSetupData(int CboCon, core::Operator& op) {
    writeSetting(kDbKind, QString::number(CboCon + 1));
    op.showMessage(QString::fromUtf8(kSettingsSavedMessage));
}

} // namespace dbsetup
} // namespace settings
