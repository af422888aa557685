#include "main/printerlink/SerialConnection.h"

#include "main/printerlink/SerialPorts.h"
#include "platform/Clock.h"
#include "platform/RuntimeError.h"

namespace printerlink {

namespace {
const QString kPortAlreadyOpen = QStringLiteral("Port already open");
const QString kInvalidPort = QStringLiteral("Invalid port number");
} // namespace

bool SerialConnection::open(const PrinterAddress& address) {
    // The port of a run stays open until the run closes it.
    if (m_port.isOpen())
        throw platform::RuntimeError(kPortAlreadyOpen);
    switch (m_port.open(serialDevicePath(address.comPort), 9600)) {
    case platform::SerialLine::Opened::Yes:
        return true;
    case platform::SerialLine::Opened::Busy:
        throw platform::RuntimeError(kPortAlreadyOpen);
    case platform::SerialLine::Opened::NoSuchPort:
        break;
    }
    throw platform::RuntimeError(kInvalidPort);
}

void SerialConnection::requireOpen() {
    if (!m_port.isOpen())
        throw platform::RuntimeError(kPortNotOpen);
}

int SerialConnection::send(const QByteArray& data, SendWait wait) {
    platform::Clock& clock = platform::clock();
    requireOpen();
    m_port.write(data);
    clock.runPendingEvents();
    const qint64 start = clock.wallSeconds();
    while (m_port.writing()) {
        clock.pumpEvents();
        if (wait == SendWait::Bounded && platform::waitExpired(start, clock.wallSeconds()))
            break; // the caller carries on as if it had been written
    }
    return 0;
}

void SerialConnection::close() {
    m_port.close();
}

bool SerialConnection::hasInput() {
    requireOpen();
    return m_port.hasInput();
}

void SerialConnection::takeInput(QByteArray& pending) {
    requireOpen();
    pending += m_port.takeInput();
}

} // namespace printerlink
