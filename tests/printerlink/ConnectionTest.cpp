// Opening, sending on and closing the printer connection of the main window
// and of the settings window, over TCP, serial and USB, and the socket's
// data and error events.
#include "main/core/Operator.h"
#include "main/printerlink/PrinterLink.h"
#include "main/printerlink/SerialPorts.h"
#include "main/settings/SetupData.h"
#include "platform/RuntimeError.h"
#include "tests/support/PrinterKit.h"

#include <QElapsedTimer>

#include <QTcpServer>
#include <QTest>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace testsupport;
using printerlink::PrinterLink;
using printerlink::RunState;
using printerlink::SendWait;

namespace {
const QString kCheckInfo =
    QStringLiteral("프린터를 연결할 수 없습니다.\r\n\r\n네트워크 연결정보를 확인하여 주십시오.");
const QString kCheckState =
    QStringLiteral("프린터를 연결할 수 없습니다.\r\n\r\n네트워크 연결상태를 확인하여 주십시오.");
const QString kNoUsb =
    QStringLiteral("프린터를 연결할 수 없습니다.\r\n\r\n프린터 연결상태를 확인하여 주십시오.");
const QString kSeveralUsb = QStringLiteral(
    "프린터가 여러대 연결되어 있습니다.\r\n\r\n프린터 연결상태 또는 USB포트 정보를 확인하여 주십시오.");
const QString kEnterIpPort = QStringLiteral("프린터IP/PORT를 입력하여 주십시오.");

// Sending on a connection that is not open is a run-time error.
bool sendFails(PrinterLink& link) {
    try {
        link.fncRsSend(QByteArray("{WS|}"), SendWait::Bounded);
    } catch (const platform::RuntimeError&) {
        return true;
    }
    return false;
}

// A listening socket that accepts nothing: with its queue filled by one
// connection, further connection requests get no answer at all.
class DeafListener {
public:
    DeafListener() {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(m_listener, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(m_listener, 0) != 0 ||
            ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        m_filler = ::socket(AF_INET, SOCK_STREAM, 0);
        if (::connect(m_filler, reinterpret_cast<sockaddr*>(&a), len) == 0)
            m_port = ntohs(a.sin_port);
    }
    ~DeafListener() {
        ::close(m_filler);
        ::close(m_listener);
    }
    quint16 port() const { return m_port; }

private:
    int m_listener = -1;
    int m_filler = -1;
    quint16 m_port = 0;
};

} // namespace

class ConnectionTest : public testsupport::ScopedTestCase {
    Q_OBJECT

private slots:
    // Runs first: the library is bound on its first successful call and
    // stays bound for the rest of the process.
    void missingUsbLibrary() {
        settings::SetupData setup;
        setup.sConnKind = QStringLiteral("3");
        RunState run;
        PrinterLink link(setup, run);
        QVERIFY(!link.fncRsOpen());
        QCOMPARE(m_t->op.messages, QStringList{QStringLiteral("[fncRsOpen][File not found: Quorvel]")});
        QCOMPARE(logLines(m_t->dir, "detail_error.log"),
                 QStringList{QStringLiteral("[fncRsOpen][File not found: Quorvel]")});
    }

    void tcpSettingsMissing() {
        settings::SetupData setup;
        setup.sConnKind = QStringLiteral("1");
        setup.sPrinterIP = QStringLiteral("127.0.0.1");
        RunState run;
        PrinterLink link(setup, run);
        QVERIFY(!link.fncRsOpen());
        setup.sPrinterIP.clear();
        setup.sPrinterPort = QStringLiteral("9100");
        QVERIFY(!link.fncRsOpen());
        QCOMPARE(m_t->op.messages, (QStringList{kCheckInfo, kCheckInfo}));
        QCOMPARE(link.Winsock1().state(), QAbstractSocket::UnconnectedState);
    }

    void tcpNoAnswer() {
        FastClockScope fast(10);
        settings::SetupData setup;
        setup.sConnKind = QStringLiteral("1");
        // A refused connection raises the socket's error event, which logs
        // and closes; the open still waits its full time.
        setup.sPrinterIP = QStringLiteral("127.0.0.1");
        setup.sPrinterPort = QString::number(testsupport::deadPort());
        RunState run;
        run.sRecvData = "stale";
        PrinterLink link(setup, run);
        QElapsedTimer t;
        t.start();
        QVERIFY(!link.fncRsOpen());
        QVERIFY2(t.elapsed() >= 350 && t.elapsed() < 1500, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(m_t->op.messages, QStringList{kCheckState});
        QCOMPARE(logLines(m_t->dir, "error.log"),
                 QStringList{QStringLiteral("Error Code:10061 is Connection refused")});
        QCOMPARE(run.sWinsockErr, QStringLiteral("Error Code:10061 is Connection refused"));
        QVERIFY(run.sRecvData.isEmpty());

        // A host that never answers: a listener whose queue is full takes
        // no more connections and leaves them unanswered.
        m_t->op.messages.clear();
        DeafListener deaf;
        QVERIFY(deaf.port() != 0);
        setup.sPrinterPort = QString::number(deaf.port());
        t.restart();
        QVERIFY(!link.fncRsOpen());
        QVERIFY(t.elapsed() < 1500);
        QCOMPARE(m_t->op.messages, QStringList{kCheckState});

        // A port that is no number: the open names the setting and its value.
        m_t->op.messages.clear();
        setup.sPrinterPort = QStringLiteral("91x");
        QVERIFY(!link.fncRsOpen());
        QCOMPARE(m_t->op.messages.size(), 1);
        QVERIFY2(m_t->op.messages[0].startsWith(QStringLiteral("[fncRsOpen][")) &&
                     m_t->op.messages[0].contains(QStringLiteral("conn_setup.ini 파일의 [CONNECT_INFO] 섹션 "
                                                                 "PRINTER_PORT 값 \"91x\"")),
                 qPrintable(m_t->op.messages[0]));
    }

    void tcpSendReceiveAndError() {
        Printer printer;
        QVERIFY2(printer.start(Link::Tcp), qPrintable(printer.error()));
        const settings::SetupData setup = printer.setup();
        RunState run;
        PrinterLink link(setup, run);
        QVERIFY(link.fncRsOpen());
        QVERIFY(m_t->op.messages.isEmpty());

        // Records go out one write each, as they are.
        link.fncRsSend(QByteArrayLiteral("{C|}"), SendWait::Bounded);
        link.fncRsSend(QStringLiteral("{RC002;가|}"), SendWait::Unbounded);
        QCOMPARE(printer.captureOf(14), QByteArrayLiteral("{C|}{RC002;\xB0\xA1|}"));

        // Data a reader has not taken yet is kept; new data is appended.
        run.sRecvData = "unread";
        link.fncRsSend(QByteArrayLiteral("{WS|}"), SendWait::Bounded);
        QElapsedTimer t;
        t.start();
        while (run.sRecvData.size() < 6 + 13 && t.elapsed() < 3000)
            platform::clock().pumpEvents();
        QCOMPARE(run.sRecvData.left(8), QByteArrayLiteral("unread\x01\x02"));
        QCOMPARE(run.sRecvData.size(), 6 + 13);
        QCOMPARE(logLines(m_t->dir, "error.log").last(), QString::fromLatin1(run.sRecvData.mid(6)));

        // The error event logs, closes the connection and empties the buffer.
        link.Winsock1_Error(10053, QStringLiteral("Connection is aborted due to timeout or other failure"));
        QCOMPARE(link.Winsock1().state(), QAbstractSocket::UnconnectedState);
        QVERIFY(run.sRecvData.isEmpty());
        QCOMPARE(logLines(m_t->dir, "error.log").last(),
                 QStringLiteral("Error Code:10053 is Connection is aborted due to timeout or other failure"));
        // Sending on the closed socket is a run-time error for the caller.
        QVERIFY(sendFails(link));
        // Closing what is closed does nothing.
        link.fncRsClose();
        QVERIFY(m_t->op.messages.isEmpty());

        // Opening again connects anew.
        QVERIFY(link.fncRsOpen());
        link.fncRsClose();
        QCOMPARE(link.Winsock1().state(), QAbstractSocket::UnconnectedState);
    }

    void serialPortNumbers() {
        QCOMPARE(printerlink::serialDevicePath(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(printerlink::serialDevicePath(9), QStringLiteral("/dev/ttyS8"));
        m_t->dir.writeText("conn_setup.ini", "[SERIAL_PORTS]\r\nCOM2 = /dev/ttyUSB0\r\n");
        QCOMPARE(printerlink::serialDevicePath(2), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(printerlink::serialDevicePath(3), QStringLiteral("/dev/ttyS2"));
    }

    void serialFromSettingsFiles() {
        Printer printer;
        QVERIFY2(printer.start(Link::Serial), qPrintable(printer.error()));
        // COM_PORT stored as 0 opens port 1, which the settings point at the
        // virtual printer's line.
        m_t->dir.writeText("setup.ini", "[PRINTER_INFO]\r\nCOM_PORT=0\r\n");
        m_t->dir.writeText("conn_setup.ini",
                           QStringLiteral("[CONNECT_INFO]\r\nCONN_KIND=2\r\n[SERIAL_PORTS]\r\nCOM1=") +
                               printer.path() + "\r\n");
        settings::SetupData setup;
        settings::MainSelections selections;
        settings::GetSetupData(setup, selections, m_t->op);
        QCOMPARE(setup.nComPort, qint16(1));
        RunState run;
        PrinterLink link(setup, run);
        QVERIFY(link.fncRsOpen());
        QVERIFY(link.MSComm1().isOpen());
        QCOMPARE(link.MSComm1().baudRate(), 9600);
        link.fncRsSend(QByteArrayLiteral("{Z0|}"), SendWait::Unbounded);
        QCOMPARE(printer.captureOf(5), QByteArrayLiteral("{Z0|}"));

        // The run's port stays open; a second open is a run-time error.
        QVERIFY(!link.fncRsOpen());
        QCOMPARE(m_t->op.messages, QStringList{QStringLiteral("[fncRsOpen][Port already open]")});
        link.fncRsClose();
        QVERIFY(!link.MSComm1().isOpen());
        QVERIFY(sendFails(link));

        // A port number that names no device.
        m_t->op.messages.clear();
        m_t->dir.writeText("conn_setup.ini", "[SERIAL_PORTS]\r\nCOM1=/nonexistent/tty\r\n");
        QVERIFY(!link.fncRsOpen());
        QCOMPARE(m_t->op.messages, QStringList{QStringLiteral("[fncRsOpen][Invalid port number]")});
    }

    void usbPrinters() {
        QVERIFY(installQuorvel(m_t->dir));
        QTemporaryDir devices;
        qputenv("QUORVEL_DEVICE_DIR", QFile::encodeName(devices.path()));
        settings::SetupData setup;
        setup.sConnKind = QStringLiteral("3");
        RunState run;
        PrinterLink link(setup, run);
        QVERIFY(!link.fncRsOpen());
        QCOMPARE(m_t->op.messages, QStringList{kNoUsb});

        Printer first;
        QVERIFY2(first.start(Link::Usb, {}, {}, devices.path()), qPrintable(first.error()));
        // A kind that is none of the three is refused by name: it would
        // open USB and then send nothing.
        setup.sConnKind = QStringLiteral("4");
        m_t->op.messages.clear();
        QVERIFY(!link.fncRsOpen());
        QCOMPARE(m_t->op.messages.size(), 1);
        QVERIFY2(m_t->op.messages[0].contains(QStringLiteral("[CONNECT_INFO] 섹션 CONN_KIND 값 4")),
                 qPrintable(m_t->op.messages[0]));
        m_t->op.messages.clear();
        setup.sConnKind = QStringLiteral("3");
        QVERIFY(link.fncRsOpen());
        link.fncRsSend(QByteArrayLiteral("{Z0|}"), SendWait::Bounded);
        // The printer takes in what was written once it is asked for its status.
        QVERIFY(link.CheckPrint(1));
        QCOMPARE(first.captureOf(10).left(10), QByteArrayLiteral("{Z0|}{WS|}"));

        Printer second;
        QVERIFY2(second.start(Link::Usb, {}, {}, devices.path()), qPrintable(second.error()));
        QVERIFY(!link.fncRsOpen());
        QCOMPARE(m_t->op.messages, QStringList{kSeveralUsb});
    }

    void settingsWindowConnection() {
        Printer printer;
        QVERIFY2(printer.start(Link::Tcp), qPrintable(printer.error()));
        printerlink::SettingsControls controls;
        controls.optConn = 0;
        PrinterLink link([&] { return controls; });
        QVERIFY(link.isSettingsWindow());

        const QList<QPair<QString, QString>> refused = {
            {QStringLiteral(" "), QString::number(printer.port())},
            {printer.host(), QString()},
            {printer.host(), QStringLiteral(" 0 ")},
        };
        for (const auto& [ip, port] : refused) {
            controls.txtIP = ip;
            controls.txtPort = port;
            m_t->op.messages.clear();
            QVERIFY(!link.fncRsOpen());
            QCOMPARE(m_t->op.messages, QStringList{kEnterIpPort});
        }
        // A port that is no number: the error text alone (naming the
        // setting the box saves to), nothing logged.
        controls.txtPort = QStringLiteral("abc");
        m_t->op.messages.clear();
        QVERIFY(!link.fncRsOpen());
        QCOMPARE(m_t->op.messages.size(), 1);
        QVERIFY(m_t->op.messages[0].contains(QStringLiteral("PRINTER_PORT 값 \"abc\"")));
        QVERIFY(logLines(m_t->dir, "detail_error.log").isEmpty());

        // Blanks around the port number are accepted.
        controls.txtPort = QStringLiteral(" %1 ").arg(printer.port());
        m_t->op.messages.clear();
        QVERIFY(link.fncRsOpen());
        link.fncRsSend(QStringLiteral("{Z0|}"), SendWait::Unbounded);
        QCOMPARE(printer.captureOf(5), QByteArrayLiteral("{Z0|}"));
        link.fncRsClose();
        QCOMPARE(link.Winsock1().state(), QAbstractSocket::UnconnectedState);

        // Serial: the list index picks the port.
        Printer serial;
        QVERIFY2(serial.start(Link::Serial), qPrintable(serial.error()));
        m_t->dir.writeText("conn_setup.ini",
                           QStringLiteral("[SERIAL_PORTS]\r\nCOM3=") + serial.path() + "\r\n");
        controls.optConn = 1;
        controls.CboPort = 2;
        QVERIFY(link.fncRsOpen());
        link.fncRsSend(QStringLiteral("{Z0|}"), SendWait::Unbounded);
        QCOMPARE(serial.captureOf(5), QByteArrayLiteral("{Z0|}"));
        link.fncRsClose();
        QVERIFY(!link.MSComm1().isOpen());
        QVERIFY(m_t->op.messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(ConnectionTest)
#include "ConnectionTest.moc"
