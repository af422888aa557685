#pragma once
// Runs the virtual printer (printer-sim) as a separate process for a test:
// starts it with the given options, waits for its first line ("tcp HOST:PORT",
// "serial LINK" or "usb DIR/lpN") and stops it when destroyed.
#include "tests/support/HostProcess.h"

#include <QString>
#include <QStringList>

namespace testsupport {

class PrinterSimProcess {
public:
    PrinterSimProcess() = default;
    ~PrinterSimProcess();
    Q_DISABLE_COPY(PrinterSimProcess)

    // e.g. start({"--tcp", "0", "--capture", file}); false (see error()) when
    // the printer did not come up within timeoutMs.
    bool start(const QStringList& args, int timeoutMs = 10000);
    void stop();

    QString line() const { return m_line; } // the first line, as printed
    QString kind() const;                   // "tcp", "serial" or "usb"
    QString host() const;                   // TCP
    quint16 port() const;                   // TCP
    QString path() const;                   // serial link or USB device node
    QString error() const { return m_error; }
    QByteArray standardError(); // what the printer reported so far
    HostProcess& process() { return m_process; }

private:
    HostProcess m_process;
    QString m_line;
    QString m_error;
};

} // namespace testsupport
