#pragma once
// Kind 1: a TCP client socket to the printer's address and port. What the
// printer sends is appended to the run state's receive buffer as it arrives
// and written to the status log.
#include "main/printerlink/PrinterConnection.h"

#include <QObject>
#include <QTcpSocket>

namespace printerlink {

class TcpConnection : public QObject, public PrinterConnection {
public:
    explicit TcpConnection(RunState* run);
    ~TcpConnection() override;

    int kind() const override { return 1; }
    bool open(const PrinterAddress& address) override;
    int send(const QByteArray& data, SendWait wait) override;
    void close() override;
    bool hasInput() override;
    void takeInput(QByteArray& pending) override;

    // Socket events.
    void dataArrival(qint32 bytesTotal);
    void socketError(qint16 number, const QString& description);
    QTcpSocket& socket() { return m_socket; }

private:
    void onSocketError(QAbstractSocket::SocketError error);

    RunState* m_run;
    QTcpSocket m_socket;
};

// Socket error numbers as the error event reports them.
qint16 socketErrorNumber(QAbstractSocket::SocketError error);

} // namespace printerlink
