#include "platform/ProgramDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

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
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

void setProgramDir(const QString& dir) {
    overrideDir() = dir.isEmpty() ? QString() : QDir(dir).absolutePath();
}

QString programPath(const QString& fileName) {
    return programDir() + QLatin1Char('/') + fileName;
}

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

} // namespace platform
