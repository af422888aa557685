#include "platform/Clock.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>

namespace platform {

qint64 SystemClock::wallSeconds() {
    return QDateTime::currentSecsSinceEpoch();
}

void SystemClock::sleepMs(int ms) {
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

void SystemClock::runPendingEvents() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void SystemClock::pumpEvents() {
    runPendingEvents();
    // Waiting loops pass without sleeping; a short yield keeps a pass from
    // taking a whole core while it waits for the printer.
    QThread::usleep(200);
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
