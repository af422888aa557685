#include "platform/ProgramDir.h"

#include <QDir>
#include <QFile>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

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

// On Windows the installer gives the folder to the Users group, and the
// files made in it inherit that.
#ifdef Q_OS_WIN
void shareWithGroup(int) {}
void shareWithGroup(const QString&) {}
#else
namespace {
constexpr mode_t kGroupReadWrite = S_IRGRP | S_IWGRP;
bool needsGroupAccess(const struct stat& st) {
    return st.st_uid == ::geteuid() && (st.st_mode & kGroupReadWrite) != kGroupReadWrite;
}
} // namespace

void shareWithGroup(int fd) {
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && needsGroupAccess(st))
        ::fchmod(fd, (st.st_mode & 07777) | kGroupReadWrite);
}

void shareWithGroup(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) == 0 && S_ISREG(st.st_mode) && needsGroupAccess(st))
        ::chmod(name.constData(), (st.st_mode & 07777) | kGroupReadWrite);
}
#endif

} // namespace platform
