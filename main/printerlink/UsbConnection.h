#pragma once
// Kind 3: the USB printer link library. It opens the one printer it finds,
// and asks for the status itself.
#include "main/printerlink/PrinterConnection.h"

namespace printerlink {

class UsbConnection : public PrinterConnection {
public:
    int kind() const override { return 3; }
    bool open(const PrinterAddress& address) override;
    int send(const QByteArray& data, SendWait wait) override;
    void close() override {}
    bool hasInput() override { return false; }
    void takeInput(QByteArray&) override {}
};

} // namespace printerlink
