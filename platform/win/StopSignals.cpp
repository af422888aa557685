// The console control handler runs on a thread of its own: it hands the
// event to the event loop's thread. For a closing console the system ends the
// process when the handler returns, so the handler waits (within the
// system's grace period) until the run has stopped.
#include "platform/StopSignals.h"

#include <QMetaObject>
#include <atomic>
#include <csignal>
#include <windows.h>

namespace platform {

namespace {

std::atomic<StopSignals*> g_owner{nullptr};
HANDLE g_stopped = nullptr;
constexpr DWORD kCloseGraceMs = 4500;

BOOL WINAPI onConsoleEvent(DWORD event) {
    const int number = event == CTRL_C_EVENT ? SIGINT : SIGTERM;
    StopSignals* owner = g_owner.load();
    if (!owner)
        return FALSE;
    QMetaObject::invokeMethod(
        owner, [owner, number] { owner->deliver(number); }, Qt::QueuedConnection);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        WaitForSingleObject(g_stopped, kCloseGraceMs);
    return TRUE;
}

} // namespace

StopSignals::StopSignals(std::function<void(int)> onSignal_) : m_onSignal(std::move(onSignal_)) {
    if (!g_stopped)
        g_stopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ResetEvent(g_stopped);
    g_owner = this;
    m_installed = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
}

StopSignals::~StopSignals() {
    if (!m_installed)
        return;
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    g_owner = nullptr;
    SetEvent(g_stopped);
}

} // namespace platform
