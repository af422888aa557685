// The settings files: the main window's settings record, the settings and
// database windows' readers and writers, and the long-pitch list.
#include "main/settings/DbSettings.h"
#include "main/settings/SettingsFiles.h"
#include "main/settings/SetupData.h"
#include "main/settings/SetupValues.h"
#include "platform/Cp949.h"
#include "tests/support/RecordingOperator.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QTest>

using namespace settings;

namespace {

// A settings window filled the way an operator would before pressing "저장".
SetupValues filledWindow() {
    SetupValues v;
    v.txtTotH = "510";
    v.txtLabelH = "320";
    v.txtLabelW = "940";
    v.txtDensity = "-3";
    v.txtPrtX = "10";
    v.txtPrtY = "40";
    v.txtSerNo = "SN-0042";
    v.txtFeeding = "130";
    v.txtNotice = QStringLiteral("자산을 아낍시다");
    v.txtDBNm = "ASSET";
    v.txtDBID = "scott";
    v.txtDBPW = "tiger";
    v.txtIP = "192.168.0.50";
    v.txtPort = "9100";
    v.CboPType = 1;
    v.CboPort = 2;
    v.CboTag = 3;
    v.cboSensor = 1;
    v.CboType = 1;
    v.optConn = 0;
    v.chkFastStatus = true;
    v.OptLog = 0;
    return v;
}

// Runs the test with the working directory set to a folder of its own.
class WorkingDir {
public:
    explicit WorkingDir(const QString& dir) : m_previous(QDir::currentPath()) { QDir::setCurrent(dir); }
    ~WorkingDir() { QDir::setCurrent(m_previous); }

private:
    QString m_previous;
};

} // namespace

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { gSettingsChanged = false; }

    void noIniFilesAtAll() {
        testsupport::TempProgramDir dir;
        testsupport::RecordingOperator op;
        SetupData d;
        d.nTotHeight = 99;
        MainSelections sel{2, 1, 1};
        QVERIFY(GetSetupData(d, sel, op));
        QCOMPARE(op.messages, QStringList());
        QCOMPARE(d.nTotHeight, 0);
        QCOMPARE(d.nLabelHeight, 0);
        QCOMPARE(d.nLabelWidth, 0);
        QCOMPARE(d.nPrtX, 0);
        QCOMPARE(d.nPrtY, 0);
        QCOMPARE(d.sDensity, QString("+00"));
        QCOMPARE(d.sFeeding, QString("+0130"));
        QCOMPARE(d.sSerialNo, QString());
        QCOMPARE(d.nComPort, 1);
        QCOMPARE(d.sSensorType, QString("1"));
        QCOMPARE(d.sPrinterType, QString("1"));
        QCOMPARE(d.sNotice, QString());
        QCOMPARE(d.sConnKind, QString("1"));
        QCOMPARE(d.sPrinterIP, QString());
        QCOMPARE(d.sPrinterPort, QString());
        QCOMPARE(d.sDetailLog, QString("2"));
        QVERIFY(!d.fastStatus);
        QCOMPARE(sel.CboTag, 0);
        QCOMPARE(sel.CboPrintType, 0);
        QCOMPARE(sel.optConn, 0);

        // The settings window shows an empty feed box instead of 0130.
        SetupValues v;
        QVERIFY(setup::GetSetupData(v, op));
        QCOMPARE(v.txtTotH, QString("0"));
        QCOMPARE(v.txtFeeding, QString());
        // Every list and option at its first entry, the log option at "N".
        QCOMPARE((QList<int>{v.CboPort, v.CboTag, v.cboSensor, v.CboType, v.CboPType, v.optConn, v.OptLog}),
                 (QList<int>{0, 0, 0, 0, 0, 0, 1}));
        int pitch = -1;
        setup::GetPTSetupData(pitch);
        QCOMPARE(pitch, 0);
        QCOMPARE(setup::GetRFSetupData().sRfidTemplate, QString());
        QVERIFY(readDbProvider() == DbProvider::MSDAORA);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList()); // reading creates nothing
    }

    void oddValues_data() {
        QTest::addColumn<QByteArray>("setupIni");
        QTest::addColumn<QByteArray>("connIni");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");
        const QByteArray head = "[PRINTER_INFO]\r\n";
        QTest::newRow("COM_PORT 0") << head + "COM_PORT=0\r\n"
                                    << QByteArray() << "nComPort"
                                    << "1";
        QTest::newRow("COM_PORT -3") << head + "COM_PORT=-3\r\n"
                                     << QByteArray() << "nComPort"
                                     << "1";
        QTest::newRow("COM_PORT 4") << head + "COM_PORT=4\r\n"
                                    << QByteArray() << "nComPort"
                                    << "4";
        QTest::newRow("FEEDING -50") << QByteArray("[PRINT_OPTION]\r\nFEEDING=-50\r\n") << QByteArray()
                                     << "sFeeding"
                                     << "-0050";
        QTest::newRow("FEEDING 0200")
            << QByteArray("[PRINT_OPTION]\r\nFEEDING=0200\r\n") << QByteArray() << "sFeeding"
            << "+0200";
        QTest::newRow("DENSITY -5") << QByteArray("[PRINT_OPTION]\r\nDENSITY=-5\r\n") << QByteArray()
                                    << "sDensity"
                                    << "-05";
        QTest::newRow("DENSITY 12") << QByteArray("[PRINT_OPTION]\r\nDENSITY=12\r\n") << QByteArray()
                                    << "sDensity"
                                    << "+12";
        QTest::newRow("CONN_KIND 01")
            << QByteArray() << QByteArray("[CONNECT_INFO]\r\nCONN_KIND=01\r\n") << "sConnKind"
            << "1/0";
        QTest::newRow("CONN_KIND 2") << QByteArray() << QByteArray("[CONNECT_INFO]\r\nCONN_KIND=2\r\n")
                                     << "sConnKind"
                                     << "2/1";
        QTest::newRow("CONN_KIND 7") << QByteArray() << QByteArray("[CONNECT_INFO]\r\nCONN_KIND=7\r\n")
                                     << "sConnKind"
                                     << "7/2";
        QTest::newRow("TAG_KIND 9 keeps list")
            << QByteArray("[TAG]\r\nTAG_KIND=9\r\n") << QByteArray() << "CboTag"
            << "2";
        QTest::newRow("TAG_KIND 4") << QByteArray("[TAG]\r\nTAG_KIND=4\r\n") << QByteArray() << "CboTag"
                                    << "3";
        QTest::newRow("tab inside a value")
            << QByteArray() << QByteArray("[CONNECT_INFO]\r\nPRINTER_IP=10.0.\t0.7\r\n") << "sPrinterIP"
            << "10.0.0.7";
    }

    void oddValues() {
        QFETCH(QByteArray, setupIni);
        QFETCH(QByteArray, connIni);
        QFETCH(QString, field);
        QFETCH(QString, expected);
        testsupport::TempProgramDir dir;
        if (!setupIni.isEmpty())
            dir.write("setup.ini", setupIni);
        if (!connIni.isEmpty())
            dir.write("conn_setup.ini", connIni);
        testsupport::RecordingOperator op;
        SetupData d;
        MainSelections sel{2, 1, 1};
        QVERIFY(GetSetupData(d, sel, op));
        QString actual;
        if (field == "nComPort")
            actual = QString::number(d.nComPort);
        else if (field == "sFeeding")
            actual = d.sFeeding;
        else if (field == "sDensity")
            actual = d.sDensity;
        else if (field == "sConnKind")
            actual = d.sConnKind + '/' + QString::number(sel.optConn);
        else if (field == "CboTag")
            actual = QString::number(sel.CboTag);
        else if (field == "sPrinterIP")
            actual = d.sPrinterIP;
        QCOMPARE(actual, expected);
    }

    void koreanNoticeStoredInCp949() {
        testsupport::TempProgramDir dir;
        const QString notice = QStringLiteral("국가자산 똠방각하 관리");
        dir.write("db_setup.ini", "[ETC]\r\nNOTICE=" + platform::toCp949(notice) + "\r\n");
        testsupport::RecordingOperator op;
        SetupData d;
        MainSelections sel;
        QVERIFY(GetSetupData(d, sel, op));
        QCOMPARE(d.sNotice, notice);
    }

    void nonNumericValueStopsLoading() {
        testsupport::TempProgramDir dir;
        dir.write("setup.ini", "[PRINT_OPTION]\r\nTOT_HEIGHT=510\r\nLABEL_HEIGHT=320\r\nLABEL_WIDTH=940\r\n"
                               "X=abc\r\nY=40\r\nDENSITY=3\r\n");
        testsupport::RecordingOperator op;
        SetupData d;
        d.nPrtX = 77;
        d.nPrtY = 78;
        d.sDensity = "old";
        MainSelections sel;
        QVERIFY(!GetSetupData(d, sel, op));
        QCOMPARE(d.nTotHeight, 510);
        QCOMPARE(d.nLabelWidth, 940);
        QCOMPARE(d.nPrtX, 77);
        QCOMPARE(d.nPrtY, 78);
        QCOMPARE(d.sDensity, QString("old"));
        // The report names the file, section and key.
        QCOMPARE(op.messages.size(), 1);
        QVERIFY2(op.messages[0].startsWith("[GetSetupData][" + dir.file("setup.ini") +
                                           " 파일의 [PRINT_OPTION] 섹션 X 값 \"abc\"") &&
                     op.messages[0].contains("(Type mismatch)"),
                 qPrintable(op.messages[0]));
        QVERIFY(platform::fromCp949(dir.read("detail_error.log")).contains(op.messages[0] + "\r\n"));
    }

    // Malformed numbers in every file the main window loads: the report
    // names file, section and key, and shows a long value only in part.
    void malformedNumbersNameTheirKey_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("place");
        const QByteArray huge(300, '9');
        const struct {
            const char* name;
            const char* file;
            QByteArray content;
            const char* place;
        } rows[] = {
            {"huge height", "setup.ini", "[PRINT_OPTION]\r\nTOT_HEIGHT=" + huge,
             "[PRINT_OPTION] 섹션 TOT_HEIGHT"},
            {"out of range width", "setup.ini", "[PRINT_OPTION]\r\nLABEL_WIDTH=40000",
             "[PRINT_OPTION] 섹션 LABEL_WIDTH"},
            {"code page 949 garbage", "setup.ini", "[PRINTER_INFO]\r\nCOM_PORT=\xb1\xff",
             "[PRINTER_INFO] 섹션 COM_PORT"},
            {"blank connection kind", "conn_setup.ini",
             "[CONNECT_INFO]\r\nCONN_KIND=", "[CONNECT_INFO] 섹션 CONN_KIND"},
            {"huge connection kind", "conn_setup.ini", "[CONNECT_INFO]\r\nCONN_KIND=" + huge,
             "[CONNECT_INFO] 섹션 CONN_KIND"},
            {"blank detail log", "log_setup.ini", "[LOG]\r\nDETAIL_LOG=", "[LOG] 섹션 DETAIL_LOG"},
            {"detail log with letters", "log_setup.ini", "[LOG]\r\nDETAIL_LOG=1x", "[LOG] 섹션 DETAIL_LOG"},
            {"negative with NUL", "setup.ini", QByteArray("[PRINT_OPTION]\r\nX=-\0x", 21),
             "[PRINT_OPTION] 섹션 X"},
        };
        for (const auto& r : rows)
            QTest::newRow(r.name) << QString::fromLatin1(r.file) << r.content << QString::fromUtf8(r.place);
    }

    void malformedNumbersNameTheirKey() {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, place);
        testsupport::TempProgramDir dir;
        dir.write(file, content + "\r\n");
        testsupport::RecordingOperator op;
        SetupData d;
        MainSelections sel;
        QVERIFY(!GetSetupData(d, sel, op));
        QCOMPARE(op.messages.size(), 1);
        QVERIFY2(op.messages[0].contains(dir.file(file) + " 파일의 " + place + " 값 \""),
                 qPrintable(op.messages[0]));
        QVERIFY2(op.messages[0].contains(QStringLiteral("정수가 아닙니다")) && op.messages[0].size() < 300,
                 qPrintable(op.messages[0]));
    }

    void lateFailureKeepsEarlierSelections() {
        testsupport::TempProgramDir dir;
        dir.write("setup.ini", "[TAG]\r\nTAG_KIND=3\r\n[PRINT_OPTION]\r\nLABEL_WIDTH=40000\r\n");
        testsupport::RecordingOperator op;
        SetupData d;
        MainSelections sel;
        QVERIFY(!GetSetupData(d, sel, op));
        QCOMPARE(op.messages.size(), 1);
        QVERIFY2(op.messages[0].contains(" 섹션 LABEL_WIDTH 값 \"40000\"") &&
                     op.messages[0].contains("(Overflow)"),
                 qPrintable(op.messages[0]));

        dir.write("setup.ini", "[TAG]\r\nTAG_KIND=3\r\n");
        dir.write("conn_setup.ini", "[CONNECT_INFO]\r\nCONN_KIND=TCP\r\nPRINTER_IP=10.1.1.1\r\n");
        op.messages.clear();
        d.sPrinterIP = "before";
        QVERIFY(!GetSetupData(d, sel, op));
        QCOMPARE(sel.CboTag, 2);
        QCOMPARE(d.sFeeding, QString("+0130"));
        QCOMPARE(d.sPrinterIP, QString("before"));
        QCOMPARE(op.messages.size(), 1);
        QVERIFY2(op.messages[0].contains("conn_setup.ini 파일의 [CONNECT_INFO] 섹션 CONN_KIND 값 \"TCP\""),
                 qPrintable(op.messages[0]));
    }

    void storeThenReadBack() {
        testsupport::TempProgramDir dir;
        testsupport::RecordingOperator op;
        QVERIFY(setup::SetSetupData(filledWindow(), op));
        QCOMPARE(op.messages, QStringList{QStringLiteral("환경정보를 설정하였습니다.")});
        QVERIFY(gSettingsChanged);
        // Keys land in writing order, each section collecting its own keys.
        QCOMPARE(dir.read("setup.ini"),
                 QByteArray("[PRINT_OPTION]\r\nTOT_HEIGHT=510\r\nLABEL_HEIGHT=320\r\n"
                            "LABEL_WIDTH=940\r\nDENSITY=-3\r\nX=10\r\nY=40\r\nFEEDING=0130\r\n"
                            "SENSOR_TYPE=2\r\n[PRINTER_INFO]\r\nSERIAL_NO=SN-0042\r\n"
                            "COM_PORT=3\r\n[TAG]\r\nTAG_KIND=4\r\n"));
        QCOMPARE(
            dir.read("conn_setup.ini"),
            QByteArray("[CONNECT_INFO]\r\nCONN_KIND=1\r\nPRINTER_IP=192.168.0.50\r\nPRINTER_PORT=9100\r\n"
                       "FAST_STATUS=1\r\n"));
        QCOMPARE(dir.read("db_setup.ini"),
                 "[ETC]\r\nNOTICE=" + platform::toCp949(QStringLiteral("자산을 아낍시다")) +
                     "\r\n[DB_INFO]\r\nDATABASE=ASSET\r\nUSER=scott\r\nPASSWORD=tiger\r\n");
        QCOMPARE(dir.read("log_setup.ini"), QByteArray("[LOG]\r\nDETAIL_LOG=1\r\n"));
        QCOMPARE(dir.read("tag_type.ini"), QByteArray("[TAG_OPTION]\r\nTAG_TYPE=2\r\n"));
        QCOMPARE(dir.read("printer_type.ini"), QByteArray("[PRINTER_LIST]\r\nPRINTER_TYPE=2\r\n"));

        SetupData d;
        MainSelections sel;
        QVERIFY(GetSetupData(d, sel, op));
        QCOMPARE(d.nTotHeight, 510);
        QCOMPARE(d.sDensity, QString("-03"));
        QCOMPARE(d.sFeeding, QString("+0130"));
        QCOMPARE(d.nComPort, 3);
        QCOMPARE(d.sNotice, QStringLiteral("자산을 아낍시다"));
        QCOMPARE(sel.CboTag, 3);
        QCOMPARE(sel.CboPrintType, 1);
        QVERIFY(d.fastStatus);

        SetupValues back;
        QVERIFY(setup::GetSetupData(back, op));
        SetupValues expected = filledWindow();
        expected.txtFeeding = "0130";
        QCOMPARE(back.txtTotH, expected.txtTotH);
        QCOMPARE(back.txtDensity, expected.txtDensity);
        QCOMPARE(back.txtFeeding, expected.txtFeeding);
        QCOMPARE(back.txtNotice, expected.txtNotice);
        QCOMPARE(back.txtDBPW, expected.txtDBPW);
        QCOMPARE(back.txtPort, expected.txtPort);
        QCOMPARE(back.CboPType, expected.CboPType);
        QCOMPARE(back.CboPort, expected.CboPort);
        QCOMPARE(back.CboTag, expected.CboTag);
        QCOMPARE(back.cboSensor, expected.cboSensor);
        QCOMPARE(back.CboType, expected.CboType);
        QCOMPARE(back.optConn, expected.optConn);
        QCOMPARE(back.chkFastStatus, expected.chkFastStatus);
        QCOMPARE(back.OptLog, expected.OptLog);
        DbInfo info = readDbInfo();
        QCOMPARE(info.sDatabase + '/' + info.sUser + '/' + info.sPassword, QString("ASSET/scott/tiger"));
    }

    void feedingForms() {
        QCOMPARE(setup::feedingToStore("130"), QString("0130"));
        QCOMPARE(setup::feedingToStore("0200"), QString("0200"));
        QCOMPARE(setup::feedingToStore("-50"), QString("-0050"));
        QCOMPARE(setup::feedingToStore("+7"), QString("0007"));
        QCOMPARE(setup::feedingToStore("-9999"), QString("-9999"));
        QCOMPARE(setup::feedingToStore("12345"), QString("12345"));
    }

    void badFeedingKeepsWhatWasWritten() {
        testsupport::TempProgramDir dir;
        testsupport::RecordingOperator op;
        SetupValues v = filledWindow();
        v.txtFeeding = "0x20";
        QVERIFY(!setup::SetSetupData(v, op));
        QCOMPARE(op.messages, QStringList{"Type mismatch"});
        QVERIFY(!gSettingsChanged);
        const QByteArray setupIni = dir.read("setup.ini");
        QVERIFY(setupIni.contains("SERIAL_NO=SN-0042"));
        QVERIFY(!setupIni.contains("FEEDING"));
        QVERIFY(!setupIni.contains("COM_PORT"));
    }

    void emptyBoxesBlockStoring() {
        testsupport::TempProgramDir dir;
        testsupport::RecordingOperator op;
        SetupValues v = filledWindow();
        v.txtTotH.clear();
        v.txtNotice.clear();
        QVERIFY(!setup::SetSetupData(v, op));
        QCOMPARE(op.messages, QStringList{QStringLiteral("전체라벨높이를 입력하여 주십시오.")});
        QCOMPARE(op.focusRequests, QStringList{"txtTotH"});
        QVERIFY(!QFile::exists(dir.file("setup.ini")));

        v = filledWindow();
        v.txtIP.clear();
        op.messages.clear();
        op.focusRequests.clear();
        QVERIFY(!setup::SetSetupData(v, op));
        QCOMPARE(op.messages, QStringList{QStringLiteral("프린터IP를 입력하여 주십시오.")});
        QCOMPARE(op.focusRequests, QStringList{"txtIP"});
    }

    void addressKeptWhenNotTcpIp() {
        testsupport::TempProgramDir dir;
        dir.write("conn_setup.ini",
                  "[CONNECT_INFO]\r\nCONN_KIND=1\r\nPRINTER_IP=10.1.1.1\r\nPRINTER_PORT=9100\r\n");
        dir.write("log_setup.ini", "[LOG]\r\nDETAIL_LOG=1\r\n");
        testsupport::RecordingOperator op;
        for (int conn : {1, 2}) {
            SetupValues v = filledWindow();
            v.optConn = conn;
            v.txtIP.clear();
            v.txtPort.clear();
            v.OptLog = -1; // neither option on: the log switch stays as it was
            QVERIFY(setup::SetSetupData(v, op));
            QCOMPARE(dir.read("conn_setup.ini"),
                     "[CONNECT_INFO]\r\nCONN_KIND=" + QByteArray::number(conn + 1) +
                         "\r\nPRINTER_IP=10.1.1.1\r\nPRINTER_PORT=9100\r\nFAST_STATUS=1\r\n");
            QCOMPARE(dir.read("log_setup.ini"), QByteArray("[LOG]\r\nDETAIL_LOG=1\r\n"));
        }
    }

    void settingsWindowLoadFailure() {
        testsupport::TempProgramDir dir;
        dir.write("setup.ini", "[PRINT_OPTION]\r\nTOT_HEIGHT= 0510 \r\n[PRINTER_INFO]\r\nCOM_PORT=12\r\n"
                               "[TAG]\r\nTAG_KIND=2\r\n");
        dir.write("conn_setup.ini", "[CONNECT_INFO]\r\nPRINTER_IP=10.1.1.1\r\n");
        testsupport::RecordingOperator op;
        SetupValues v;
        v.CboTag = 3;
        QVERIFY(!setup::GetSetupData(v, op));
        QCOMPARE(op.messages, QStringList{"Invalid property value"});
        QCOMPARE(v.txtTotH, QString("510"));
        QCOMPARE(v.txtIP, QString("10.1.1.1"));
        QCOMPARE(v.CboTag, 3);

        dir.write("setup.ini", "[PRINT_OPTION]\r\nTOT_HEIGHT=high\r\n");
        op.messages.clear();
        QVERIFY(!setup::GetSetupData(v, op));
        QCOMPARE(op.messages, QStringList{"Type mismatch"});
    }

    void rfidAdjustAndPitchFiles() {
        testsupport::TempProgramDir dir;
        const QByteArray adjust = "; supplied with the installation\r\n[ADJUST_OPTION]\r\nRBN_ADJ(FW)=00\r\n"
                                  "RBN_ADJ(BK)=00\r\nINIT_CMD={XB01;+00,+00,-00,-00,00,00,1|}\r\n";
        dir.write("adjust_setup.ini", adjust);
        setup::SetADJSetupData("-05", "-12");
        QByteArray expected = adjust;
        expected.replace("RBN_ADJ(FW)=00", "RBN_ADJ(FW)=-05").replace("RBN_ADJ(BK)=00", "RBN_ADJ(BK)=-12");
        QCOMPARE(dir.read("adjust_setup.ini"), expected);
        const AdjustValues adj = setup::GetADJSetupData();
        QCOMPARE(adj.txtRbnAdj_FW + ' ' + adj.txtRbnAdj_BK, QString("-05 -12"));
        QCOMPARE(adj.sAdjTemplate, QString("{XB01;+00,+00,-00,-00,00,00,1|}"));

        setup::SetRFSetupData("003", "010", "+00", "{@RFID;003...|}");
        QCOMPARE(dir.read("rfid_setup.ini"),
                 QByteArray("[RFID_OPTION]\r\nISSUE_RETRY=003\r\nPOWER_LEVEL=010\r\n"
                            "ADJ_RETRY=+00\r\nINIT_CMD={@RFID;003...|}\r\n"));
        const RfidValues rf = setup::GetRFSetupData();
        QCOMPARE(rf.txtIssueRetry + rf.txtPowerLevel + rf.txtAdjRetry, QString("003010+00"));
        QCOMPARE(rf.sRfidTemplate, QString("{@RFID;003...|}"));

        setup::SetPTSetupData(1);
        QCOMPARE(dir.read("pitch_setup.ini"), QByteArray("[PITCH_OPTION]\r\nPITCH=2\r\n"));
        int pitch = 0;
        setup::GetPTSetupData(pitch);
        QCOMPARE(pitch, 1);
        dir.write("pitch_setup.ini", "[PITCH_OPTION]\r\nPITCH=3\r\n");
        setup::GetPTSetupData(pitch);
        QCOMPARE(pitch, 1);
    }

    void longPitchList() {
        testsupport::TempProgramDir dir;
        WorkingDir cwd(dir.path());
        testsupport::RecordingOperator op;
        QVERIFY(!setup::CheckLongSNO("SN1", op));
        QCOMPARE(op.messages, QStringList{"File not found: long_sno.ini"});

        // The list lives in the working directory, not the program directory.
        dir.write("long_sno.ini", "  SN123  \r\nSN456\r\n\r\n");
        testsupport::TempProgramDir unrelated;
        const QString shortPitchRefused = QStringLiteral("SHORT PITCH로 변경할 수 없는 장비입니다.");
        op.messages.clear();
        QVERIFY(!setup::CheckLongSNO("SN123", op));
        QVERIFY(!setup::CheckLongSNO("  SN456 ", op));
        QCOMPARE(op.messages, (QStringList{shortPitchRefused, shortPitchRefused}));
        op.messages.clear();
        QVERIFY(setup::CheckLongSNO("SN789", op));
        QVERIFY(setup::CheckLongSNO("SN12", op));
        QVERIFY(setup::CheckLongSNO("", op)); // a blank line lists no printer
        QCOMPARE(op.messages, QStringList());
    }

    void databaseProvider() {
        QVERIFY(dbProviderFor("2") == DbProvider::OraOLEDB);
        QVERIFY(dbProviderFor("02") == DbProvider::MSDAORA);
        QVERIFY(dbProviderFor("") == DbProvider::MSDAORA);
        QVERIFY(dbProviderFor("1") == DbProvider::MSDAORA);
        QVERIFY(dbProviderFor("3") == DbProvider::PostgreSQL);
        QVERIFY(dbProviderFor("03") == DbProvider::MSDAORA);
        QCOMPARE(providerName(DbProvider::OraOLEDB), QString("oraOLEDB.oracle.1"));
        QCOMPARE(providerName(DbProvider::MSDAORA), QString("MSDAORA"));

        testsupport::TempProgramDir dir;
        dir.write("setup.ini", "[PRINT_OPTION]\r\nX=5\r\n");
        testsupport::RecordingOperator op;
        dbsetup::SetSetupData(1, op);
        QCOMPARE(op.messages, QStringList{QStringLiteral("환경정보를 설정하였습니다.")});
        QCOMPARE(dir.read("setup.ini"), QByteArray("[PRINT_OPTION]\r\nX=5\r\n[DBINFO]\r\nDB_KIND=2\r\n"));
        QVERIFY(readDbProvider() == DbProvider::OraOLEDB);
        int cboCon = 0;
        dbsetup::GetSetupData(cboCon);
        QCOMPARE(cboCon, 1);

        dir.write("setup.ini", "[DBINFO]\r\nDB_KIND=\r\n");
        QVERIFY(readDbProvider() == DbProvider::MSDAORA);
        dbsetup::GetSetupData(cboCon);
        QCOMPARE(cboCon, 1); // not one of the list's entries: the list stays

        // The embedded entry: a server data source gives way to the default
        // file, which the list then shows whatever the provider kind.
        dir.write("db_setup.ini", "[DB_INFO]\r\nDATABASE=db.example:5432/assets\r\n");
        op.messages.clear();
        dbsetup::SetSetupData(dbsetup::kEmbeddedEntry, op);
        QCOMPARE(readSetting(kDatabase), QStringLiteral("items.db"));
        QVERIFY(op.messages.last().contains(QStringLiteral("items.db")));
        dbsetup::GetSetupData(cboCon);
        QCOMPARE(cboCon, dbsetup::kEmbeddedEntry);
        // A provider chosen over a database file: said, the file stays.
        dbsetup::SetSetupData(2, op);
        QVERIFY(op.messages.last().contains(QStringLiteral("내장 데이터베이스가 열립니다")));
        QCOMPARE(readSetting(kDatabase), QStringLiteral("items.db"));
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "SettingsTest.moc"
