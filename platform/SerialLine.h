#pragma once
// A serial line at 8 data bits, no parity, one stop bit, no handshaking, with
// DTR and RTS off. Linux (posix/) drives it through QtSerialPort; Windows
// (win/) through the communications functions with one overlapped read and
// one overlapped write, whose events wake the event loop. (QtSerialPort's
// Windows side waits for line events with WaitCommEvent on a completion
// port; Wine serves that as a blocking call, and the port never opens.)
#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <memory>

namespace platform {

class SerialLine {
public:
    enum class Opened { Yes, Busy, NoSuchPort };

    SerialLine();
    ~SerialLine();
    Q_DISABLE_COPY(SerialLine)

    // name: "COM5" on Windows, a device path on Linux.
    Opened open(const QString& name, int baudRate);
    void close();
    bool isOpen() const;
    int baudRate() const;

    // Queues bytes for the line; they go out while events run.
    void write(const QByteArray& data);
    // True while written bytes are still on their way to the line.
    bool writing();
    // True when bytes have arrived that takeInput has not taken yet.
    bool hasInput();
    // What has arrived by now, without letting events run.
    QByteArray takeInput();

private:
    struct Port;
    std::unique_ptr<Port> m_port;
};

} // namespace platform
