#pragma once
// Windows: a USB printer stand-in for Quorvel. The virtual printer (a Linux
// program, on loopback TCP) is served as the named pipe NAME, which Quorvel
// opens as it would a USB printer's device path: one client at a time is
// relayed to the printer's one connection, both ways. The printer answers
// only when asked, as over USB.
#include "tests/support/PrinterSimProcess.h"

#include <QUuid>
#include <atomic>
#include <thread>

namespace testsupport {

// A device folder of stand-in pipes that no other test's printers share
// (QUORVEL_DEVICE_DIR; its printers are FOLDER\lp0, FOLDER\lp1, ...).
inline QString newStandInFolder() {
    return QStringLiteral("\\\\.\\pipe\\quorvel-") + QUuid::createUuid().toString(QUuid::Id128);
}

class PipePrinter {
public:
    explicit PipePrinter(const QString& pipeName) : m_name(pipeName) {}
    ~PipePrinter() { stop(); }
    // Starts the printer with these printer-sim options and serves the pipe.
    bool start(const QStringList& simOptions);
    // The pipe is gone (the device unplugged) and the printer stopped.
    void stop();
    QString path() const { return m_name; }

private:
    void serve();

    QString m_name;
    PrinterSimProcess m_sim;
    std::thread m_thread; // serves the pipe's one instance
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_made{false};
    void* m_stopEvent = nullptr;
    quintptr m_socket = 0; // the printer's connection (a SOCKET)
};

} // namespace testsupport
