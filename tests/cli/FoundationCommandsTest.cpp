// vantrelctl as a support engineer runs it: exit codes, exact output lines.
#include "platform/Cp949.h"
#include "tests/support/TestSupport.h"

#include <QImage>
#include <QProcess>
#include <QtTest>

namespace {
struct Result {
    int code = -1;
    QString out;
    QString err;
};

Result run(const QStringList& args) {
    QProcess p;
    p.start(testsupport::binDir() + QStringLiteral("/vantrelctl"), args);
    if (!p.waitForFinished(30000))
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}
} // namespace

class FoundationCommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tagData() {
        Result r = run({"tagdata", "ABC12345", "000000000001"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("05410D0420F1CB3D3500000000000101\n"));
        r = run({"tagdata", "abc", "", "", "--prefix", "0a"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("0A0420\n"));
        r = run({"tagdata", "ABC12345", "00000000000X"});
        QCOMPARE(r.code, 1);
        QVERIFY(r.out.isEmpty());
        QVERIFY(r.err.contains(QStringLiteral("Type mismatch")));
        QCOMPARE(run({"tagdata", "ABC"}).code, 2);
        QCOMPARE(run({"tagdata", "A", "1", "--prefix", "XYZ"}).code, 2);
        QCOMPARE(run({"nosuchcommand"}).code, 2);
    }

    void preview_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::newRow("issued row") << QStringList{"--state", "issued"} << 0 << "row 1: GG4135";
        QTest::newRow("row to issue, hang tag")
            << QStringList{"--row", "2", "--label-type", "hangtag"} << 0 << "(placeholder)";
        QTest::newRow("beyond the search") << QStringList{"--purc-sno", "nosuch"} << 1 << "no row 1";
    }

    void preview() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, said);
        testsupport::TempProgramDir dir;
        QCOMPARE(run({"--dir", dir.path(), "init-db", dir.file("items.db"), "--demo-rows", "40"}).code, 0);
        dir.write("db_setup.ini", "[DB_INFO]\r\nDATABASE=items.db\r\nUSER=demo\r\nPASSWORD=x\r\n");
        const Result r = run(
            QStringList{"--dir", dir.path(), "preview", "--user", "demo", "--out", dir.file("p.png")} + args);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(said), qPrintable(r.err));
        // A label is written only when the command succeeded.
        QCOMPARE(!QImage(dir.file("p.png")).isNull(), code == 0);
    }

    void hangul() {
        Result r = run({"hangul", QStringLiteral("A1 분")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("C9C2C9B2C9A1BAD0\n"));
        QCOMPARE(run({"hangul", ""}).out, QStringLiteral("\n"));
        QCOMPARE(run({"hangul", QStringLiteral("a\u007F")}).code, 1);
        // no code page 949 code: "?", as every other field prints it
        QCOMPARE(run({"hangul", QStringLiteral("é")}).out, QStringLiteral("C9C0\n"));
    }

    void settingsRecordWithoutFiles() {
        testsupport::TempProgramDir dir;
        const Result r = run({"--dir", dir.path(), "settings"});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, QStringLiteral("nTotHeight=0\nnLabelHeight=0\nnLabelWidth=0\nnPrtX=0\nnPrtY=0\n"
                                       "sDensity=+00\nsFeeding=+0130\nsSerialNo=\nnComPort=1\nsSensorType=1\n"
                                       "sPrinterType=1\nsNotice=\nsConnKind=1\nsPrinterIP=\nsPrinterPort=\n"
                                       "sDetailLog=2\nfastStatus=0\nCboTag=0\nCboPrintType=0\noptConn=0\n"));
    }

    void settingsRecordWithValuesAndFailure() {
        testsupport::TempProgramDir dir;
        dir.write("setup.ini", "[PRINT_OPTION]\r\nTOT_HEIGHT=760\r\nDENSITY=-5\r\nFEEDING=-50\r\n"
                               "[PRINTER_INFO]\r\nSERIAL_NO=SN-1\r\nCOM_PORT=-3\r\n[TAG]\r\nTAG_KIND=3\r\n");
        dir.write("db_setup.ini", "[ETC]\r\nNOTICE=" + platform::toCp949(u"자산 표어") + "\r\n");
        dir.write("conn_setup.ini", "[CONNECT_INFO]\r\nCONN_KIND=7\r\n");
        Result r = run({"--dir", dir.path(), "settings"});
        QCOMPARE(r.code, 0);
        QVERIFY(
            r.out.contains(QStringLiteral("\nsDensity=-05\nsFeeding=-0050\nsSerialNo=SN-1\nnComPort=1\n")));
        QVERIFY(r.out.contains(QStringLiteral("\nsNotice=자산 표어\nsConnKind=7\n")));
        QVERIFY(r.out.endsWith(QStringLiteral("CboTag=2\nCboPrintType=0\noptConn=2\n")));

        // A value the issuing run converts and cannot stops loading with the
        // failure report naming file, section and key.
        const struct {
            const char* file;
            QByteArray text;
            const char* named;
        } bad[] = {
            {"setup.ini", "[PRINT_OPTION]\r\nTOT_HEIGHT=760\r\nLABEL_HEIGHT=abc\r\n",
             "setup.ini 파일의 [PRINT_OPTION] 섹션 LABEL_HEIGHT 값 \"abc\"은(는) -32768~32767 사이의 정수가 "
             "아닙니다(Type "
             "mismatch)"},
            {"setup.ini", "[PRINT_OPTION]\r\nTOT_HEIGHT=760\r\nLABEL_HEIGHT=40000\r\n",
             "LABEL_HEIGHT 값 \"40000\""},
            {"log_setup.ini", "[LOG]\r\nDETAIL_LOG=yes\r\n", "[LOG] 섹션 DETAIL_LOG 값 \"yes\""},
        };
        for (const auto& b : bad) {
            dir.write("setup.ini", "[PRINT_OPTION]\r\nTOT_HEIGHT=760\r\n");
            dir.write(b.file, b.text);
            r = run({"--dir", dir.path(), "settings"});
            QCOMPARE(r.code, 1);
            QVERIFY(r.out.startsWith(QStringLiteral("nTotHeight=760\n")));
            QVERIFY2(r.err.contains(QStringLiteral("message: [GetSetupData][")) &&
                         r.err.contains(QString::fromUtf8(b.named)),
                     qPrintable(r.err));
            QVERIFY(platform::fromCp949(dir.read("detail_error.log")).contains(QString::fromUtf8(b.named)));
            QFile::remove(dir.file("log_setup.ini"));
        }
    }

    void help_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("first");
        QTest::newRow("--help") << QStringList{"--help"} << "usage: vantrelctl [--dir DIR] COMMAND [ARGS]";
        QTest::newRow("-h") << QStringList{"-h"} << "usage: vantrelctl [--dir DIR] COMMAND [ARGS]";
        QTest::newRow("help") << QStringList{"help"} << "usage: vantrelctl [--dir DIR] COMMAND [ARGS]";
        QTest::newRow("a command's --help")
            << QStringList{"search", "--help"} << "usage: vantrelctl [--dir DIR] search [--from YYYYMMDD]";
        QTest::newRow("a command's -h")
            << QStringList{"hangul", "-h"} << "usage: vantrelctl [--dir DIR] hangul TEXT";
    }
    void help() {
        QFETCH(QStringList, args);
        QFETCH(QString, first);
        const Result r = run(args);
        QCOMPARE(r.code, 0);
        QCOMPARE(r.err, QString());
        QVERIFY2(r.out.startsWith(first), qPrintable(r.out));
    }

    void amountsAreWholeFiniteAndInRange() {
        for (const char* amount : {"nan", "inf", "1e308", "12.5", "-1", "1000000000000000"}) {
            const Result r = run({"search", "--amount-from", amount});
            QCOMPARE(r.code, 2);
            QVERIFY2(r.err.contains(QStringLiteral("--amount-from needs a whole number")), qPrintable(r.err));
        }
        // Texts the database would refuse or could never match are usage errors naming the option.
        const QString huge(40000, QLatin1Char('A'));
        const QList<QPair<QStringList, QString>> texts = {
            {{"--name", huge}, "--name takes at most 200"},
            {{"--cat-no", "12345678901"}, "--cat-no takes at most 10"},
            {{"--purc-sno", "A\x01"}, "--purc-sno takes at most 20"},
            {{"--dept", "("}, "--dept needs a department code"},
            {{"--dept", "x(y"}, "--dept needs a department code"},
        };
        for (const auto& [args, says] : texts) {
            const Result r = run(QStringList{"search"} + args);
            QCOMPARE(r.code, 2);
            QVERIFY2(r.err.contains(says), qPrintable(r.err.left(200)));
        }
    }

    void databaseSettingsThatNameNoDatabase() {
        testsupport::TempProgramDir dir;
        Result r = run({"--dir", dir.path(), "search"});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("db_setup.ini 파일이 없거나 [DB_INFO] DATABASE 값이 비어")),
                 qPrintable(r.err));
        dir.write("db_setup.ini", "\xEF\xBB\xBF[DB_INFO]\r\nDATABASE=garbled\r\n");
        r = run({"--dir", dir.path(), "search"});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(QStringLiteral("DATABASE 값으로 데이타베이스를 찾을 수 없습니다")),
                 qPrintable(r.err));
    }

    void missingProgramDirectory() {
        QCOMPARE(run({"--dir", "/nonexistent/vantrel", "settings"}).code, 1);
        QCOMPARE(run({"--dir"}).code, 2);
    }
};

QTEST_GUILESS_MAIN(FoundationCommandsTest)
#include "FoundationCommandsTest.moc"
