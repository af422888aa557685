#pragma once
// One running copy per workstation, that a crashed first copy does not leave
// behind as a false "already running": a lock file on Linux (posix/), a named
// mutex on Windows (win/), both released by the system when the owner dies.
#include <QString>
#include <memory>

namespace platform {

class SingleInstance {
public:
    // name: the program's lock name; dir: where the lock lives (default: one
    // place shared by every session of the workstation).
    explicit SingleInstance(const QString& name, const QString& dir = QString());
    ~SingleInstance();
    // True when this process now holds the lock; false when another copy runs.
    bool acquire();

private:
    struct Held;
    QString m_name;
    QString m_dir;
    std::unique_ptr<Held> m_held;
};

} // namespace platform
