#include "main/printerlink/PrinterLink.h"

#include "main/printerlink/Quorvel.h"
#include "main/printerlink/SerialPorts.h"
#include "main/printerlink/StatusCodes.h"
#include "main/core/FailureReport.h"
#include "main/core/Logs.h"
#include "main/core/Operator.h"
#include "platform/Clock.h"
#include "platform/Cp949.h"
#include "platform/RuntimeError.h"


namespace printerlink {

namespace {

const QString kCannotConnect = QStringLiteral("프린터를 연결할 수 없습니다.\r\n\r\n");
const QString kCheckNetworkInfo = kCannotConnect + QStringLiteral("네트워크 연결정보를 확인하여 주십시오.");
const QString kCheckNetworkState = kCannotConnect + QStringLiteral("네트워크 연결상태를 확인하여 주십시오.");
const QString kCheckPrinterState = kCannotConnect + QStringLiteral("프린터 연결상태를 확인하여 주십시오.");
const QString kSeveralPrinters = QStringLiteral(
    "프린터가 여러대 연결되어 있습니다.\r\n\r\n프린터 연결상태 또는 USB포트 정보를 확인하여 주십시오.");
const QString kEnterIpPort = QStringLiteral("프린터IP/PORT를 입력하여 주십시오.");

// Run-time error texts of the socket and the serial port.
const QString kWrongSocketState =
    QStringLiteral("Wrong protocol or connection state for the requested transaction or request");
const QString kPortNotOpen = QStringLiteral("Operation valid only when the port is open");
const QString kPortAlreadyOpen = QStringLiteral("Port already open");
const QString kInvalidPort = QStringLiteral("Invalid port number");
const QString kInvalidPropertyValue = QStringLiteral("Invalid property value");

void show(const QString& text) { core::currentOperator().showMessage(text); }

} // namespace

namespace {

int kindOfSettingsChoice(int optConn) { return optConn == 0 ? 1 : optConn == 1 ? 2 : 3; }

} // namespace

qint16 socketErrorNumber(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError: return 10061;
    case QAbstractSocket::RemoteHostClosedError: return 10054;
    case QAbstractSocket::HostNotFoundError: return 11001;
    case QAbstractSocket::SocketAccessError: return 10013;
    case QAbstractSocket::SocketResourceError: return 10055;
    case QAbstractSocket::SocketTimeoutError: return 10060;
    case QAbstractSocket::NetworkError: return 10050;
    case QAbstractSocket::UnsupportedSocketOperationError: return 10045;
    default: return 10053;
    }
}

PrinterLink::PrinterLink(const settings::SetupData& setup, RunState& run, QObject* parent)
    : QObject(parent), m_setup(&setup), m_run(&run) {
    connect(&m_socket, &QTcpSocket::readyRead, this,
            [this] { Winsock1_DataArrival(static_cast<qint32>(m_socket.bytesAvailable())); });
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &PrinterLink::onSocketError);
}

PrinterLink::PrinterLink(std::function<SettingsControls()> controls, QObject* parent)
    : QObject(parent), m_controls(std::move(controls)) {}

PrinterLink::~PrinterLink() {
    // No socket event may reach a run state that is going away with us.
    m_socket.disconnect(this);
    // The port's lock file must not outlive the window.
    if (m_port.isOpen())
        m_port.close();
    m_socket.abort();
}

int PrinterLink::connKind() const {
    if (isSettingsWindow())
        return kindOfSettingsChoice(m_controls().optConn);
    return platform::toInt16(m_setup->sConnKind);
}

bool PrinterLink::fncRsOpen() {
    try {
        if (isSettingsWindow()) {
            const SettingsControls c = m_controls();
            const int kind = kindOfSettingsChoice(c.optConn);
            if (kind == 1) {
                m_socket.abort();
                const QString port = c.txtPort.trimmed();
                bool numeric = false;
                const double portValue = port.toDouble(&numeric);
                if (c.txtIP.trimmed().isEmpty() || port.isEmpty() || (numeric && portValue == 0)) {
                    show(kEnterIpPort);
                    return false;
                }
                return openTcp(c.txtIP.trimmed(), c.txtPort);
            }
            if (kind == 2) {
                openSerial(c.CboPort + 1);
                return true;
            }
            return openUsb();
        }
        const int kind = connKind();
        if (kind == 1) {
            m_socket.abort();
            if (m_setup->sPrinterIP.isEmpty() || m_setup->sPrinterPort.isEmpty()) {
                show(kCheckNetworkInfo);
                return false;
            }
            return openTcp(m_setup->sPrinterIP, m_setup->sPrinterPort);
        }
        if (kind == 2) {
            openSerial(m_setup->nComPort < 1 ? 1 : m_setup->nComPort);
            return true;
        }
        return openUsb();
    } catch (const std::exception& e) {
        if (isSettingsWindow())
            show(core::errorText(e));
        else
            core::reportFailure(core::currentOperator(), QStringLiteral("fncRsOpen"), core::errorText(e));
        return false;
    }
}

bool PrinterLink::openTcp(const QString& host, const QString& portText) {
    const qint32 port = platform::toInt32(portText);
    if (port < 0 || port > 65535)
        throw platform::RuntimeError(kInvalidPropertyValue);
    platform::Clock& clock = platform::clock();
    m_socket.connectToHost(host, static_cast<quint16>(port));
    clock.pumpEvents();
    const qint64 start = clock.wallSeconds();
    while (m_socket.state() != QAbstractSocket::ConnectedState) {
        if (platform::waitExpired(start, clock.wallSeconds()))
            break;
        clock.pumpEvents();
    }
    if (m_socket.state() != QAbstractSocket::ConnectedState) {
        // The socket is left as it is; the next open starts by closing it.
        show(kCheckNetworkState);
        return false;
    }
    // Every record is a small write of its own; none may wait for the
    // acknowledgement of the one before.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return true;
}

void PrinterLink::openSerial(int portNumber) {
    // The port of a run stays open until the run closes it.
    if (m_port.isOpen())
        throw platform::RuntimeError(kPortAlreadyOpen);
    m_port.setPortName(serialDevicePath(portNumber));
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
}

bool PrinterLink::openUsb() {
    const int printers = Find_SA4T_Printer();
    if (printers == 1)
        return true;
    show(printers < 1 ? kCheckPrinterState : kSeveralPrinters);
    return false;
}

void PrinterLink::requirePortOpen() {
    if (!m_port.isOpen())
        throw platform::RuntimeError(kPortNotOpen);
}

void PrinterLink::fncRsSend(const QString& sData, SendWait wait) { fncRsSend(platform::toCp949(sData), wait); }

void PrinterLink::fncRsSend(const QByteArray& sData, SendWait wait) {
    platform::Clock& clock = platform::clock();
    const int kind = connKind();
    if (kind == 1) {
        if (m_socket.state() != QAbstractSocket::ConnectedState)
            throw platform::RuntimeError(kWrongSocketState);
        m_socket.write(sData);
        m_socket.flush();
        platform::clock().runPendingEvents();
    } else if (kind == 2) {
        requirePortOpen();
        m_port.write(sData);
        platform::clock().runPendingEvents();
        const qint64 start = clock.wallSeconds();
        while (m_port.bytesToWrite() >= 1) {
            clock.pumpEvents();
            if (wait == SendWait::Bounded && platform::waitExpired(start, clock.wallSeconds()))
                break; // the caller carries on as if it had been written
        }
    } else if (kind == 3) {
        const int written = SA4T_Print(sData, 0);
        // The settings window stores a configuration only when it reached the
        // printer: a write the library reports as failed must not pass as sent.
        // The issuing side reads the printer's answers instead.
        if (isSettingsWindow() && written < 0)
            throw platform::RuntimeError(QStringLiteral("USB printer write failed (%1)").arg(written));
    }
    // Any other kind sends nothing.
}

void PrinterLink::fncRsClose() {
    if (m_run)
        m_run->sRecvData.clear();
    int kind = 0;
    try {
        kind = connKind();
    } catch (const platform::RuntimeError&) {
        return; // no kind, nothing of ours can be open
    }
    if (kind == 1) {
        if (m_socket.state() == QAbstractSocket::ConnectedState) {
            m_socket.flush();
            m_socket.close();
        }
    } else if (kind == 2) {
        if (m_port.isOpen())
            m_port.close();
    }
}

void PrinterLink::Winsock1_DataArrival(qint32 bytesTotal) {
    if (bytesTotal < 1 || !m_run)
        return;
    const QByteArray data = m_socket.readAll();
    // Appended, not replaced: an earlier chunk no reader has taken yet stays.
    m_run->sRecvData += data;
    core::WriteLog(platform::fromCp949(data));
}

void PrinterLink::Winsock1_Error(qint16 number, const QString& description) {
    if (!m_run)
        return;
    m_run->sWinsockErr = QStringLiteral("Error Code:%1 is %2").arg(number).arg(description);
    core::WriteLog(m_run->sWinsockErr);
    fncRsClose();
}

void PrinterLink::onSocketError(QAbstractSocket::SocketError error) {
    // The printer closing its end is the socket's close, not an error: data
    // it sent before closing stays in the receive buffer for the readers.
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    Winsock1_Error(socketErrorNumber(error), m_socket.errorString());
}

void PrinterLink::takeSerialInput(QByteArray& pending) {
    requirePortOpen();
    // Take what the line has delivered by now without letting events run.
    m_port.waitForReadyRead(0);
    pending += m_port.readAll();
}

QByteArray PrinterLink::awaitAnswer(QByteArray& pending, const QString& rawLogHead) {
    platform::Clock& clock = platform::clock();
    const int kind = connKind();
    if (kind != 1)
        requirePortOpen();
    const qint64 start = clock.wallSeconds();
    for (;;) {
        clock.pumpEvents();
        const bool newData = kind == 1 ? !m_run->sRecvData.isEmpty() : m_port.bytesAvailable() > 0;
        // A whole answer left over from the last chunk is read at once; the
        // first part of one waits (within the period) for the rest.
        if (newData || hasFrame(pending)) {
            clock.sleepMs(100);
            if (kind == 1) {
                if (!m_run->sRecvData.isEmpty()) {
                    pending += m_run->sRecvData;
                    m_run->sRecvData.clear();
                    core::WriteLog(rawLogHead + platform::fromCp949(pending));
                }
            } else if (newData) {
                takeSerialInput(pending);
                core::WriteLog(rawLogHead + platform::fromCp949(pending));
            }
            return cutFrame(pending);
        }
        if (platform::waitExpired(start, clock.wallSeconds()))
            return {};
    }
}

bool PrinterLink::CheckPrint(qint32 nIndex) {
    m_lastCode.clear();
    const QString n = rowText(nIndex);
    try {
        if (!m_run)
            throw platform::RuntimeError(kWrongSocketState);
        const int kind = connKind();
        if (kind == 3) {
            // The library asks and waits itself; no count, no retry.
            const QString code = codeText(SA4T_Print(QByteArrayLiteral("{WS|}"), 3));
            m_lastCode = code;
            if (isReadyCode(code))
                return true;
            showAndLog(statusRequestReport(code, n).value_or(statusRequestGeneral(n)));
            return false;
        }
        if (kind == 1 || kind == 2)
            fncRsSend(QByteArrayLiteral("{WS|}"), SendWait::Bounded);

        const QString rawLogHead = QStringLiteral("Status Request Command[PRINTER_DATA] : [") + n +
                                   QStringLiteral("]번 출력 ");
        QByteArray pending;
        for (;;) {
            QByteArray frame = awaitAnswer(pending, rawLogHead);
            QString code = frameCode(frame, 2);
            if (code.isEmpty()) {
                // Second chance: an answer that lost its SOH still has STX.
                if (kind != 1)
                    takeSerialInput(pending);
                core::WriteLog(rawLogHead + platform::fromCp949(pending));
                frame = cutFrame(pending, kSTX);
                code = frameCode(frame, 1);
            }
            m_lastCode = code;
            if (isReadyCode(code))
                return true;
            if (const auto report = statusRequestReport(code, n)) {
                showAndLog(*report);
                return false;
            }
            m_run->nStatusErrCnt = static_cast<qint16>(m_run->nStatusErrCnt + 1);
            if (m_run->nStatusErrCnt >= 3) {
                showAndLog(statusRequestGeneral(n));
                return false;
            }
            // Not asked again: the answer may still be on its way.
        }
    } catch (const std::exception& e) {
        core::reportFailure(core::currentOperator(), QStringLiteral("CheckPrint"), core::errorText(e));
        return false;
    }
}

} // namespace printerlink
