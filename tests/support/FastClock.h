#pragma once
#include "platform/Clock.h"

namespace testsupport {

// A clock whose seconds pass `factor` times faster than real time and whose
// sleeps and event waits are shortened by the same factor; events run as
// with the real clock.
class FastClock : public platform::SystemClock {
public:
    explicit FastClock(int factor);
    qint64 wallSeconds() override;
    qint64 steadyMs() override;
    void sleepMs(int ms) override;
    void waitForEvents(int maxMs) override;

private:
    int m_factor;
    qint64 m_startMs;
};

} // namespace testsupport
