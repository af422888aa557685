#include "main/printerlink/PrinterConnection.h"

#include "main/printerlink/SerialConnection.h"
#include "main/printerlink/TcpConnection.h"
#include "main/printerlink/UsbConnection.h"

namespace printerlink {

const QString kWrongSocketState =
    QStringLiteral("Wrong protocol or connection state for the requested transaction or request");
const QString kPortNotOpen = QStringLiteral("Operation valid only when the port is open");

std::unique_ptr<PrinterConnection> makeConnection(int kind, RunState* run) {
    switch (kind) {
    case 1:
        return std::make_unique<TcpConnection>(run);
    case 2:
        return std::make_unique<SerialConnection>();
    case 3:
        return std::make_unique<UsbConnection>();
    default:
        return nullptr;
    }
}

} // namespace printerlink
