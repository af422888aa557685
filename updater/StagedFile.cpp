// What the staged file does the same on every system; the system calls are
// in StagedFile_posix.cpp and StagedFile_win.cpp.
#include "updater/StagedFile.h"

#include <QFile>

namespace updater {

StagedFile::StagedFile(const QString& target) : m_target(target) {}

StagedFile::~StagedFile() {
    discard();
}

bool StagedFile::failed(const QString& what) {
    m_error = what + QStringLiteral(": ") + lastSystemError();
    discard();
    return false;
}

bool StagedFile::place() {
    if (m_staged.isEmpty() || m_fd >= 0)
        return false;
    // A rename refuses a folder too; checked first for a plain reason.
    if (pathKind(m_target) == PathKind::Directory) {
        m_error = QStringLiteral("a folder lies at the name");
        return false;
    }
    QString why;
    if (!renamePath(QFile::decodeName(m_staged), m_target, &why)) {
        m_error = QStringLiteral("rename: ") + why;
        return false;
    }
    m_placed = true;
    m_staged.clear();
    return true;
}

bool StagedFile::write(const char* data, qint64 size) {
    if (m_fd < 0)
        return false;
    while (size > 0) {
        const qint64 n = writeSome(data, size);
        if (n <= 0)
            return failed(QStringLiteral("write"));
        data += n;
        size -= n;
        m_size += n;
    }
    return true;
}

bool StagedFile::copyFrom(const QString& source, const std::function<void(const char*, qsizetype)>& seen) {
    PlainReader in;
    if (!in.open(source))
        return failed(QStringLiteral("open ") + source);
    char buffer[1 << 16];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0)
            return failed(QStringLiteral("read ") + source);
        if (n == 0)
            return true;
        seen(buffer, n);
        if (!write(buffer, n))
            return false;
    }
}

QByteArray readPlainFile(const QString& path, qint64 limit, bool* ok) {
    *ok = false;
    PlainReader in;
    if (!in.open(path) || in.size() > limit)
        return {};
    QByteArray bytes(static_cast<qsizetype>(in.size()), Qt::Uninitialized);
    qint64 got = 0;
    while (got < bytes.size()) {
        const qint64 n = in.read(bytes.data() + got, bytes.size() - got);
        if (n <= 0)
            return {};
        got += n;
    }
    *ok = true;
    return bytes;
}

} // namespace updater
