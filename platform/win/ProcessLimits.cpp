// The child joins a job object that caps its committed memory and processor
// time and ends it when the job closes. Windows writes no core files.
#include "platform/ProcessLimits.h"
#include "platform/win/OwnedHandle.h"

#include <QProcess>
// clang-format off
#include <windows.h>
#include <psapi.h>
// clang-format on

namespace platform {

struct ChildLimits::Job : OwnedHandle {};

ChildLimits::ChildLimits(qint64 memoryBytes, int cpuSeconds)
    : m_memoryBytes(memoryBytes), m_cpuSeconds(cpuSeconds) {}
ChildLimits::~ChildLimits() = default;

void ChildLimits::prepare(QProcess&) {}

void ChildLimits::started(QProcess& child) {
    auto job = std::make_unique<Job>();
    job->handle = CreateJobObjectW(nullptr, nullptr);
    if (!job->handle)
        return;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION info{};
    info.BasicLimitInformation.LimitFlags =
        JOB_OBJECT_LIMIT_PROCESS_MEMORY | JOB_OBJECT_LIMIT_PROCESS_TIME | JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    info.ProcessMemoryLimit = SIZE_T(m_memoryBytes);
    info.BasicLimitInformation.PerProcessUserTimeLimit.QuadPart =
        LONGLONG(m_cpuSeconds) * 10'000'000; // 100 ns
    SetInformationJobObject(job->handle, JobObjectExtendedLimitInformation, &info, sizeof info);
    if (HANDLE process =
            OpenProcess(PROCESS_SET_QUOTA | PROCESS_TERMINATE, FALSE, DWORD(child.processId()))) {
        AssignProcessToJobObject(job->handle, process);
        CloseHandle(process);
    }
    m_job = std::move(job);
}

double peakMemoryMegabytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0;
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

} // namespace platform
