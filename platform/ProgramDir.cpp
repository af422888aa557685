#include "platform/ProgramDir.h"

#include <QDir>

namespace platform {

namespace {
QString& overrideDir() {
    static QString dir;
    return dir;
}
} // namespace

QString programDir() {
    if (!overrideDir().isEmpty())
        return overrideDir();
    return executableDir();
}

void setProgramDir(const QString& dir) {
    overrideDir() = dir.isEmpty() ? QString() : QDir(dir).absolutePath();
}

QString programPath(const QString& fileName) {
    return programDir() + QLatin1Char('/') + fileName;
}

} // namespace platform
