// The INI profile functions the settings files go through.
#include "platform/Profile.h"
#include "platform/Cp949.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QTest>

using namespace platform;

namespace {
QString readValue(const QString& file, const QString& section, const QString& key,
                  const QString& def = "dflt") {
    return GetPrivateProfileStringA(section, key, def, 255, file);
}
} // namespace

class ProfileTest : public QObject {
    Q_OBJECT
private slots:
    void writeThenReadBack() {
        testsupport::TempProgramDir dir;
        const QString f = dir.file("setup.ini");
        QVERIFY(WritePrivateProfileStringA("PRINT_OPTION", QString("X"), QString("12"), f));
        QCOMPARE(dir.read("setup.ini"), QByteArray("[PRINT_OPTION]\r\nX=12\r\n"));
        QCOMPARE(readValue(f, "PRINT_OPTION", "X"), QString("12"));
        QVERIFY(WritePrivateProfileStringA("PRINT_OPTION", QString("X"), QString("-0050"), f));
        QCOMPARE(readValue(f, "PRINT_OPTION", "X"), QString("-0050"));
        // an empty value is a value, not a missing key
        QVERIFY(WritePrivateProfileStringA("PRINT_OPTION", QString("X"), QString(""), f));
        QCOMPARE(readValue(f, "PRINT_OPTION", "X"), QString());
        // no value removes the key, no key the whole section
        QVERIFY(WritePrivateProfileStringA("PRINT_OPTION", QString("X"), std::nullopt, f));
        QCOMPARE(readValue(f, "PRINT_OPTION", "X"), QString("dflt"));
        QVERIFY(WritePrivateProfileStringA("PRINT_OPTION", QString("Y"), QString("1"), f));
        QVERIFY(WritePrivateProfileStringA("PRINT_OPTION", std::nullopt, std::nullopt, f));
        QCOMPARE(readValue(f, "PRINT_OPTION", "Y"), QString("dflt"));
    }

    void namesIgnoreCaseAndBlanks() {
        testsupport::TempProgramDir dir;
        dir.write("a.ini", "  [ Print_Option ]  \r\n  tot_height  =  510  \r\nNotice = \" " +
                               toCp949(u"표어") + " \"\r\n");
        const QString f = dir.file("a.ini");
        QCOMPARE(readValue(f, "PRINT_OPTION", "TOT_HEIGHT"), QString("510"));
        QCOMPARE(readValue(f, "print_option", "Tot_Height"), QString("510"));
        QCOMPARE(readValue(f, " PRINT_OPTION ", " TOT_HEIGHT "), QString("510"));
        // quotes keep the blanks inside them
        QCOMPARE(readValue(f, "PRINT_OPTION", "NOTICE"), QStringLiteral(" 표어 "));
        // writing with other case changes the existing key, adds no second one
        QVERIFY(WritePrivateProfileStringA("print_option", QString("TOT_HEIGHT"), QString("480"), f));
        QCOMPARE(readValue(f, "PRINT_OPTION", "tot_height"), QString("480"));
        QCOMPARE(dir.read("a.ini").count("=480"), 1);
        QCOMPARE(dir.read("a.ini").count("510"), 0);
    }

    void koreanNamesDifferByTrailByte() {
        // 갂 is 81 41 and 갵 is 81 61: the trail bytes look like 'A' and 'a'
        // but the two syllables are different names.
        testsupport::TempProgramDir dir;
        dir.write("k.ini", "[" + toCp949(u"갵") + "]\r\nKEY=1\r\n");
        const QString f = dir.file("k.ini");
        QCOMPARE(readValue(f, QStringLiteral("갵"), "KEY"), QString("1"));
        QCOMPARE(readValue(f, QStringLiteral("갂"), "KEY"), QString("dflt"));
    }

    void missingGivesDefault() {
        testsupport::TempProgramDir dir;
        const QString none = dir.file("none.ini");
        QCOMPARE(readValue(none, "S", "K", "0130"), QString("0130"));
        QVERIFY(!QFile::exists(none)); // reading creates nothing
        dir.write("s.ini", "[S]\r\nK=v\r\n[T]\r\n");
        const QString f = dir.file("s.ini");
        QCOMPARE(readValue(f, "S", "K"), QString("v"));
        QCOMPARE(readValue(f, "S", "OTHER"), QString("dflt"));
        QCOMPARE(readValue(f, "T", "K"), QString("dflt"));
        QCOMPARE(readValue(f, "U", "K"), QString("dflt"));
        QCOMPARE(readValue(f, "U", "K", ""), QString());
    }

    void writeChangesOnlyThatLine_data() {
        QTest::addColumn<QByteArray>("eol");
        QTest::addColumn<QByteArray>("bom");
        QTest::newRow("CR LF") << QByteArray("\r\n") << QByteArray();
        QTest::newRow("LF") << QByteArray("\n") << QByteArray();
        QTest::newRow("UTF-8 byte-order mark") << QByteArray("\r\n") << QByteArray("\xEF\xBB\xBF");
    }
    void writeChangesOnlyThatLine() {
        QFETCH(QByteArray, eol);
        QFETCH(QByteArray, bom);
        testsupport::TempProgramDir dir;
        const QByteArray before = bom + "[FIRST]" + eol + "A=7" + eol + "; installed settings" + eol +
                                  "[PRINT_OPTION]" + eol + "TOT_HEIGHT = 510 " + eol + "X=1" + eol +
                                  "  ; keep me" + eol + eol + "[TAG]" + eol + "X=tag" + eol;
        dir.write("setup.ini", before);
        const QString f = dir.file("setup.ini");
        QCOMPARE(readValue(f, "FIRST", "A"), QString("7"));
        QVERIFY(WritePrivateProfileStringA("PRINT_OPTION", QString("X"), QString("25"), f));
        QByteArray expected = before;
        expected.replace("X=1", "X=25");
        QCOMPARE(dir.read("setup.ini"), expected);

        // a new key joins its section after the section's last key
        QVERIFY(WritePrivateProfileStringA("PRINT_OPTION", QString("Y"), QString("40"), f));
        expected.replace("X=25" + eol, "X=25" + eol + "Y=40" + eol);
        QCOMPARE(dir.read("setup.ini"), expected);
    }

    void newSectionIsAppended() {
        testsupport::TempProgramDir dir;
        dir.write("setup.ini", "[PRINT_OPTION]\r\nX=1\r\n");
        const QString f = dir.file("setup.ini");
        QVERIFY(WritePrivateProfileStringA("DBINFO", QString("DB_KIND"), QString("2"), f));
        QCOMPARE(dir.read("setup.ini"), QByteArray("[PRINT_OPTION]\r\nX=1\r\n[DBINFO]\r\nDB_KIND=2\r\n"));
        QCOMPARE(readValue(f, "PRINT_OPTION", "X"), QString("1"));
        QCOMPARE(readValue(f, "DBINFO", "DB_KIND"), QString("2"));
    }

    void textIsCp949() {
        testsupport::TempProgramDir dir;
        const QString f = dir.file("db_setup.ini");
        const QString notice = QStringLiteral("국가자산 똠방각하");
        QVERIFY(WritePrivateProfileStringA("ETC", QString("NOTICE"), notice, f));
        QCOMPARE(dir.read("db_setup.ini"), "[ETC]\r\nNOTICE=" + toCp949(notice) + "\r\n");
        QCOMPARE(readValue(f, "ETC", "NOTICE"), notice);
        QVERIFY(WritePrivateProfileStringA(QStringLiteral("태그"), QStringLiteral("종류"),
                                           QStringLiteral("고리형"), f));
        QCOMPARE(readValue(f, QStringLiteral("태그"), QStringLiteral("종류")), QStringLiteral("고리형"));
    }

    void bufferSizeLimit() {
        testsupport::TempProgramDir dir;
        dir.write("b.ini", "[S]\r\nA=" + QByteArray(300, 'a') + "\r\nK=" +
                               toCp949(QString(200, QChar(0xAC00))) + "\r\nT=a\tb\tc\r\nS=0123456789\r\n");
        const QString f = dir.file("b.ini");
        QCOMPARE(GetPrivateProfileStringA("S", "A", "", 255, f), QString(254, u'a'));
        QCOMPARE(readProfileText(f, "S", "A"), QString(254, u'a'));
        // a double-byte character is never cut in half
        QCOMPARE(GetPrivateProfileStringA("S", "K", "", 255, f), QString(127, QChar(0xAC00)));
        QCOMPARE(GetPrivateProfileStringA("S", "K", "", 4, f), QString(1, QChar(0xAC00)));
        QCOMPARE(GetPrivateProfileStringA("S", "S", "", 5, f), QString("0123"));
        QCOMPARE(GetPrivateProfileStringA("S", "S", "", 1, f), QString());
        QCOMPARE(GetPrivateProfileStringA("S", "missing", "0123456789", 5, f), QString("0123"));
        // the system's reader drops tabs inside the value
        QCOMPARE(readProfileText(f, "S", "T"), QString("abc"));
    }

    void integers() {
        testsupport::TempProgramDir dir;
        dir.write("i.ini", "[LOG]\r\nA=42\r\nB= -7 \r\nC=12ab\r\nD=abc\r\nE=+3\r\n");
        const QString f = dir.file("i.ini");
        QCOMPARE(GetPrivateProfileIntA("LOG", "A", 9, f), 42);
        QCOMPARE(GetPrivateProfileIntA("log", "a", 9, f), 42);
        QCOMPARE(GetPrivateProfileIntA("LOG", "B", 9, f), -7);
        QCOMPARE(GetPrivateProfileIntA("LOG", "C", 9, f), 12);
        QCOMPARE(GetPrivateProfileIntA("LOG", "D", 9, f), 0);
        QCOMPARE(GetPrivateProfileIntA("LOG", "E", 9, f), 3);
        QCOMPARE(GetPrivateProfileIntA("LOG", "MISSING", 9, f), 9);
        QCOMPARE(GetPrivateProfileIntA("LOG", "A", 9, dir.file("none.ini")), 9);
    }
};

QTEST_GUILESS_MAIN(ProfileTest)
#include "ProfileTest.moc"
