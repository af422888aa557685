// The settings window on the offscreen platform: loading without the
// defaults rule, the defaults rule for every list and every reflective-sensor
// row, the combination check, storing, the connection controls and hidden
// switches, select-all on focus, and one printer button end to end.
#include "main/shell/settings/SetupWindow.h"
#include "main/settings/SetupValues.h"
#include "platform/Clock.h"
#include "platform/Profile.h"
#include "tests/support/FastClock.h"
#include "tests/support/PrinterSimProcess.h"
#include "tests/support/RecordingOperator.h"
#include "tests/support/TestSupport.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using settings::Setup;
using testsupport::TempProgramDir;

namespace {

// Indexes of the lists as the window shows them.
enum { SX5T = 0, SA4TP = 1 };
enum { Short = 0, Long = 1 };
enum { Transmissive = 0, Reflective = 1 };
enum { Samsung = 0, Lusem = 1, UrTech = 2, RfLink = 3 };
enum { LabelType = 0, HangTag = 1 };

const char* const kSuggested[] = {"txtLabelH",     "txtFeeding",  "txtPrtY",
                                  "txtPowerLevel", "txtAdjRetry", "txtDensity"};

// A program directory with the shipped files and a complete set of stored
// settings, the working directory moved into it (the long-pitch list is
// looked up there), and an operator that records.
struct Workstation {
    TempProgramDir dir;
    testsupport::RecordingOperator op;
    QString previousCwd = QDir::currentPath();

    Workstation() {
        core::setCurrentOperator(&op);
        testsupport::installSettingsTemplates(dir.path());
        QDir::setCurrent(dir.path());
        settings::gSettingsChanged = false;
        dir.writeText("setup.ini",
                      "[PRINT_OPTION]\r\nTOT_HEIGHT= 0510\r\nLABEL_HEIGHT=777\r\nLABEL_WIDTH=940\r\n"
                      "X=12\r\nY=34\r\nDENSITY=-3\r\nFEEDING=0130\r\nSENSOR_TYPE=2\r\n"
                      "[PRINTER_INFO]\r\nSERIAL_NO=9Z0001\r\nCOM_PORT=4\r\n[TAG]\r\nTAG_KIND=2\r\n");
        dir.writeText("tag_type.ini", "[TAG_OPTION]\r\nTAG_TYPE=1\r\n");
        dir.writeText("printer_type.ini", "[PRINTER_LIST]\r\nPRINTER_TYPE=1\r\n");
        dir.writeText("db_setup.ini", "[ETC]\r\nNOTICE=자산은 소중히\r\n[DB_INFO]\r\nDATABASE=ASSETDB\r\n"
                                      "USER=rfid\r\nPASSWORD=secret\r\n");
        dir.writeText("conn_setup.ini",
                      "[CONNECT_INFO]\r\nCONN_KIND=1\r\nPRINTER_IP=10.1.2.3\r\nPRINTER_PORT=9100\r\n");
        dir.writeText("log_setup.ini", "[LOG]\r\nDETAIL_LOG=2\r\n");
        dir.writeText("pitch_setup.ini", "[PITCH_OPTION]\r\nPITCH=2\r\n");
    }
    ~Workstation() {
        QDir::setCurrent(previousCwd);
        core::setCurrentOperator(nullptr);
    }
    QString read(const char* file, const char* section, const char* key) const {
        return platform::readProfileText(dir.file(QString::fromLatin1(file)), QString::fromLatin1(section),
                                         QString::fromLatin1(key));
    }
    // Every settings file, to tell whether anything was stored.
    QByteArray snapshot() const {
        QByteArray all;
        for (const char* f :
             {"setup.ini", "tag_type.ini", "printer_type.ini", "db_setup.ini", "conn_setup.ini",
              "log_setup.ini", "pitch_setup.ini", "rfid_setup.ini", "adjust_setup.ini"})
            all += dir.read(QString::fromLatin1(f)) + '\0';
        return all;
    }
};

template <typename T> T* control(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}
QComboBox* list(QWidget& w, const char* name) {
    return control<QComboBox>(w, name);
}
QLineEdit* box(QWidget& w, const char* name) {
    return control<QLineEdit>(w, name);
}
QRadioButton* option(QWidget& w, const char* name) {
    return control<QRadioButton>(w, name);
}

} // namespace

class SetupWindowTest : public QObject {
    Q_OBJECT
    testsupport::FastClock m_clock{20};

private Q_SLOTS:
    void initTestCase() { platform::setClock(&m_clock); }
    void cleanupTestCase() { platform::setClock(nullptr); }

    void framesHoldTheirControls() {
        Workstation ws;
        Setup w;
        QCOMPARE(w.windowTitle(), QStringLiteral("환경설정"));
        const auto frame = [&](const char* c) {
            auto* f = qobject_cast<QGroupBox*>(control<QWidget>(w, c)->parentWidget());
            return f ? f->title() : QString();
        };
        QCOMPARE(frame("optConn_2"), QStringLiteral("프린터연결"));
        QCOMPARE(frame("OptLog_1"), QStringLiteral("Log출력여부"));
        for (const char* c :
             {"txtIssueRetry", "txtPowerLevel", "txtAdjRetry", "cmdSetting", "cmdInit", "lblIPEable"})
            QCOMPARE(frame(c), QStringLiteral("RFID설정"));
        for (const char* c : {"txtRbnAdj_FW", "txtRbnAdj_BK", "cmdAdjSetting", "cmdAdjInit", "lblIPDisable"})
            QCOMPARE(frame(c), QStringLiteral("ADJUST설정"));
        // The hidden switches show nothing.
        QVERIFY(control<QLabel>(w, "lblIPDisable")->text().isEmpty());
        QVERIFY(control<QLabel>(w, "lblIPEable")->text().isEmpty());
    }

    void loadingKeepsStoredValues() {
        Workstation ws;
        Setup w;
        w.Form_Load();
        QVERIFY(ws.op.messages.isEmpty());
        QVERIFY(!w.loading());
        // Reflective sensor, B-SX5T, long pitch, 루셈 label type: the rule would
        // have put 480 and 0060 here.
        QCOMPARE(box(w, "txtLabelH")->text(), QStringLiteral("777"));
        QCOMPARE(box(w, "txtFeeding")->text(), QStringLiteral("0130"));
        QCOMPARE(box(w, "txtTotH")->text(), QStringLiteral("510"));
        QCOMPARE(box(w, "txtDensity")->text(), QStringLiteral("-3"));
        QCOMPARE(box(w, "txtNotice")->text(), QStringLiteral("자산은 소중히"));
        QCOMPARE(list(w, "CboPort")->currentIndex(), 3);
        QCOMPARE(list(w, "CboTag")->currentIndex(), Lusem);
        QCOMPARE(list(w, "cboSensor")->currentIndex(), Reflective);
        QCOMPARE(list(w, "cboPitch")->currentIndex(), Long);
        QVERIFY(option(w, "optConn_0")->isChecked());
        QVERIFY(option(w, "OptLog_1")->isChecked());
        QCOMPARE(box(w, "txtIssueRetry")->text(), QStringLiteral("003"));
        QCOMPARE(box(w, "txtAdjRetry")->text(), QStringLiteral("+00"));
        QCOMPARE(box(w, "txtRbnAdj_FW")->text(), QStringLiteral("03"));
        QCOMPARE(w.config().sRfidTemplate, QStringLiteral("{@RFID;IR:003,FR:00,AJ:+000100000000000|}"));
        QCOMPARE(w.config().sAdjTemplate, QStringLiteral("{@ADJ;0000,0000,0000,RBN,FW-03-02,0,0|}"));
        // Enabling after loading: TCP/IP with the B-SX5T.
        QVERIFY(box(w, "txtIP")->isEnabled());
        QVERIFY(!list(w, "CboPort")->isEnabled());
        QVERIFY(list(w, "cboPitch")->isEnabled());
        QVERIFY(option(w, "optConn_1")->isEnabled());
        QVERIFY(!option(w, "optConn_2")->isEnabled());
    }

    void previewFollowsTheBoxes() {
        Workstation ws;
        Setup w;
        w.Form_Load();
        const QSize loaded = w.labelPreview().pixmap().size();
        QVERIFY(!loaded.isEmpty());
        // A narrower label draws a narrower picture; nothing is stored.
        box(w, "txtLabelW")->setText(QStringLiteral("600"));
        QTRY_VERIFY(w.labelPreview().pixmap().width() < loaded.width());
        QCOMPARE(ws.read("setup.ini", "PRINT_OPTION", "LABEL_WIDTH"), QStringLiteral("940"));
        // A size that is no number shows a hint instead of a label.
        box(w, "txtTotH")->setText(QStringLiteral("5x"));
        QTRY_VERIFY(w.labelPreview().pixmap().isNull());
        QVERIFY(!w.labelPreview().text().isEmpty());
        QVERIFY(ws.op.messages.isEmpty());
    }

    void loadingB_SA4TPOverUsb() {
        Workstation ws;
        ws.dir.writeText("printer_type.ini", "[PRINTER_LIST]\r\nPRINTER_TYPE=2\r\n");
        ws.dir.writeText("conn_setup.ini", "[CONNECT_INFO]\r\nCONN_KIND=7\r\n");
        Setup w;
        w.Form_Load();
        QVERIFY(option(w, "optConn_2")->isChecked());
        QVERIFY(!box(w, "txtIP")->isEnabled());
        QVERIFY(!box(w, "txtPort")->isEnabled());
        QVERIFY(!list(w, "CboPort")->isEnabled());
        QVERIFY(!list(w, "cboPitch")->isEnabled());
        QVERIFY(!option(w, "optConn_1")->isEnabled());
        QVERIFY(option(w, "optConn_2")->isEnabled());
        // Loading put a long pitch into a B-SA4TP window without jumping back.
        QCOMPARE(list(w, "cboPitch")->currentIndex(), Long);
    }

    void loadingStopsAtBadValue() {
        Workstation ws;
        ws.dir.writeText("setup.ini",
                         "[PRINT_OPTION]\r\nTOT_HEIGHT=510\r\nLABEL_HEIGHT=480\r\nSENSOR_TYPE=2\r\n"
                         "[PRINTER_INFO]\r\nCOM_PORT=12\r\n");
        Setup w;
        w.Form_Load();
        QCOMPARE(ws.op.messages.size(), 1);
        QVERIFY(!w.loading());
        QCOMPARE(box(w, "txtLabelH")->text(), QStringLiteral("480"));
        // The sensor comes after the port and stays unselected.
        QCOMPARE(list(w, "cboSensor")->currentIndex(), -1);
        // The other files still load, and the defaults rule works again.
        QCOMPARE(box(w, "txtIssueRetry")->text(), QStringLiteral("003"));
        list(w, "cboSensor")->setCurrentIndex(Transmissive);
        QCOMPARE(box(w, "txtLabelH")->text(), QStringLiteral("320"));
    }

    void transmissiveValuesWhateverTheLists_data() {
        QTest::addColumn<int>("printer");
        QTest::addColumn<int>("pitch");
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("type");
        QTest::newRow("B-SX5T long UR-TECH hang tag")
            << int(SX5T) << int(Long) << int(UrTech) << int(HangTag);
        QTest::newRow("B-SA4TP long RF링크") << int(SA4TP) << int(Long) << int(RfLink) << int(LabelType);
        QTest::newRow("B-SX5T short 삼성테크윈") << int(SX5T) << int(Short) << int(Samsung) << int(LabelType);
    }
    void transmissiveValuesWhateverTheLists() {
        QFETCH(int, printer);
        QFETCH(int, pitch);
        QFETCH(int, tag);
        QFETCH(int, type);
        Workstation ws;
        // The lists as stored, reflective sensor; loading runs no rule.
        ws.dir.writeText(
            "setup.ini",
            QStringLiteral("[PRINT_OPTION]\r\nSENSOR_TYPE=2\r\n[TAG]\r\nTAG_KIND=%1\r\n").arg(tag + 1));
        ws.dir.writeText("printer_type.ini",
                         QStringLiteral("[PRINTER_LIST]\r\nPRINTER_TYPE=%1\r\n").arg(printer + 1));
        ws.dir.writeText("pitch_setup.ini", QStringLiteral("[PITCH_OPTION]\r\nPITCH=%1\r\n").arg(pitch + 1));
        ws.dir.writeText("tag_type.ini", QStringLiteral("[TAG_OPTION]\r\nTAG_TYPE=%1\r\n").arg(type + 1));
        Setup w;
        w.Form_Load();
        QCOMPARE(list(w, "CboTag")->currentIndex(), tag);
        QCOMPARE(list(w, "cboPitch")->currentIndex(), pitch);
        for (const char* b : kSuggested)
            box(w, b)->setText("x");
        list(w, "cboSensor")->setCurrentIndex(Transmissive);
        QCOMPARE(box(w, "txtLabelH")->text(), QStringLiteral("320"));
        QCOMPARE(box(w, "txtFeeding")->text(), QStringLiteral("0200"));
        QCOMPARE(box(w, "txtPrtY")->text(), QStringLiteral("0"));
        QCOMPARE(box(w, "txtPowerLevel")->text(), QStringLiteral("010"));
        QVERIFY(ws.op.messages.isEmpty());
        // Pitch stays as chosen: only the reflective sensor knows short-only printers.
        QCOMPARE(list(w, "cboPitch")->currentIndex(), pitch);
    }

    void b_SA4TPLongJumpsBackToShort() {
        Workstation ws;
        Setup w;
        w.Form_Load();
        list(w, "CboTag")->setCurrentIndex(Samsung);
        list(w, "CboType")->setCurrentIndex(HangTag);
        list(w, "cboPitch")->setCurrentIndex(Short);
        list(w, "CboPType")->setCurrentIndex(SA4TP);
        QVERIFY(!list(w, "cboPitch")->isEnabled());
        for (const char* b : kSuggested)
            box(w, b)->setText("x");
        list(w, "cboPitch")->setCurrentIndex(Long);
        QCOMPARE(list(w, "cboPitch")->currentIndex(), Short);
        QCOMPARE(box(w, "txtLabelH")->text(), QStringLiteral("480"));
        QCOMPARE(box(w, "txtFeeding")->text(), QStringLiteral("0030"));
        QCOMPARE(box(w, "txtPrtY")->text(), QStringLiteral("150"));
        QCOMPARE(box(w, "txtPowerLevel")->text(), QStringLiteral("013"));
        QCOMPARE(box(w, "txtAdjRetry")->text(), QStringLiteral("+03"));
        QCOMPARE(box(w, "txtDensity")->text(), QStringLiteral("0"));
    }

    void printerChangeMovesConnection() {
        Workstation ws;
        ws.dir.writeText("conn_setup.ini", "[CONNECT_INFO]\r\nCONN_KIND=3\r\n");
        ws.dir.writeText("printer_type.ini", "[PRINTER_LIST]\r\nPRINTER_TYPE=2\r\n");
        Setup w;
        w.Form_Load();
        QVERIFY(option(w, "optConn_2")->isChecked());
        list(w, "CboPType")->setCurrentIndex(SX5T);
        QVERIFY(option(w, "optConn_1")->isChecked());
        QVERIFY(!option(w, "optConn_2")->isEnabled());
        QVERIFY(list(w, "CboPort")->isEnabled()); // switched on by the rule, enabled as if clicked
        QVERIFY(list(w, "cboPitch")->isEnabled());
        list(w, "CboPType")->setCurrentIndex(SA4TP);
        QVERIFY(option(w, "optConn_2")->isChecked());
        QVERIFY(!option(w, "optConn_1")->isEnabled());
        QVERIFY(!list(w, "CboPort")->isEnabled());
        // TCP/IP stays chosen with either printer.
        option(w, "optConn_0")->setChecked(true);
        list(w, "CboPType")->setCurrentIndex(SX5T);
        QVERIFY(option(w, "optConn_0")->isChecked());
        list(w, "CboPType")->setCurrentIndex(SA4TP);
        QVERIFY(option(w, "optConn_0")->isChecked());
        QVERIFY(box(w, "txtIP")->isEnabled());
    }

    void reflectiveTable_data() {
        QTest::addColumn<int>("printer");
        QTest::addColumn<int>("pitch");
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("type");
        // labelH, feeding, prtY, powerLevel, adjRetry, density; "x" unchanged
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("message");
        const QString none;
        const QString urNo = QStringLiteral("UR-TECH의 고리형Tag Type은 존재하지 않습니다.");
        const QString rfNo = QStringLiteral("RF링크의 고리형Tag Type은 지원되지 않습니다.");
        const QString urUnsupported = QStringLiteral("UR-TECH의 고리형Tag Type은 지원되지 않습니다.");
        const QStringList unchanged{"x", "x", "x", "x", "x", "x"};
        auto row = [](const char* name, int p, int pi, int t, int ty, QStringList v, QString m) {
            QTest::newRow(name) << p << pi << t << ty << v << m;
        };
        row("SX5T long 삼성 label", SX5T, Long, Samsung, LabelType, {"480", "0060", "40", "010", "x", "x"},
            none);
        row("SX5T long 삼성 hang", SX5T, Long, Samsung, HangTag, {"480", "0200", "125", "012", "x", "x"},
            none);
        row("SX5T long 루셈 label", SX5T, Long, Lusem, LabelType, {"480", "0060", "40", "010", "x", "x"},
            none);
        row("SX5T long 루셈 hang", SX5T, Long, Lusem, HangTag, {"480", "0110", "125", "014", "x", "x"}, none);
        row("SX5T long UR label", SX5T, Long, UrTech, LabelType, {"500", "0030", "40", "010", "x", "x"},
            none);
        row("SX5T long UR hang", SX5T, Long, UrTech, HangTag, unchanged, urNo);
        row("SX5T long RF label", SX5T, Long, RfLink, LabelType, {"480", "0120", "40", "010", "x", "x"},
            none);
        row("SX5T long RF hang", SX5T, Long, RfLink, HangTag, unchanged, rfNo);
        row("SX5T short 삼성 label", SX5T, Short, Samsung, LabelType,
            {"480", "0110", "40", "010", "+00", "x"}, none);
        row("SX5T short 삼성 hang", SX5T, Short, Samsung, HangTag, {"480", "0070", "125", "012", "+00", "x"},
            none);
        row("SX5T short 루셈 label", SX5T, Short, Lusem, LabelType, {"480", "0110", "40", "010", "+00", "x"},
            none);
        row("SX5T short 루셈 hang", SX5T, Short, Lusem, HangTag, {"480", "0030", "125", "011", "+00", "x"},
            none);
        row("SX5T short UR label", SX5T, Short, UrTech, LabelType, {"500", "0110", "40", "010", "+00", "x"},
            none);
        row("SX5T short UR hang", SX5T, Short, UrTech, HangTag, unchanged, urNo);
        row("SX5T short RF label", SX5T, Short, RfLink, LabelType, {"480", "0110", "40", "010", "+00", "x"},
            none);
        row("SX5T short RF hang", SX5T, Short, RfLink, HangTag, {"480", "0110", "140", "012", "+00", "x"},
            none);
        row("SA4TP short 삼성 label", SA4TP, Short, Samsung, LabelType,
            {"480", "0030", "50", "012", "+03", "0"}, none);
        row("SA4TP short 삼성 hang", SA4TP, Short, Samsung, HangTag,
            {"480", "0030", "150", "013", "+03", "0"}, none);
        row("SA4TP short 루셈 label", SA4TP, Short, Lusem, LabelType,
            {"480", "0000", "50", "012", "+00", "0"}, none);
        row("SA4TP short 루셈 hang", SA4TP, Short, Lusem, HangTag, {"480", "0040", "150", "011", "+00", "0"},
            none);
        row("SA4TP short UR label", SA4TP, Short, UrTech, LabelType, {"500", "0000", "50", "012", "+03", "0"},
            none);
        row("SA4TP short UR hang", SA4TP, Short, UrTech, HangTag, unchanged, urUnsupported);
        row("SA4TP short RF label", SA4TP, Short, RfLink, LabelType, {"480", "0000", "50", "012", "+03", "0"},
            none);
        row("SA4TP short RF hang", SA4TP, Short, RfLink, HangTag, {"480", "0000", "155", "013", "+03", "0"},
            none);
    }
    void reflectiveTable() {
        QFETCH(int, printer);
        QFETCH(int, pitch);
        QFETCH(int, tag);
        QFETCH(int, type);
        QFETCH(QStringList, values);
        QFETCH(QString, message);
        Workstation ws;
        ws.dir.writeText("setup.ini", "[PRINT_OPTION]\r\nSENSOR_TYPE=1\r\n");
        Setup w;
        w.Form_Load();
        // Choose the combination under the transmissive sensor, then switch.
        list(w, "CboPType")->setCurrentIndex(printer);
        list(w, "cboPitch")->setCurrentIndex(pitch);
        list(w, "CboTag")->setCurrentIndex(tag);
        list(w, "CboType")->setCurrentIndex(type);
        for (const char* b : kSuggested)
            box(w, b)->setText("x");
        ws.op.messages.clear();
        list(w, "cboSensor")->setCurrentIndex(Reflective);
        QStringList shown;
        for (const char* b : kSuggested)
            shown << box(w, b)->text();
        QCOMPARE(shown, values);
        QCOMPARE(ws.op.messages, message.isEmpty() ? QStringList() : QStringList{message});
    }

    void combinationCheck_data() {
        QTest::addColumn<int>("printer");
        QTest::addColumn<int>("pitch");
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("conn");
        QTest::addColumn<QString>("serialNo");
        QTest::addColumn<QString>("message");
        const QString fine;
        QTest::newRow("short pitch, listed printer")
            << int(SX5T) << int(Short) << int(Samsung) << int(LabelType) << 0 << " 5T1A0522 "
            << "SHORT PITCH로 변경할 수 없는 장비입니다.";
        QTest::newRow("long pitch, listed printer")
            << int(SX5T) << int(Long) << int(Samsung) << int(LabelType) << 0 << "5T1A0522" << fine;
        QTest::newRow("UR-TECH hang tag, long")
            << int(SX5T) << int(Long) << int(UrTech) << int(HangTag) << 0 << "9Z0001"
            << "UR-TECH의 고리형Tag Type은 존재하지 않습니다.";
        QTest::newRow("UR-TECH hang tag, short")
            << int(SX5T) << int(Short) << int(UrTech) << int(HangTag) << 0 << "9Z0001"
            << "UR-TECH의 고리형Tag Type은 존재하지 않습니다.";
        QTest::newRow("RF링크 hang tag, long")
            << int(SX5T) << int(Long) << int(RfLink) << int(HangTag) << 0 << "9Z0001"
            << "RF링크의 고리형Tag Type은 지원되지 않습니다.";
        QTest::newRow("RF링크 hang tag, short")
            << int(SX5T) << int(Short) << int(RfLink) << int(HangTag) << 0 << "9Z0001" << fine;
        QTest::newRow("B-SX5T over USB")
            << int(SX5T) << int(Long) << int(Samsung) << int(LabelType) << 2 << "9Z0001"
            << "B-SX5T는 USB모드를 지원하지 않습니다.";
        QTest::newRow("B-SA4TP over serial")
            << int(SA4TP) << int(Short) << int(Samsung) << int(LabelType) << 1 << "9Z0001"
            << "B-SA4TP는 serial모드를 지원하지 않습니다.";
        QTest::newRow("B-SA4TP over USB")
            << int(SA4TP) << int(Short) << int(Samsung) << int(LabelType) << 2 << "9Z0001" << fine;
    }
    void combinationCheck() {
        QFETCH(int, printer);
        QFETCH(int, pitch);
        QFETCH(int, tag);
        QFETCH(int, type);
        QFETCH(int, conn);
        QFETCH(QString, serialNo);
        QFETCH(QString, message);
        for (const char* button : {"cmdSave", "cmdOK"}) {
            Workstation ws;
            // Put the lists and options as loading would, past the defaults rule.
            ws.dir.writeText("printer_type.ini",
                             QStringLiteral("[PRINTER_LIST]\r\nPRINTER_TYPE=%1\r\n").arg(printer + 1));
            ws.dir.writeText("pitch_setup.ini",
                             QStringLiteral("[PITCH_OPTION]\r\nPITCH=%1\r\n").arg(pitch + 1));
            ws.dir.writeText("tag_type.ini", QStringLiteral("[TAG_OPTION]\r\nTAG_TYPE=%1\r\n").arg(type + 1));
            ws.dir.writeText("conn_setup.ini",
                             QStringLiteral("[CONNECT_INFO]\r\nCONN_KIND=%1\r\nPRINTER_IP=10.1.2.3\r\n"
                                            "PRINTER_PORT=9100\r\n")
                                 .arg(conn + 1));
            platform::WritePrivateProfileStringA("TAG", QStringLiteral("TAG_KIND"), QString::number(tag + 1),
                                                 ws.dir.file("setup.ini"));
            Setup w;
            w.Form_Load();
            box(w, "txtSerNo")->setText(serialNo);
            const QByteArray loaded = ws.snapshot();
            ws.op.messages.clear();
            w.show();
            QTest::mouseClick(control<QPushButton>(w, button), Qt::LeftButton);
            if (!message.isEmpty()) {
                QCOMPARE(ws.op.messages, QStringList{message});
                QCOMPARE(ws.snapshot(), loaded);
                QVERIFY(!settings::gSettingsChanged);
                QVERIFY(w.isVisible());
            } else if (QByteArray(button) == "cmdSave") {
                QCOMPARE(ws.op.messages, QStringList{"환경정보를 설정하였습니다."});
                QVERIFY(settings::gSettingsChanged);
                QCOMPARE(ws.read("setup.ini", "PRINTER_INFO", "SERIAL_NO"), serialNo);
            } else {
                QCOMPARE(ws.op.messages, QStringList{"설정이 모두 완료되었습니다. 설정창을 닫습니다."});
                QVERIFY(!w.isVisible());
                QCOMPARE(ws.snapshot(), loaded);
            }
        }
    }

    void missingLongPitchListBlocksShortPitch() {
        Workstation ws;
        QFile::remove(ws.dir.file("long_sno.ini"));
        ws.dir.writeText("pitch_setup.ini", "[PITCH_OPTION]\r\nPITCH=1\r\n");
        Setup w;
        w.Form_Load();
        const QByteArray before = ws.snapshot();
        w.cmdSave_Click();
        QCOMPARE(ws.op.messages.size(), 1);
        QCOMPARE(ws.snapshot(), before);
    }

    void saveStoresInFileForms() {
        Workstation ws;
        Setup w;
        w.Form_Load();
        // Lists first: with the reflective sensor they suggest print values.
        list(w, "CboTag")->setCurrentIndex(RfLink);
        list(w, "cboPitch")->setCurrentIndex(Long);
        QCOMPARE(box(w, "txtFeeding")->text(), QStringLiteral("0120"));
        box(w, "txtFeeding")->setText("-50");
        box(w, "txtNotice")->setText("바코드 훼손 금지");
        ws.op.messages.clear();
        w.cmdSave_Click();
        QCOMPARE(ws.op.messages, QStringList{"환경정보를 설정하였습니다."});
        QVERIFY(settings::gSettingsChanged);
        QCOMPARE(ws.read("setup.ini", "PRINT_OPTION", "FEEDING"), QStringLiteral("-0050"));
        QCOMPARE(ws.read("setup.ini", "TAG", "TAG_KIND"), QStringLiteral("4"));
        QCOMPARE(ws.read("setup.ini", "PRINTER_INFO", "COM_PORT"), QStringLiteral("4"));
        QCOMPARE(ws.read("db_setup.ini", "ETC", "NOTICE"), QStringLiteral("바코드 훼손 금지"));
        QCOMPARE(ws.read("log_setup.ini", "LOG", "DETAIL_LOG"), QStringLiteral("2"));
        QCOMPARE(ws.read("pitch_setup.ini", "PITCH_OPTION", "PITCH"), QStringLiteral("2"));
    }

    void emptyBoxStopsStoreButPitchIsKept() {
        Workstation ws;
        Setup w;
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        const QByteArray setupBefore = ws.dir.read("setup.ini");
        box(w, "txtDBPW")->clear();
        list(w, "cboPitch")->setCurrentIndex(Short); // 9Z0001 is not a long-pitch printer
        ws.op.messages.clear();
        w.cmdSave_Click();
        QCOMPARE(ws.op.messages, QStringList{"Password를 입력하여 주십시오."});
        QCOMPARE(w.focusWidget(), box(w, "txtDBPW"));
        QCOMPARE(ws.dir.read("setup.ini"), setupBefore);
        QVERIFY(!settings::gSettingsChanged);
        QCOMPARE(ws.read("pitch_setup.ini", "PITCH_OPTION", "PITCH"), QStringLiteral("1"));
    }

    void emptyIpDoesNotBlockSerialOrUsb_data() {
        QTest::addColumn<int>("printer");
        QTest::addColumn<QString>("conn");
        QTest::addColumn<QString>("stored");
        QTest::newRow("serial") << int(SX5T) << "optConn_1"
                                << "2";
        QTest::newRow("USB") << int(SA4TP) << "optConn_2"
                             << "3";
    }
    void emptyIpDoesNotBlockSerialOrUsb() {
        QFETCH(int, printer);
        QFETCH(QString, conn);
        QFETCH(QString, stored);
        Workstation ws;
        Setup w;
        w.Form_Load();
        list(w, "CboPType")->setCurrentIndex(printer);
        w.findChild<QRadioButton*>(conn)->setChecked(true);
        box(w, "txtIP")->clear();
        box(w, "txtPort")->clear();
        ws.op.messages.clear();
        w.cmdSave_Click();
        QCOMPARE(ws.op.messages, QStringList{"환경정보를 설정하였습니다."});
        QCOMPARE(ws.read("conn_setup.ini", "CONNECT_INFO", "CONN_KIND"), stored);
        QCOMPARE(ws.read("conn_setup.ini", "CONNECT_INFO", "PRINTER_IP"), QStringLiteral("10.1.2.3"));
        QCOMPARE(ws.read("conn_setup.ini", "CONNECT_INFO", "PRINTER_PORT"), QStringLiteral("9100"));
        // With TCP/IP the same empty box blocks.
        option(w, "optConn_0")->setChecked(true);
        ws.op.messages.clear();
        w.cmdSave_Click();
        QCOMPARE(ws.op.messages, QStringList{"프린터IP를 입력하여 주십시오."});
    }

    void connectionOptionsAndHiddenSwitches() {
        Workstation ws;
        Setup w;
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::mouseClick(option(w, "optConn_1"), Qt::LeftButton);
        QVERIFY(!box(w, "txtIP")->isEnabled());
        QVERIFY(!box(w, "txtPort")->isEnabled());
        QVERIFY(list(w, "CboPort")->isEnabled());
        QTest::mouseClick(option(w, "optConn_0"), Qt::LeftButton);
        QVERIFY(box(w, "txtIP")->isEnabled());
        QVERIFY(!list(w, "CboPort")->isEnabled());

        const QByteArray before = ws.snapshot();
        const QList<QWidget*> switched{option(w, "optConn_0"),
                                       option(w, "optConn_1"),
                                       box(w, "txtIP"),
                                       box(w, "txtPort"),
                                       control<QWidget>(w, "lblIP"),
                                       control<QWidget>(w, "lblPortNo"),
                                       control<QWidget>(w, "fraConn")};
        QTest::mouseClick(control<QLabel>(w, "lblIPDisable"), Qt::LeftButton);
        for (QWidget* c : switched)
            QVERIFY2(c->isHidden(), qPrintable(c->objectName()));
        QVERIFY(control<QWidget>(w, "CboPort")->isVisible());
        QVERIFY(option(w, "optConn_0")->isChecked()); // the choice itself is untouched
        QTest::mouseClick(control<QLabel>(w, "lblIPEable"), Qt::LeftButton);
        for (QWidget* c : switched)
            QVERIFY2(c->isVisible(), qPrintable(c->objectName()));
        QCOMPARE(ws.snapshot(), before);
    }

    void boxesSelectTheirTextOnFocus() {
        Workstation ws;
        Setup w;
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        for (const char* name : {"txtTotH", "txtNotice", "txtIP", "txtDBPW", "txtPowerLevel"}) {
            QLineEdit* b = box(w, name);
            QVERIFY2(!b->text().isEmpty(), name);
            b->setFocus(Qt::TabFocusReason);
            QTRY_COMPARE(b->selectedText(), b->text());
        }
        // A click into the box keeps the whole text selected too.
        QLineEdit* notice = box(w, "txtNotice");
        box(w, "txtTotH")->setFocus();
        QTest::mouseClick(notice, Qt::LeftButton, {}, QPoint(5, notice->height() / 2));
        QTRY_COMPARE(notice->selectedText(), notice->text());
        // An empty box has nothing to select.
        QLineEdit* feeding = box(w, "txtFeeding");
        feeding->clear();
        feeding->setFocus();
        QCoreApplication::processEvents();
        QVERIFY(!feeding->hasSelectedText());
    }

    void rfidButtonSendsOverWindowConnection() {
        Workstation ws;
        QTemporaryDir work;
        const QString capture = work.filePath("capture.bin");
        testsupport::PrinterSimProcess sim;
        QVERIFY2(sim.start({"--tcp", "0", "--capture", capture}), qPrintable(sim.error()));
        Setup w;
        w.Form_Load();
        // Unsaved screen values are what the window connects with.
        box(w, "txtIP")->setText(sim.host());
        box(w, "txtPort")->setText(QString::number(sim.port()));
        list(w, "CboPType")->setCurrentIndex(SX5T);
        box(w, "txtIssueRetry")->setText("5");
        box(w, "txtPowerLevel")->setText("12");
        box(w, "txtAdjRetry")->setText("3");
        ws.op.messages.clear();
        w.show();
        QTest::mouseClick(control<QPushButton>(w, "cmdSetting"), Qt::LeftButton);
        const QString command = QStringLiteral("{@RFID;IR:005,FR:00,AJ:+030120000000000|}");
        QCOMPARE(ws.op.messages, QStringList{"RFID환경을 설정하였습니다.\r\n\r\n태그발행기를 리셋합니다."});
        QCOMPARE(ws.read("rfid_setup.ini", "RFID_OPTION", "INIT_CMD"), command);
        QCOMPARE(ws.read("conn_setup.ini", "CONNECT_INFO", "PRINTER_IP"), QStringLiteral("10.1.2.3"));
        const auto captured = [&] {
            QFile f(capture);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        QTRY_COMPARE_WITH_TIMEOUT(captured(), (command + "{Z0|}").toLatin1(), 10000);

        QTest::mouseClick(control<QPushButton>(w, "cmdAdjInit"), Qt::LeftButton);
        QCOMPARE(box(w, "txtRbnAdj_FW")->text(), QStringLiteral("03"));
        QCOMPARE(box(w, "txtRbnAdj_BK")->text(), QStringLiteral("02"));
    }

    void openSetupWindowShowsOneWindow() {
        Workstation ws;
        Setup* first = settings::openSetupWindow(nullptr);
        QVERIFY(first->isVisible());
        QCOMPARE(box(*first, "txtSerNo")->text(), QStringLiteral("9Z0001"));
        QCOMPARE(settings::openSetupWindow(nullptr), first);
        QPointer<Setup> closed = first;
        first->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(closed.isNull());
        Setup* second = settings::openSetupWindow(nullptr);
        QVERIFY(second != nullptr);
        second->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

QTEST_MAIN(SetupWindowTest)
#include "SetupWindowTest.moc"
