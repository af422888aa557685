// The executable's folder from the module file name of the process.
#include "platform/ProgramDir.h"

#include <QDir>
#include <QFileInfo>
#include <iterator>
#include <windows.h>

namespace platform {

QString executableDir() {
    wchar_t path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, path, DWORD(std::size(path)));
    if (n == 0 || n >= std::size(path))
        return QDir::currentPath();
    return QFileInfo(QString::fromWCharArray(path, int(n))).absolutePath();
}

} // namespace platform
