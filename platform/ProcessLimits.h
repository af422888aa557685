#pragma once
// What a process may use: the limits a helper child runs under (address
// space, processor time, no core file) and the peak memory of this process.
// setrlimit in the child on Linux (posix/); a job object on Windows (win/).
#include <QtGlobal>
#include <memory>

class QProcess;

namespace platform {

class ChildLimits {
public:
    ChildLimits(qint64 memoryBytes, int cpuSeconds);
    ~ChildLimits();
    // Before start: what the child is to be held to.
    void prepare(QProcess& child);
    // After the child has started (Windows puts it into the job here).
    void started(QProcess& child);

private:
    struct Job;
    qint64 m_memoryBytes;
    int m_cpuSeconds;
    std::unique_ptr<Job> m_job;
};

// The largest resident memory this process has used so far, in MiB.
double peakMemoryMegabytes();

} // namespace platform
