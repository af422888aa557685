#pragma once
#include "platform/Clock.h"

namespace testsupport {

// A clock whose seconds pass `factor` times faster than real time and whose
// sleeps are shortened by the same factor; events run as with the real clock.
class FastClock : public platform::SystemClock {
public:
    explicit FastClock(int factor);
    qint64 wallSeconds() override;
    void sleepMs(int ms) override;

private:
    int m_factor;
    qint64 m_startMs;
};

} // namespace testsupport
