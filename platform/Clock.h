#pragma once
// Wall clock, plain sleep and "let pending events run", from one place so
// that a test may run the printer's 5-second waits on a faster clock.
#include <QtGlobal>

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Wall-clock time in whole seconds (the printer waits compare these).
    virtual qint64 wallSeconds() = 0;
    // Milliseconds on a steady clock, for waits shorter than a second.
    virtual qint64 steadyMs() = 0;
    // A plain sleep: no events run.
    virtual void sleepMs(int ms) = 0;
    // Lets pending events run; when none is pending, blocks until one comes
    // (socket data, a timer, a window event) or `maxMs` have passed. One pass
    // of a waiting loop: it never spins while the printer works.
    virtual void waitForEvents(int maxMs) = 0;
    // Lets pending events run once, without waiting for more.
    virtual void runPendingEvents() = 0;

    // One pass of a loop that polls a whole-second deadline.
    void pumpEvents() { waitForEvents(kPollMs); }
    // Lets events run for `ms` (the windows stay painted), then returns.
    void letEventsRunFor(int ms);

    // How long a pass of a polling loop waits at most when nothing happens.
    static constexpr int kPollMs = 20;
};

// The real clock.
class SystemClock : public Clock {
public:
    qint64 wallSeconds() override;
    qint64 steadyMs() override;
    void sleepMs(int ms) override;
    void waitForEvents(int maxMs) override;
    void runPendingEvents() override;
};

Clock& clock();
// Installs a clock (nullptr restores the real one). Not owned.
void setClock(Clock* c);

// The bounded-wait rule of the printer link: the wait is over when the clock,
// read in whole seconds, has moved `seconds` either way since `start`.
inline bool waitExpired(qint64 start, qint64 now, int seconds = 5) {
    return (now > start ? now - start : start - now) >= seconds;
}

} // namespace platform
