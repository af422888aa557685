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

} // namespace updater
