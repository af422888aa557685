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
    // A plain sleep: no events run.
    virtual void sleepMs(int ms) = 0;
    // Lets pending events run once (socket data arrives here), then yields
    // briefly: one pass of a waiting loop.
    virtual void pumpEvents() = 0;
    // Lets pending events run once, without the yield of a waiting loop.
    virtual void runPendingEvents() = 0;
};

// The real clock.
class SystemClock : public Clock {
public:
    qint64 wallSeconds() override;
    void sleepMs(int ms) override;
    void pumpEvents() override;
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
