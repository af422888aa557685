#include "main/printerlink/TcpConnection.h"

#include "main/core/Logs.h"
#include "main/core/Operator.h"
#include "main/settings/SettingsFiles.h"
#include "platform/Clock.h"
#include "platform/Cp949.h"
#include "platform/RuntimeError.h"
#include "platform/SocketReady.h"

#include <QHash>

namespace printerlink {

namespace {
const QString kCheckNetworkState =
    QStringLiteral("프린터를 연결할 수 없습니다.\r\n\r\n네트워크 연결상태를 확인하여 주십시오.");
const QString kInvalidPropertyValue = QStringLiteral("Invalid property value");
} // namespace

qint16 socketErrorNumber(QAbstractSocket::SocketError error) {
    // The Winsock numbers the operator's messages carry.
    static const QHash<int, qint16> kNumbers = {{QAbstractSocket::ConnectionRefusedError, 10061},
                                                {QAbstractSocket::RemoteHostClosedError, 10054},
                                                {QAbstractSocket::HostNotFoundError, 11001},
                                                {QAbstractSocket::SocketAccessError, 10013},
                                                {QAbstractSocket::SocketResourceError, 10055},
                                                {QAbstractSocket::SocketTimeoutError, 10060},
                                                {QAbstractSocket::NetworkError, 10050},
                                                {QAbstractSocket::UnsupportedSocketOperationError, 10045}};
    return kNumbers.value(int(error), 10053);
}

TcpConnection::TcpConnection(RunState* run) : m_run(run) {
    if (!m_run)
        return; // the settings window never reads from the printer
    connect(&m_socket, &QTcpSocket::readyRead, this,
            [this] { dataArrival(static_cast<qint32>(m_socket.bytesAvailable())); });
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &TcpConnection::onSocketError);
}

TcpConnection::~TcpConnection() {
    // No socket event may reach a run state that is going away with us.
    m_socket.disconnect(this);
    m_socket.abort();
}

bool TcpConnection::open(const PrinterAddress& address) {
    bool whole = false;
    const qint32 port = address.port.trimmed().toInt(&whole);
    if (!whole || port < 0 || port > 65535)
        throw platform::RuntimeError(
            QStringLiteral("%1 값 \"%2\"은(는) 프린터의 포트 번호(0~65535의 정수)가 아닙니다. "
                           "설정창에서 포트를 입력하여 저장하여 주십시오.")
                .arg(settings::keyPlace(settings::kPrinterPort), address.port.left(40)));
    platform::Clock& clock = platform::clock();
    m_socket.connectToHost(address.host, static_cast<quint16>(port));
    clock.pumpEvents();
    const qint64 start = clock.wallSeconds();
    while (m_socket.state() != QAbstractSocket::ConnectedState) {
        if (platform::waitExpired(start, clock.wallSeconds()))
            break;
        clock.pumpEvents();
    }
    if (m_socket.state() != QAbstractSocket::ConnectedState) {
        // The socket is left as it is; the next open starts by closing it.
        core::currentOperator().showMessage(kCheckNetworkState);
        return false;
    }
    // Every record is a small write of its own; none may wait for the
    // acknowledgement of the one before.
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return true;
}

int TcpConnection::send(const QByteArray& data, SendWait) {
    if (m_socket.state() != QAbstractSocket::ConnectedState)
        throw platform::RuntimeError(kWrongSocketState);
    m_socket.write(data);
    m_socket.flush();
    platform::clock().runPendingEvents();
    return 0;
}

void TcpConnection::close() {
    if (m_socket.state() == QAbstractSocket::ConnectedState) {
        m_socket.flush();
        m_socket.close();
    }
}

bool TcpConnection::hasInput() {
    return m_run && !m_run->sRecvData.isEmpty();
}

void TcpConnection::takeInput(QByteArray& pending) {
    if (!m_run)
        return;
    // What the socket holds by now comes along, as on the serial line, even
    // when no event has run since it arrived. (A wait that finds nothing
    // would count as a socket error, so it is made only when data is there.)
    if (m_socket.state() == QAbstractSocket::ConnectedState) {
        if (platform::socketReadable(m_socket.socketDescriptor()))
            m_socket.waitForReadyRead(0);
    }
    pending += m_run->sRecvData;
    m_run->sRecvData.clear();
}

void TcpConnection::dataArrival(qint32 bytesTotal) {
    if (bytesTotal < 1 || !m_run)
        return;
    const QByteArray data = m_socket.readAll();
    // Appended, not replaced: an earlier chunk no reader has taken yet stays.
    m_run->sRecvData += data;
    core::WriteLog(platform::fromCp949(data));
}

void TcpConnection::socketError(qint16 number, const QString& description) {
    if (!m_run)
        return;
    m_run->sWinsockErr = QStringLiteral("Error Code:%1 is %2").arg(number).arg(description);
    core::WriteLog(m_run->sWinsockErr);
    m_run->sRecvData.clear();
    close();
}

void TcpConnection::onSocketError(QAbstractSocket::SocketError error) {
    // The printer closing its end is the socket's close, not an error: data
    // it sent before closing stays in the receive buffer for the readers.
    if (error == QAbstractSocket::RemoteHostClosedError)
        return;
    socketError(socketErrorNumber(error), m_socket.errorString());
}

} // namespace printerlink
