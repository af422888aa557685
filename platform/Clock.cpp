#include "platform/Clock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>

namespace platform {

qint64 SystemClock::wallSeconds() { return QDateTime::currentSecsSinceEpoch(); }

void SystemClock::sleepMs(int ms) {
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

void SystemClock::pumpEvents() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    // Waiting loops pass without sleeping; a short yield keeps a pass from
    // taking a whole core while it waits for the printer.
    QThread::usleep(200);
}

FastClock::FastClock(int factor)
    : m_factor(factor < 1 ? 1 : factor), m_startMs(QDateTime::currentMSecsSinceEpoch()) {}

qint64 FastClock::wallSeconds() {
    const qint64 elapsed = QDateTime::currentMSecsSinceEpoch() - m_startMs;
    return m_startMs / 1000 + elapsed * m_factor / 1000;
}

void FastClock::sleepMs(int ms) {
    if (ms > 0)
        QThread::usleep(static_cast<unsigned long>(ms) * 1000 / static_cast<unsigned long>(m_factor));
}

void FastClock::pumpEvents() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
    QThread::usleep(200);
}

namespace {
SystemClock g_systemClock;
Clock* g_clock = nullptr;
} // namespace

Clock& clock() { return g_clock ? *g_clock : g_systemClock; }

void setClock(Clock* c) { g_clock = c; }

} // namespace platform
