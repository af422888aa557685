#include "platform/SingleInstance.h"

#include <QDir>

namespace platform {

SingleInstance::SingleInstance(const QString& name, const QString& dir)
    : m_path((dir.isEmpty() ? QDir::tempPath() : dir) + QLatin1Char('/') + name + QStringLiteral(".lock")),
      m_lock(std::make_unique<QLockFile>(m_path)) {
    m_lock->setStaleLockTime(0); // only a dead owner makes the lock stale
}

bool SingleInstance::acquire() {
    if (m_lock->isLocked())
        return true;
    return m_lock->tryLock(0);
}

} // namespace platform
