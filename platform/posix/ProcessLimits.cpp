#include "platform/ProcessLimits.h"

#include <QProcess>
#include <sys/resource.h>

namespace platform {

struct ChildLimits::Job {};

ChildLimits::ChildLimits(qint64 memoryBytes, int cpuSeconds)
    : m_memoryBytes(memoryBytes), m_cpuSeconds(cpuSeconds) {}
ChildLimits::~ChildLimits() = default;

void ChildLimits::prepare(QProcess& child) {
    child.setChildProcessModifier([memory = m_memoryBytes, cpu = m_cpuSeconds] {
        const rlimit space{static_cast<rlim_t>(memory), static_cast<rlim_t>(memory)};
        const rlimit time{static_cast<rlim_t>(cpu), static_cast<rlim_t>(cpu)};
        setrlimit(RLIMIT_AS, &space);
        setrlimit(RLIMIT_CPU, &time);
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
    });
}

void ChildLimits::started(QProcess&) {}

double peakMemoryMegabytes() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

} // namespace platform
