#include "tests/support/FastClock.h"

#include <QDateTime>
#include <QThread>

namespace testsupport {

FastClock::FastClock(int factor)
    : m_factor(factor < 1 ? 1 : factor), m_startMs(QDateTime::currentMSecsSinceEpoch()) {}

qint64 FastClock::wallSeconds() {
    return steadyMs() / 1000;
}

qint64 FastClock::steadyMs() {
    const qint64 elapsed = QDateTime::currentMSecsSinceEpoch() - m_startMs;
    return m_startMs + elapsed * m_factor;
}

void FastClock::sleepMs(int ms) {
    if (ms > 0)
        QThread::usleep(static_cast<unsigned long>(ms) * 1000 / static_cast<unsigned long>(m_factor));
}

void FastClock::waitForEvents(int maxMs) {
    platform::SystemClock::waitForEvents(maxMs / m_factor);
}

} // namespace testsupport
