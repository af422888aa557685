#include "platform/Clock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace platform {

void Clock::letEventsRunFor(int ms) {
    const qint64 end = steadyMs() + ms;
    for (qint64 left = ms; left > 0; left = end - steadyMs())
        waitForEvents(static_cast<int>(left));
}

qint64 SystemClock::wallSeconds() {
    return QDateTime::currentSecsSinceEpoch();
}

qint64 SystemClock::steadyMs() {
    static QElapsedTimer started = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return started.elapsed();
}

void SystemClock::sleepMs(int ms) {
#ifdef Q_OS_LINUX
    // The printer rules' pauses end when they are due, not up to the
    // kernel's default slack of 50 microseconds later.
    static const bool precise = ::prctl(PR_SET_TIMERSLACK, 1UL) == 0;
    (void)precise;
#endif
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

void SystemClock::runPendingEvents() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void SystemClock::waitForEvents(int maxMs) {
    if (!QCoreApplication::instance()) {
        sleepMs(maxMs);
        return;
    }
    // The timer only wakes the event loop when nothing else does; a pass
    // ends with the first batch of events.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(maxMs > 0 ? maxMs : 0);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

namespace {
SystemClock g_systemClock;
Clock* g_clock = nullptr;
} // namespace

Clock& clock() {
    return g_clock ? *g_clock : g_systemClock;
}

void setClock(Clock* c) {
    g_clock = c;
}

} // namespace platform
