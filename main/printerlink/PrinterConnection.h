#pragma once
// One connection to the label printer, whatever carries it: a TCP client
// socket, a serial port or the USB library. Made from the connection kind
// (1 TCP/IP, 2 serial, 3 USB); the printer link of the main window and of the
// settings window both talk through it.
#include "main/printerlink/RunState.h"

#include <QByteArray>
#include <QString>
#include <memory>

namespace printerlink {

// How long a serial send waits for the output queue to drain.
enum class SendWait { Bounded, Unbounded };

// Where the printer is, as the caller's settings or controls say.
struct PrinterAddress {
    QString host;    // TCP/IP
    QString port;    // TCP/IP, as typed
    int comPort = 1; // serial: 1 = "COM1"
};

class PrinterConnection {
public:
    virtual ~PrinterConnection() = default;
    virtual int kind() const = 0;
    // Opens the connection; shows its own message and returns false when the
    // printer cannot be reached. Raises platform::RuntimeError on a bad
    // address or a port that cannot be opened.
    virtual bool open(const PrinterAddress& address) = 0;
    // Puts one record on the connection as one write; raises when the
    // connection cannot take it. Returns the USB library's result (0 for the
    // other kinds).
    virtual int send(const QByteArray& data, SendWait wait) = 0;
    virtual void close() = 0;
    // True when printer data has arrived that no reader has taken yet.
    virtual bool hasInput() = 0;
    // Appends what has arrived by now to `pending` without letting events run.
    virtual void takeInput(QByteArray& pending) = 0;
};

// The connection of a kind; nullptr for a number that is no kind. The TCP
// connection gathers what the printer sends into `run` when one is given.
std::unique_ptr<PrinterConnection> makeConnection(int kind, RunState* run);

// Run-time error texts of the socket and the serial port.
extern const QString kWrongSocketState;
extern const QString kPortNotOpen;

} // namespace printerlink
