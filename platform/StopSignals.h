#pragma once
// SIGINT and SIGTERM as an event of the thread that runs the event loop, so
// that an issuing run can end after the tag under way instead of dying in
// the middle of it. While an object lives, the two signals are caught: on
// Linux the signals themselves (posix/), on Windows the console's Ctrl+C
// (as SIGINT) and Ctrl+Break, close, log-off and shut-down (as SIGTERM)
// through a console control handler (win/).
#include <QObject>
#include <functional>

namespace platform {

class StopSignals : public QObject {
public:
    // `onSignal` gets the signal number, once per signal, on the event loop.
    explicit StopSignals(std::function<void(int)> onSignal);
    ~StopSignals() override;

    // The last signal received, 0 when none.
    int received() const { return m_received; }
    // The exit code a process ends with after the signal: 128 + its number.
    int exitCode() const { return m_received ? 128 + m_received : 0; }

    // On the event loop's thread: records the signal and tells the owner
    // (the system side's handler calls it).
    void deliver(int number);

private:
    std::function<void(int)> m_onSignal;
    bool m_installed = false;
    int m_received = 0;
};

} // namespace platform
