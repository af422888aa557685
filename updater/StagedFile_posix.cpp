// The staged file on Linux: mkostemp beside the target, fsync, rename; the
// calls never follow a symbolic link.
#include "updater/StagedFile.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace updater {

QString lastSystemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

PathKind pathKind(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? PathKind::Missing : PathKind::Other;
    if (S_ISLNK(st.st_mode))
        return PathKind::Link;
    if (S_ISREG(st.st_mode))
        return PathKind::File;
    if (S_ISDIR(st.st_mode))
        return PathKind::Directory;
    return PathKind::Other;
}

bool StagedFile::open() {
    discard();
    m_placed = false;
    m_size = 0;
    const QFileInfo t(m_target);
    // A hidden name beside the target: the same file system, so the final
    // rename cannot leave half a file.
    QByteArray pattern =
        QFile::encodeName(t.path() + QStringLiteral("/.") + t.fileName() + QStringLiteral(".XXXXXX"));
    // mkstemp creates the name exclusively: a link planted there makes it
    // fail instead of being followed.
    m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (m_fd < 0)
        return failed(QStringLiteral("create"));
    m_staged = pattern;
    return true;
}

qint64 StagedFile::writeSome(const char* data, qint64 size) {
    for (;;) {
        const ssize_t n = ::write(m_fd, data, static_cast<size_t>(size));
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

bool PlainReader::open(const QString& path) {
    close();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return false;
    }
    m_handle = fd;
    m_size = st.st_size;
    return true;
}

qint64 PlainReader::read(char* data, qint64 max) {
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(m_handle), data, static_cast<size_t>(max));
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

void PlainReader::close() {
    if (m_handle < 0)
        return;
    const int e = errno;
    ::close(static_cast<int>(m_handle));
    errno = e;
    m_handle = -1;
}

bool StagedFile::finish(int mode) {
    if (m_fd < 0)
        return false;
    if (::fchmod(m_fd, static_cast<mode_t>(mode)) != 0 || ::fsync(m_fd) != 0)
        return failed(QStringLiteral("flush"));
    const int rc = ::close(m_fd);
    m_fd = -1;
    if (rc != 0)
        return failed(QStringLiteral("close"));
    return true;
}

void StagedFile::discard() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_placed && !m_staged.isEmpty())
        ::unlink(m_staged.constData());
    m_staged.clear();
}

QString reserveBeside(const QString& target) {
    const QFileInfo t(target);
    QByteArray pattern =
        QFile::encodeName(t.path() + QStringLiteral("/.") + t.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return {};
    ::close(fd);
    return QFile::decodeName(pattern);
}

bool ensureRealDirectory(const QString& dir) {
    const QByteArray name = QFile::encodeName(dir);
    switch (pathKind(dir)) {
    case PathKind::Directory:
        return true;
    case PathKind::Link:
        if (::unlink(name.constData()) != 0)
            return false;
        [[fallthrough]];
    case PathKind::Missing:
        if (::mkdir(name.constData(), 0775) != 0)
            return false;
        // The next operator of the group downloads into it as well.
        ::chmod(name.constData(), 02775);
        return true;
    default:
        return false;
    }
}

bool renamePath(const QString& from, const QString& to, QString* error) {
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    if (error)
        *error = lastSystemError();
    return false;
}

} // namespace updater
