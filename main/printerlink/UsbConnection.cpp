#include "main/printerlink/UsbConnection.h"

#include "main/core/Operator.h"
#include "main/printerlink/QuorvelLibrary.h"

namespace printerlink {

namespace {
const QString kCannotConnect = QStringLiteral("프린터를 연결할 수 없습니다.\r\n\r\n");
const QString kCheckPrinterState = kCannotConnect + QStringLiteral("프린터 연결상태를 확인하여 주십시오.");
const QString kSeveralPrinters = QStringLiteral(
    "프린터가 여러대 연결되어 있습니다.\r\n\r\n프린터 연결상태 또는 USB포트 정보를 확인하여 주십시오.");
} // namespace

bool UsbConnection::open(const PrinterAddress&) {
    const int printers = Find_SA4T_Printer();
    if (printers == 1)
        return true;
    core::currentOperator().showMessage(printers < 1 ? kCheckPrinterState : kSeveralPrinters);
    return false;
}

int UsbConnection::send(const QByteArray& data, SendWait) {
    return SA4T_Print(data, 0);
}

} // namespace printerlink
