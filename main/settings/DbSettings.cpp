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

bool isEmbeddedSource(const QString& dataSource) {
    const QString s = dataSource.trimmed().toLower();
    return s.endsWith(QLatin1String(".db")) || s.endsWith(QLatin1String(".sqlite")) ||
           s.endsWith(QLatin1String(".sqlite3"));
}

DbInfo readDbInfo() {
    return {readSetting(kDatabase), readSetting(kUser), readSetting(kPassword)};
}

namespace dbsetup {

void GetSetupData(int& CboCon) {
    if (isEmbeddedSource(readSetting(kDatabase)))
        CboCon = kEmbeddedEntry;
    else
        selectListPosition(readDbKind(), 3, CboCon);
}

void SetSetupData(int CboCon, core::Operator& op) {
    const QString database = readSetting(kDatabase);
    QString message = QString::fromUtf8(kSettingsSavedMessage);
    if (CboCon == kEmbeddedEntry) {
        if (!isEmbeddedSource(database)) {
            writeSetting(kDatabase, QLatin1String(kEmbeddedDefaultFile));
            message += QStringLiteral("\r\n\r\n내장 데이터베이스 파일: %1 (%2 [%3] %4)")
                           .arg(QLatin1String(kEmbeddedDefaultFile), QLatin1String(kDatabase.file),
                                QLatin1String(kDatabase.section), QLatin1String(kDatabase.key));
        }
    } else {
        writeSetting(kDbKind, QString::number(CboCon + 1));
        if (isEmbeddedSource(database))
            message += QStringLiteral(
                           "\r\n\r\nDatabase %1은(는) 파일이므로 내장 데이터베이스가 열립니다. 서버를 쓰려면 "
                           "환경설정의 Database에 서버 주소나 데이터 원본 이름을 입력하여 주십시오.")
                           .arg(database);
    }
    op.showMessage(message);
}

} // namespace dbsetup
} // namespace settings
