#pragma once
// SIGINT and SIGTERM as an event of the thread that runs the event loop, so
// that an issuing run can end after the tag under way instead of dying in
// the middle of it. While an object lives, the two signals are caught.
#include <QObject>
#include <functional>

class QSocketNotifier;

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

private:
    std::function<void(int)> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
    int m_received = 0;
};

} // namespace platform
