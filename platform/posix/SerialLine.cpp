#include "platform/SerialLine.h"

#include <QSerialPort>

namespace platform {

struct SerialLine::Port : QSerialPort {};

SerialLine::SerialLine() = default;

SerialLine::~SerialLine() {
    close(); // the port's lock file must not outlive the line
}

SerialLine::Opened SerialLine::open(const QString& name, int baudRate) {
    auto port = std::make_unique<Port>();
    port->setPortName(name);
    port->setBaudRate(baudRate);
    port->setParity(QSerialPort::NoParity);
    port->setDataBits(QSerialPort::Data8);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite))
        return port->error() == QSerialPort::PermissionError ? Opened::Busy : Opened::NoSuchPort;
    // A line without modem control (a pseudo-terminal) refuses these; that
    // costs nothing, the printer does not use them.
    port->setDataTerminalReady(false);
    port->setRequestToSend(false);
    port->clearError();
    m_port = std::move(port);
    return Opened::Yes;
}

void SerialLine::close() {
    if (m_port)
        m_port->close();
    m_port.reset();
}

bool SerialLine::isOpen() const {
    return m_port && m_port->isOpen();
}

int SerialLine::baudRate() const {
    return m_port ? m_port->baudRate() : 0;
}

void SerialLine::write(const QByteArray& data) {
    if (m_port)
        m_port->write(data);
}

bool SerialLine::writing() {
    return m_port && m_port->bytesToWrite() >= 1;
}

bool SerialLine::hasInput() {
    return m_port && m_port->bytesAvailable() > 0;
}

QByteArray SerialLine::takeInput() {
    if (!m_port)
        return {};
    m_port->waitForReadyRead(0);
    return m_port->readAll();
}

} // namespace platform
