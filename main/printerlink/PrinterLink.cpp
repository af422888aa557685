#include "main/printerlink/PrinterLink.h"

#include "main/core/FailureReport.h"
#include "main/core/Operator.h"
#include "main/printerlink/SerialConnection.h"
#include "main/printerlink/TcpConnection.h"
#include "main/settings/SettingsFiles.h"
#include "platform/Cp949.h"
#include "platform/RuntimeError.h"

namespace printerlink {

namespace {

const QString kCheckNetworkInfo =
    QStringLiteral("프린터를 연결할 수 없습니다.\r\n\r\n네트워크 연결정보를 확인하여 주십시오.");
const QString kEnterIpPort = QStringLiteral("프린터IP/PORT를 입력하여 주십시오.");

void show(const QString& text) {
    core::currentOperator().showMessage(text);
}

int kindOfSettingsChoice(int optConn) {
    return optConn == 0 ? 1 : optConn == 1 ? 2 : 3;
}

} // namespace

PrinterLink::PrinterLink(const settings::SetupData& setup, RunState& run) : m_run(&run) {
    const settings::SetupData* s = &setup;
    m_role.kind = [s] { return static_cast<int>(platform::toInt16(s->sConnKind)); };
    m_role.address = [s] {
        return PrinterAddress{s->sPrinterIP, s->sPrinterPort, s->nComPort < 1 ? 1 : s->nComPort};
    };
    m_role.refuseAddress = [](const PrinterAddress& a) {
        if (!a.host.isEmpty() && !a.port.isEmpty())
            return false;
        show(kCheckNetworkInfo);
        return true;
    };
    m_role.fastStatus = [s] { return s->fastStatus; };
    m_role.openFailed = [](const QString& text) {
        core::reportFailure(core::currentOperator(), QStringLiteral("fncRsOpen"), text);
    };
}

PrinterLink::PrinterLink(std::function<SettingsControls()> controls) {
    m_role.kind = [controls] { return kindOfSettingsChoice(controls().optConn); };
    m_role.address = [controls] {
        const SettingsControls c = controls();
        return PrinterAddress{c.txtIP.trimmed(), c.txtPort, c.CboPort + 1};
    };
    m_role.refuseAddress = [](const PrinterAddress& a) {
        const QString port = a.port.trimmed();
        bool numeric = false;
        const double portValue = port.toDouble(&numeric);
        if (!a.host.isEmpty() && !port.isEmpty() && !(numeric && portValue == 0))
            return false;
        show(kEnterIpPort);
        return true;
    };
    m_role.openFailed = [](const QString& text) { show(text); };
    m_role.fastStatus = [] { return false; };
    m_role.usbWriteMustSucceed = true;
}

PrinterLink::~PrinterLink() = default;

int PrinterLink::connKind() const {
    return m_role.kind();
}

PrinterConnection& PrinterLink::connectionOf(int kind) {
    std::unique_ptr<PrinterConnection>& c = m_connections[kind - 1];
    if (!c)
        c = makeConnection(kind, m_run);
    return *c;
}

bool PrinterLink::fncRsOpen() {
    try {
        // A kind that is none of the three would open the USB library and
        // then send nothing: the run would seem to work and print nothing.
        const int kind = connKind();
        if (kind < 1 || kind > 3)
            throw platform::RuntimeError(
                QStringLiteral("%1 값 %2은(는) 연결 방식 1(TCP/IP), 2(시리얼), 3(USB) 중 하나가 아닙니다. "
                               "설정창에서 연결 방식을 골라 저장하여 주십시오.")
                    .arg(settings::keyPlace(settings::kConnKind))
                    .arg(kind));
        const PrinterAddress address = m_role.address();
        PrinterConnection& c = connectionOf(kind);
        if (kind == 1) {
            // A socket is closed before it connects again.
            static_cast<TcpConnection&>(c).socket().abort();
            if (m_role.refuseAddress(address))
                return false;
        }
        return c.open(address);
    } catch (const std::exception& e) {
        m_role.openFailed(core::errorText(e));
        return false;
    }
}

void PrinterLink::fncRsSend(const QString& sData, SendWait wait) {
    fncRsSend(platform::toCp949(sData), wait);
}

void PrinterLink::fncRsSend(const QByteArray& sData, SendWait wait) {
    const int kind = connKind();
    if (kind < 1 || kind > 3)
        return; // any other kind sends nothing
    const int written = connectionOf(kind).send(sData, wait);
    if (kind == 3 && m_role.usbWriteMustSucceed && written < 0)
        throw platform::RuntimeError(QStringLiteral("USB 프린터로 자료를 보내지 못했습니다(오류 %1).\r\n"
                                                    "프린터 전원과 USB 케이블 연결을 확인하여 주십시오.")
                                         .arg(written));
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
    if (kind >= 1 && kind <= 3 && m_connections[kind - 1])
        m_connections[kind - 1]->close();
}

void PrinterLink::Winsock1_DataArrival(qint32 bytesTotal) {
    static_cast<TcpConnection&>(connectionOf(1)).dataArrival(bytesTotal);
}

void PrinterLink::Winsock1_Error(qint16 number, const QString& description) {
    static_cast<TcpConnection&>(connectionOf(1)).socketError(number, description);
}

QTcpSocket& PrinterLink::Winsock1() {
    return static_cast<TcpConnection&>(connectionOf(1)).socket();
}

platform::SerialLine& PrinterLink::MSComm1() {
    return static_cast<SerialConnection&>(connectionOf(2)).port();
}

} // namespace printerlink
