// The four configuration buttons against the virtual printer over each
// connection kind: the bytes the printer receives, the settings files written
// only after a successful send, the boxes the reset buttons fill, and what
// the operator is told.
#include "main/printerconfig/PrinterConfig.h"
#include "main/printerconfig/ConfigCommands.h"
#include "main/printerlink/PrinterLink.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "tests/support/FastClock.h"
#include "tests/support/PrinterSimProcess.h"
#include "tests/support/RecordingOperator.h"
#include "tests/support/TestSupport.h"
#include "tools/printer-sim/Links.h"
#include "tools/printer-sim/VirtualPrinter.h"

#include <QTcpServer>
#include <QtTest>

using namespace printerconfig;
using testsupport::PrinterSimProcess;
using testsupport::TempProgramDir;

namespace {

const QString kShippedRfid = QStringLiteral("{@RFID;IR:003,FR:00,AJ:+000100000000000|}");
const QString kShippedAdj = QStringLiteral("{@ADJ;0000,0000,0000,RBN,FW-03-02,0,0|}");
const QString kReset = QStringLiteral("\r\n\r\n태그발행기를 리셋합니다.");

// One workstation: a program directory with the shipped settings files, the
// window's connection controls, its boxes, and an operator that records.
struct Station {
    PrinterSimProcess sim; // started by startPrinter, capturing into `capture`
    QString capture;
    TempProgramDir dir;
    testsupport::RecordingOperator op;
    printerlink::SettingsControls controls;
    ValueBoxes boxes;
    printerlink::PrinterLink link{[this] { return controls; }};
    PrinterConfig config{link, boxes, op};
    Station() {
        core::setCurrentOperator(&op);
        testsupport::installSettingsTemplates(dir.path());
        config.loadTemplates();
    }
    ~Station() { core::setCurrentOperator(nullptr); }

    QString rfid(const char* key) const {
        return platform::readProfileText(dir.file("rfid_setup.ini"), "RFID_OPTION", QString::fromLatin1(key));
    }
    QString adjust(const char* key) const {
        return platform::readProfileText(dir.file("adjust_setup.ini"), "ADJUST_OPTION",
                                         QString::fromLatin1(key));
    }
    void fillRfid(const QString& issue, const QString& power, const QString& adj) {
        boxes.values["txtIssueRetry"] = issue;
        boxes.values["txtPowerLevel"] = power;
        boxes.values["txtAdjRetry"] = adj;
    }
};

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class PrinterConfigTest : public QObject {
    Q_OBJECT

    // The printer's 5-second waits and the 4-second reset pause, 20 times faster.
    testsupport::FastClock m_clock{20};
    QTemporaryDir m_work;

    // Starts the station's printer on the named kind, capturing into the work
    // folder's file `captureName`, and points the station's controls at it.
    bool startPrinter(Station& st, const QString& kind, const QString& captureName) {
        PrinterSimProcess& sim = st.sim;
        const QString capture = st.capture = m_work.filePath(captureName);
        if (kind == "tcp") {
            if (!sim.start({"--tcp", "0", "--capture", capture}))
                return false;
            st.controls = {0, sim.host(), QString::number(sim.port()), 0};
        } else if (kind == "serial") {
            if (!sim.start({"--serial", m_work.filePath("ttyPRN-" + QFileInfo(capture).baseName()),
                            "--capture", capture}))
                return false;
            // COM3 is the printer's line on this station.
            platform::WritePrivateProfileStringA("SERIAL_PORTS", QStringLiteral("COM3"), sim.path(),
                                                 st.dir.file("conn_setup.ini"));
            st.controls = {1, QString(), QString(), 2};
        } else {
            const QString usbDir = m_work.filePath("usb-" + QFileInfo(capture).baseName());
            QDir().mkpath(usbDir);
            if (!sim.start({"--usb", usbDir, "--capture", capture}))
                return false;
            qputenv("QUORVEL_DEVICE_DIR", usbDir.toLocal8Bit());
            QFile::copy(QDir(testsupport::binDir()).filePath("libQuorvel.so"), st.dir.file("libQuorvel.so"));
            st.controls = {2, QString(), QString(), 0};
        }
        return true;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_work.isValid());
        // Without the shipped templates every case would test an empty directory.
        TempProgramDir probe;
        QVERIFY2(testsupport::installSettingsTemplates(probe.path()),
                 "the templates of main/settings/install were not installed");
        platform::setClock(&m_clock);
    }
    void cleanupTestCase() { platform::setClock(nullptr); }

    void settingOverEachKind_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("TCP/IP") << "tcp";
        QTest::newRow("serial") << "serial";
        QTest::newRow("USB") << "usb";
    }
    void settingOverEachKind() {
        QFETCH(QString, kind);
        Station st;
        QVERIFY2(startPrinter(st, kind, "setting-" + kind + ".bin"), qPrintable(st.sim.error()));

        // RFID values and the ribbon adjustment, B-SA4TP
        st.boxes.printerModel = ModelSA4TP;
        st.fillRfid("5", "12", "3");
        QVERIFY(st.config.cmdSetting_Click());
        const QString rfidCmd = QStringLiteral("{@RFID;IR:005,FR:00,AJ:+030121100211110|}");
        QCOMPARE(st.op.messages, QStringList{"RFID환경을 설정하였습니다." + kReset});
        QCOMPARE(st.rfid("ISSUE_RETRY"), QStringLiteral("005"));
        QCOMPARE(st.rfid("POWER_LEVEL"), QStringLiteral("012"));
        QCOMPARE(st.rfid("ADJ_RETRY"), QStringLiteral("+03"));
        QCOMPARE(st.rfid("INIT_CMD"), rfidCmd);
        QVERIFY(!st.op.waitCursor);

        st.boxes.values["txtRbnAdj_FW"] = "5";
        st.boxes.values["txtRbnAdj_BK"] = "12";
        QVERIFY(st.config.cmdAdjSetting_Click());
        const QString adjCmd = QStringLiteral("{@ADJ;0000,0000,0000,RBN,FW-05-12,0,0|}");
        QCOMPARE(st.op.messages.last(), "ADJST환경을 설정하였습니다." + kReset);
        QCOMPARE(st.adjust("RBN_ADJ(FW)"), QStringLiteral("05"));
        QCOMPARE(st.adjust("RBN_ADJ(BK)"), QStringLiteral("12"));
        // The ribbon template itself is never rewritten.
        QCOMPARE(st.adjust("INIT_CMD"), kShippedAdj);

        // Each command is followed by the reset record, nothing else in between.
        const QByteArray expected = (rfidCmd + "{Z0|}" + adjCmd + "{Z0|}").toLatin1();
        QTRY_COMPARE_WITH_TIMEOUT(readFile(st.capture), expected, 10000);
        // The printer took every record.
        QVERIFY2(st.sim.standardError().isEmpty(), st.sim.standardError().constData());
        QVERIFY(st.op.waitCursorChanges >= 4);
    }

    void resetButtonsSendTheTemplates() {
        Station st;
        QVERIFY2(startPrinter(st, "tcp", "reset.bin"), qPrintable(st.sim.error()));
        st.fillRfid("255", "018", "+99");
        st.boxes.values["txtRbnAdj_FW"] = "15";
        st.boxes.values["txtRbnAdj_BK"] = "15";

        QVERIFY(st.config.cmdInit_Click());
        QCOMPARE(st.boxes.values["txtIssueRetry"], QStringLiteral("003"));
        QCOMPARE(st.boxes.values["txtPowerLevel"], QStringLiteral("010"));
        QCOMPARE(st.boxes.values["txtAdjRetry"], QStringLiteral("+00"));
        QCOMPARE(st.rfid("INIT_CMD"), kShippedRfid);
        QCOMPARE(st.op.messages.last(), "RFID설정을 초기화 하였습니다." + kReset);

        QVERIFY(st.config.cmdAdjInit_Click());
        QCOMPARE(st.boxes.values["txtRbnAdj_FW"], QStringLiteral("03"));
        QCOMPARE(st.boxes.values["txtRbnAdj_BK"], QStringLiteral("02"));
        QCOMPARE(st.adjust("RBN_ADJ(FW)"), QStringLiteral("03"));
        QCOMPARE(st.op.messages.last(), "ADJUST설정을 초기화 하였습니다." + kReset);

        QTRY_COMPARE_WITH_TIMEOUT(readFile(st.capture),
                                  (kShippedRfid + "{Z0|}" + kShippedAdj + "{Z0|}").toLatin1(), 10000);
    }

    void reopenedWindowResetsToLastCommand() {
        Station st;
        QVERIFY2(startPrinter(st, "tcp", "reopen.bin"), qPrintable(st.sim.error()));
        st.fillRfid("7", "9", "1");
        QVERIFY(st.config.cmdSetting_Click());
        const QString sent = st.rfid("INIT_CMD");
        QCOMPARE(sent, QStringLiteral("{@RFID;IR:007,FR:00,AJ:+010090000000000|}"));
        // This window keeps the template it loaded ...
        QCOMPARE(st.config.sRfidTemplate, kShippedRfid);

        // ... the next one loads the command last sent and resets to it.
        PrinterConfig reopened(st.link, st.boxes, st.op);
        reopened.loadTemplates();
        QVERIFY(reopened.cmdInit_Click());
        QCOMPARE(st.boxes.values["txtIssueRetry"], QStringLiteral("007"));
        QCOMPARE(st.boxes.values["txtPowerLevel"], QStringLiteral("009"));
        QCOMPARE(st.boxes.values["txtAdjRetry"], QStringLiteral("+01"));
        QTRY_COMPARE_WITH_TIMEOUT(readFile(st.capture), (sent + "{Z0|}" + sent + "{Z0|}").toLatin1(), 10000);
    }

    void printerKeepsWhatItWasSent() {
        // The printer in this process, so its kept settings can be asked.
        printersim::PrinterOptions options;
        printersim::VirtualPrinter printer(options);
        QString error;
        QVERIFY2(printer.prepare(&error), qPrintable(error));
        printersim::TcpLink tcp(&printer);
        QVERIFY2(tcp.listen("127.0.0.1", 0, &error), qPrintable(error));
        const QString endpoint = tcp.endpoint();

        Station st;
        st.controls = {0, endpoint.section(':', 0, 0), endpoint.section(':', 1), 0};
        st.fillRfid("4", "11", "2");
        QVERIFY(st.config.cmdSetting_Click());
        st.boxes.values["txtRbnAdj_FW"] = "6";
        st.boxes.values["txtRbnAdj_BK"] = "1";
        QVERIFY(st.config.cmdAdjSetting_Click());
        QTRY_COMPARE(printer.settings().summary(),
                     QStringLiteral("RFID IR 004 AJ +02 PW 011  RBN FW -06 BK -01"));
        QCOMPARE(printer.settings().rfidRecord, QByteArray("{@RFID;IR:004,FR:00,AJ:+020110000000000|}"));
    }

    void emptyBoxStopsBeforeSending() {
        Station st;
        QVERIFY2(startPrinter(st, "tcp", "empty.bin"), qPrintable(st.sim.error()));
        const QByteArray before = st.dir.read("rfid_setup.ini");

        st.fillRfid("5", "", "");
        QVERIFY(!st.config.cmdSetting_Click());
        QCOMPARE(st.op.messages, QStringList{"POWER LEVEL값을 입력하여 주십시오."});
        QCOMPARE(st.op.focusRequests, QStringList{"txtPowerLevel"});
        st.fillRfid("", "", "");
        QVERIFY(!st.config.cmdSetting_Click());
        QCOMPARE(st.op.messages.last(), QStringLiteral("ISSUE RETRY값을 입력하여 주십시오."));
        st.fillRfid("5", "12", "");
        QVERIFY(!st.config.cmdSetting_Click());
        QCOMPARE(st.op.focusRequests.last(), QStringLiteral("txtAdjRetry"));

        st.boxes.values["txtRbnAdj_FW"] = "";
        st.boxes.values["txtRbnAdj_BK"] = "3";
        QVERIFY(!st.config.cmdAdjSetting_Click());
        QCOMPARE(st.op.messages.last(), QStringLiteral("RBN ADJ(FW)값을 입력하여 주십시오."));
        st.boxes.values["txtRbnAdj_FW"] = "3";
        st.boxes.values["txtRbnAdj_BK"] = "";
        QVERIFY(!st.config.cmdAdjSetting_Click());
        QCOMPARE(st.op.messages.last(), QStringLiteral("RBN ADJ(BK)값을 입력하여 주십시오."));
        QCOMPARE(st.op.waitCursorChanges, 0);
        QCOMPARE(st.dir.read("rfid_setup.ini"), before);

        // A blank is content: the command goes out with it as typed.
        st.fillRfid(" ", "12", "3");
        QVERIFY(st.config.cmdSetting_Click());
        QTRY_VERIFY(readFile(st.capture).startsWith("{@RFID;IR: ,FR:00,AJ:+03012"));
        QCOMPARE(st.rfid("ISSUE_RETRY"), QString()); // a lone blank reads back as nothing
    }

    void failedOpenStoresNothing() {
        Station st;
        const QByteArray rfidBefore = st.dir.read("rfid_setup.ini");
        const QByteArray adjBefore = st.dir.read("adjust_setup.ini");
        st.fillRfid("5", "12", "3");
        st.boxes.values["txtRbnAdj_FW"] = "5";
        st.boxes.values["txtRbnAdj_BK"] = "12";

        // TCP/IP without an address, with port 0, and with nobody listening.
        st.controls = {0, QString(), "9100", 0};
        QVERIFY(!st.config.cmdSetting_Click());
        QCOMPARE(st.op.messages.last(), QStringLiteral("프린터IP/PORT를 입력하여 주십시오."));
        st.controls = {0, "127.0.0.1", " 0 ", 0};
        QVERIFY(!st.config.cmdAdjSetting_Click());
        QCOMPARE(st.op.messages.last(), QStringLiteral("프린터IP/PORT를 입력하여 주십시오."));
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const quint16 deadPort = closed.serverPort();
        closed.close();
        st.controls = {0, "127.0.0.1", QString::number(deadPort), 0};
        QVERIFY(!st.config.cmdInit_Click());
        QCOMPARE(
            st.op.messages.last(),
            QStringLiteral("프린터를 연결할 수 없습니다.\r\n\r\n네트워크 연결상태를 확인하여 주십시오."));

        // A serial port that does not exist: the error text alone.
        platform::WritePrivateProfileStringA("SERIAL_PORTS", QStringLiteral("COM2"),
                                             m_work.filePath("no-such-tty"), st.dir.file("conn_setup.ini"));
        st.controls = {1, QString(), QString(), 1};
        const int shown = st.op.messages.size();
        QVERIFY(!st.config.cmdAdjInit_Click());
        QCOMPARE(st.op.messages.size(), shown + 1);
        QVERIFY(!st.op.messages.last().contains("리셋"));

        // USB with no printer attached.
        const QString emptyUsb = m_work.filePath("usb-none");
        QDir().mkpath(emptyUsb);
        qputenv("QUORVEL_DEVICE_DIR", emptyUsb.toLocal8Bit());
        QFile::copy(QDir(testsupport::binDir()).filePath("libQuorvel.so"), st.dir.file("libQuorvel.so"));
        st.controls = {2, QString(), QString(), 0};
        QVERIFY(!st.config.cmdSetting_Click());
        QCOMPARE(st.op.messages.last(),
                 QStringLiteral("프린터를 연결할 수 없습니다.\r\n\r\n프린터 연결상태를 확인하여 주십시오."));

        // A USB printer that takes no bytes (a device that is always full):
        // the library reports the short write, so nothing counts as set.
        if (QFileInfo(QStringLiteral("/dev/full")).exists()) {
            const QString fullUsb = m_work.filePath("usb-full");
            QDir().mkpath(fullUsb);
            QVERIFY(QFile::link(QStringLiteral("/dev/full"), fullUsb + QStringLiteral("/lp0")));
            qputenv("QUORVEL_DEVICE_DIR", fullUsb.toLocal8Bit());
            QVERIFY(!st.config.cmdSetting_Click());
            QVERIFY2(st.op.messages.last().contains(
                         QStringLiteral("USB 프린터로 자료를 보내지 못했습니다(오류 -6)")),
                     qPrintable(st.op.messages.last()));
            QVERIFY(!st.op.messages.last().contains("리셋"));
        }

        QCOMPARE(st.dir.read("rfid_setup.ini"), rfidBefore);
        QCOMPARE(st.dir.read("adjust_setup.ini"), adjBefore);
        QVERIFY(!st.op.waitCursor);
        // The reset buttons leave the boxes alone when nothing was sent.
        QCOMPARE(st.boxes.values["txtIssueRetry"], QStringLiteral("5"));
        QCOMPARE(st.boxes.values["txtRbnAdj_FW"], QStringLiteral("5"));
    }
};

QTEST_MAIN(PrinterConfigTest)
#include "PrinterConfigTest.moc"
