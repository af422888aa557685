#pragma once
// Windows: a USB printer stand-in for Quorvel. The virtual printer (a Linux
// program, on loopback TCP) is served as the named pipe NAME, which Quorvel
// opens as it would a USB printer's device path: every client of the pipe
// is relayed to the printer's one connection, both ways.
#include "tests/support/PrinterSimProcess.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace testsupport {

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
    std::thread m_threads[4]; // one per instance of the pipe
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_instances{0}; // made so far, of one per thread
    void* m_stopEvent = nullptr;
    quintptr m_socket = 0; // the printer's connection (a SOCKET)
    std::mutex m_line;
};

} // namespace testsupport
