// The lock file in the temporary folder; QLockFile takes over a lock whose
// owner no longer runs.
#include "platform/SingleInstance.h"

#include <QDir>
#include <QLockFile>

namespace platform {

struct SingleInstance::Held {
    explicit Held(const QString& path) : lock(path) {}
    QLockFile lock;
};

SingleInstance::SingleInstance(const QString& name, const QString& dir) : m_name(name), m_dir(dir) {}
SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire() {
    if (!m_held) {
        m_held = std::make_unique<Held>((m_dir.isEmpty() ? QDir::tempPath() : m_dir) + QLatin1Char('/') +
                                        m_name + QStringLiteral(".lock"));
        m_held->lock.setStaleLockTime(0); // only a dead owner makes the lock stale
    }
    return m_held->lock.isLocked() || m_held->lock.tryLock(0);
}

} // namespace platform
