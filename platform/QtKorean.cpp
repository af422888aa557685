#include "platform/QtKorean.h"

#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace platform {

bool installQtKorean(QCoreApplication& app) {
    const QLocale korean(QLocale::Korean, QLocale::SouthKorea);
    // Month and day names of the date boxes' calendars as well; the
    // program's own texts format their numbers and dates explicitly.
    QLocale::setDefault(korean);
    const QStringList folders{
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations")),
        QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    bool any = false;
    for (const char* catalogue : {"qtbase", "qtserialport"}) {
        auto* translator = new QTranslator(&app);
        bool loaded = false;
        for (const QString& folder : folders)
            if ((loaded =
                     translator->load(korean, QString::fromLatin1(catalogue), QStringLiteral("_"), folder)))
                break;
        if (loaded)
            any = QCoreApplication::installTranslator(translator) || any;
        else
            delete translator;
    }
    return any;
}

} // namespace platform
