#include "main/printerlink/SerialConnection.h"

#include "main/printerlink/SerialPorts.h"
#include "platform/Clock.h"
#include "platform/RuntimeError.h"

namespace printerlink {

namespace {
const QString kPortAlreadyOpen = QStringLiteral("Port already open");
const QString kInvalidPort = QStringLiteral("Invalid port number");
} // namespace

SerialConnection::~SerialConnection() {
    // The port's lock file must not outlive the window.
    if (m_port.isOpen())
        m_port.close();
}

bool SerialConnection::open(const PrinterAddress& address) {
    // The port of a run stays open until the run closes it.
    if (m_port.isOpen())
        throw platform::RuntimeError(kPortAlreadyOpen);
    m_port.setPortName(serialDevicePath(address.comPort));
    // "9600,N,8,1", no handshaking.
    m_port.setBaudRate(QSerialPort::Baud9600);
    m_port.setParity(QSerialPort::NoParity);
    m_port.setDataBits(QSerialPort::Data8);
    m_port.setStopBits(QSerialPort::OneStop);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError error = m_port.error();
        m_port.clearError();
        throw platform::RuntimeError(error == QSerialPort::PermissionError ? kPortAlreadyOpen : kInvalidPort);
    }
    // DTR and RTS off. A line without modem control (a pseudo-terminal)
    // refuses the request; that costs nothing, the printer does not use them.
    m_port.setDataTerminalReady(false);
    m_port.setRequestToSend(false);
    m_port.clearError();
    return true;
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
    while (m_port.bytesToWrite() >= 1) {
        clock.pumpEvents();
        if (wait == SendWait::Bounded && platform::waitExpired(start, clock.wallSeconds()))
            break; // the caller carries on as if it had been written
    }
    return 0;
}

void SerialConnection::close() {
    if (m_port.isOpen())
        m_port.close();
}

bool SerialConnection::hasInput() {
    requireOpen();
    return m_port.bytesAvailable() > 0;
}

void SerialConnection::takeInput(QByteArray& pending) {
    requireOpen();
    // Take what the line has delivered by now without letting events run.
    m_port.waitForReadyRead(0);
    pending += m_port.readAll();
}

} // namespace printerlink
