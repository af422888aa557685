#pragma once
// Kind 2: a serial port at "9600,N,8,1" without handshaking.
#include "main/printerlink/PrinterConnection.h"
#include "platform/SerialLine.h"

namespace printerlink {

class SerialConnection : public PrinterConnection {
public:
    int kind() const override { return 2; }
    bool open(const PrinterAddress& address) override;
    // A bounded send waits at most 5 seconds for the output queue to drain,
    // then carries on as if it had been written.
    int send(const QByteArray& data, SendWait wait) override;
    void close() override;
    bool hasInput() override;
    void takeInput(QByteArray& pending) override;

    platform::SerialLine& port() { return m_port; }

private:
    void requireOpen();

    platform::SerialLine m_port;
};

} // namespace printerlink
