#pragma once
// One running copy per workstation: a lock file that a crashed first copy
// does not leave behind as a false "already running".
#include <QLockFile>
#include <QString>
#include <memory>

namespace platform {

class SingleInstance {
public:
    // name: the program's lock name; dir: where the lock lives (default: the
    // system's temporary folder, shared by every session of the workstation).
    explicit SingleInstance(const QString& name, const QString& dir = QString());
    // True when this process now holds the lock; false when another copy runs.
    bool acquire();
    QString lockPath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace platform
