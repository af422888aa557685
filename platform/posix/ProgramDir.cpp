// The executable's folder as the application object found it (/proc/self/exe).
#include "platform/ProgramDir.h"

#include <QCoreApplication>
#include <QDir>

namespace platform {

QString executableDir() {
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

} // namespace platform
