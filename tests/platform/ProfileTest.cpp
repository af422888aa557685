// The INI profile functions the settings files go through: one table of
// rules, run against the system's own functions on Windows and against the
// emulation on Linux. Each row starts from a file (or none), makes one call
// and looks at its result and at the file afterwards.
#include "platform/Profile.h"
#include "platform/Cp949.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QHash>
#include <QTest>
#ifdef Q_OS_WIN
#include <windows.h>
#endif

using namespace platform;

namespace {
// A row's file that is not there, before or after.
const QByteArray kNoFile = "<no file>";
// A row's file afterwards that is the same as before.
const QByteArray kUnchanged = "<unchanged>";
// Wine's profile functions (the Windows test programs run under Wine) differ
// from Windows' own in two ways: a write puts the whole file out anew (blanks
// around names and values, indentation and empty lines go, a changed key
// keeps the file's spelling), and a buffer that ends inside a double-byte
// character keeps its lead byte. Those rows say what Wine gives.
bool underWine() {
#ifdef Q_OS_WIN
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
#else
    return false;
#endif
}
const QByteArray kLayoutByWine =
    "[FIRST]\r\nA=7\r\n; installed settings\r\n[PRINT_OPTION]\r\nTOT_HEIGHT=510\r\nX=25\r\n"
    "; keep me\r\n[TAG]\r\nX=tag\r\n";
// Row name: Wine's result and file afterwards.
QHash<QString, std::pair<QString, QByteArray>> wineOutcomes() {
    return {{"write in other case changes the key",
             {"true", "[Print_Option]\r\ntot_height=480\r\nNotice=\" " + toCp949(u"표어") + " \"\r\n"}},
            {"small buffer, double-byte", {QStringLiteral("가\uFFFD"), kUnchanged}},
            {"write changes only that line", {"true", kLayoutByWine}},
            {"write keeps LF lines", {"true", kLayoutByWine}},
            {"write keeps a UTF-8 byte-order mark", {"true", "\xEF\xBB\xBF" + kLayoutByWine}},
            {"new key after the section's last key",
             {"true",
              QByteArray(kLayoutByWine).replace("X=25\r\n; keep me\r\n", "X=1\r\n; keep me\r\nY=40\r\n")}}};
}
const QByteArray kLayout =
    "[FIRST]\r\nA=7\r\n; installed settings\r\n[PRINT_OPTION]\r\nTOT_HEIGHT = 510 \r\nX=1\r\n"
    "  ; keep me\r\n\r\n[TAG]\r\nX=tag\r\n";
QByteArray lf(QByteArray crlf) {
    return crlf.replace("\r\n", "\n");
}
QByteArray cp(const char16_t* text) {
    return toCp949(QStringView(text));
}
} // namespace

class ProfileTest : public QObject {
    Q_OBJECT
private slots:
    void rules_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("call"); // read, int, write, remove key, remove section
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value"); // the default of a read, the value of a write
        QTest::addColumn<int>("size");      // a read's buffer
        QTest::addColumn<QString>("result");
        QTest::addColumn<QByteArray>("after");

        const QByteArray names =
            "  [ Print_Option ]  \r\n  tot_height  =  510  \r\nNotice = \" " + cp(u"표어") + " \"\r\n";
        QTest::newRow("names ignore case") << names << "read"
                                           << "PRINT_OPTION"
                                           << "TOT_HEIGHT"
                                           << "d" << 255 << "510" << kUnchanged;
        QTest::newRow("names ignore case 2") << names << "read"
                                             << "print_option"
                                             << "Tot_Height"
                                             << "d" << 255 << "510" << kUnchanged;
        QTest::newRow("blanks around names") << names << "read"
                                             << " PRINT_OPTION "
                                             << " TOT_HEIGHT "
                                             << "d" << 255 << "510" << kUnchanged;
        QTest::newRow("quotes keep inner blanks") << names << "read"
                                                  << "PRINT_OPTION"
                                                  << "NOTICE"
                                                  << "d" << 255 << QStringLiteral(" 표어 ") << kUnchanged;
        QTest::newRow("write in other case changes the key")
            << names << "write"
            << "print_option"
            << "TOT_HEIGHT"
            << "480" << 0 << "true"
            << QByteArray("  [ Print_Option ]  \r\nTOT_HEIGHT=480\r\nNotice = \" " + cp(u"표어") + " \"\r\n");
        // 갂 is 81 41 and 갵 is 81 61: the trail bytes look like 'A' and 'a'.
        const QByteArray korean = "[" + cp(u"갵") + "]\r\nKEY=1\r\n";
        QTest::newRow("Korean section") << korean << "read" << QStringLiteral("갵") << "KEY"
                                        << "d" << 255 << "1" << kUnchanged;
        QTest::newRow("trail byte is no letter") << korean << "read" << QStringLiteral("갂") << "KEY"
                                                 << "d" << 255 << "d" << kUnchanged;

        QTest::newRow("no file gives the default, creates none") << kNoFile << "read"
                                                                 << "S"
                                                                 << "K"
                                                                 << "0130" << 255 << "0130" << kNoFile;
        const QByteArray sk = "[S]\r\nK=v\r\n[T]\r\n";
        QTest::newRow("key") << sk << "read"
                             << "S"
                             << "K"
                             << "d" << 255 << "v" << kUnchanged;
        QTest::newRow("other key") << sk << "read"
                                   << "S"
                                   << "OTHER"
                                   << "d" << 255 << "d" << kUnchanged;
        QTest::newRow("key of another section") << sk << "read"
                                                << "T"
                                                << "K"
                                                << "d" << 255 << "d" << kUnchanged;
        QTest::newRow("no section") << sk << "read"
                                    << "U"
                                    << "K"
                                    << "d" << 255 << "d" << kUnchanged;
        QTest::newRow("empty default") << sk << "read"
                                       << "U"
                                       << "K"
                                       << "" << 255 << "" << kUnchanged;

        const QByteArray b = "[S]\r\nA=" + QByteArray(300, 'a') +
                             "\r\nK=" + toCp949(QString(200, QChar(0xAC00))) + "\r\nS=0123456789\r\n";
        QTest::newRow("buffer holds size - 1") << b << "read"
                                               << "S"
                                               << "A"
                                               << "" << 255 << QString(254, u'a') << kUnchanged;
        QTest::newRow("double-byte character never cut")
            << b << "read"
            << "S"
            << "K"
            << "" << 255 << QString(127, QChar(0xAC00)) << kUnchanged;
        QTest::newRow("small buffer, double-byte") << b << "read"
                                                   << "S"
                                                   << "K"
                                                   << "" << 4 << QString(1, QChar(0xAC00)) << kUnchanged;
        QTest::newRow("small buffer") << b << "read"
                                      << "S"
                                      << "S"
                                      << "" << 5 << "0123" << kUnchanged;
        QTest::newRow("buffer of one") << b << "read"
                                       << "S"
                                       << "S"
                                       << "" << 1 << "" << kUnchanged;
        QTest::newRow("default cut too") << b << "read"
                                         << "S"
                                         << "missing"
                                         << "0123456789" << 5 << "0123" << kUnchanged;

        const QByteArray ints = "[LOG]\r\nA=42\r\nB= -7 \r\nC=12ab\r\nD=abc\r\nE=+3\r\n";
        QTest::newRow("int") << ints << "int"
                             << "LOG"
                             << "A"
                             << "9" << 0 << "42" << kUnchanged;
        QTest::newRow("int ignores case") << ints << "int"
                                          << "log"
                                          << "a"
                                          << "9" << 0 << "42" << kUnchanged;
        QTest::newRow("int negative") << ints << "int"
                                      << "LOG"
                                      << "B"
                                      << "9" << 0 << "-7" << kUnchanged;
        QTest::newRow("int leading digits") << ints << "int"
                                            << "LOG"
                                            << "C"
                                            << "9" << 0 << "12" << kUnchanged;
        QTest::newRow("int no digits") << ints << "int"
                                       << "LOG"
                                       << "D"
                                       << "9" << 0 << "0" << kUnchanged;
        QTest::newRow("int plus sign") << ints << "int"
                                       << "LOG"
                                       << "E"
                                       << "9" << 0 << "3" << kUnchanged;
        QTest::newRow("int missing key") << ints << "int"
                                         << "LOG"
                                         << "MISSING"
                                         << "9" << 0 << "9" << kUnchanged;
        QTest::newRow("int no file") << kNoFile << "int"
                                     << "LOG"
                                     << "A"
                                     << "9" << 0 << "9" << kNoFile;

        QTest::newRow("write creates the file")
            << kNoFile << "write"
            << "PRINT_OPTION"
            << "X"
            << "12" << 0 << "true" << QByteArray("[PRINT_OPTION]\r\nX=12\r\n");
        QTest::newRow("write keeps leading zeros and sign")
            << QByteArray("[PRINT_OPTION]\r\nX=12\r\n") << "write"
            << "PRINT_OPTION"
            << "X"
            << "-0050" << 0 << "true" << QByteArray("[PRINT_OPTION]\r\nX=-0050\r\n");
        QTest::newRow("empty value is a value") << QByteArray("[PRINT_OPTION]\r\nX=\r\n") << "read"
                                                << "PRINT_OPTION"
                                                << "X"
                                                << "d" << 255 << "" << kUnchanged;
        QTest::newRow("no value removes the key")
            << QByteArray("[PRINT_OPTION]\r\nX=1\r\nY=2\r\n") << "remove key"
            << "PRINT_OPTION"
            << "X"
            << "" << 0 << "true" << QByteArray("[PRINT_OPTION]\r\nY=2\r\n");
        QTest::newRow("no key removes the section")
            << QByteArray("[A]\r\nK=1\r\n[PRINT_OPTION]\r\nY=1\r\n") << "remove section"
            << "PRINT_OPTION"
            << ""
            << "" << 0 << "true" << QByteArray("[A]\r\nK=1\r\n");
        QTest::newRow("write changes only that line")
            << kLayout << "write"
            << "PRINT_OPTION"
            << "X"
            << "25" << 0 << "true" << QByteArray(kLayout).replace("X=1\r\n", "X=25\r\n");
        QTest::newRow("write keeps LF lines")
            << lf(kLayout) << "write"
            << "PRINT_OPTION"
            << "X"
            << "25" << 0 << "true" << lf(kLayout).replace("X=1\n", "X=25\n");
        QTest::newRow("write keeps a UTF-8 byte-order mark")
            << "\xEF\xBB\xBF" + kLayout << "write"
            << "PRINT_OPTION"
            << "X"
            << "25" << 0 << "true"
            << "\xEF\xBB\xBF" + QByteArray(kLayout).replace("X=1\r\n", "X=25\r\n");
        QTest::newRow("new key after the section's last key")
            << kLayout << "write"
            << "PRINT_OPTION"
            << "Y"
            << "40" << 0 << "true" << QByteArray(kLayout).replace("X=1\r\n", "X=1\r\nY=40\r\n");
        QTest::newRow("new section appended")
            << QByteArray("[PRINT_OPTION]\r\nX=1\r\n") << "write"
            << "DBINFO"
            << "DB_KIND"
            << "2" << 0 << "true" << QByteArray("[PRINT_OPTION]\r\nX=1\r\n[DBINFO]\r\nDB_KIND=2\r\n");
        QTest::newRow("first of two sections") << QByteArray("[S]\r\nK=1\r\n[T]\r\n[S]\r\nK=2\r\n") << "read"
                                               << "S"
                                               << "K"
                                               << "d" << 255 << "1" << kUnchanged;
        const QString notice = QStringLiteral("국가자산 똠방각하");
        QTest::newRow("text is CP949") << kNoFile << "write"
                                       << "ETC"
                                       << "NOTICE" << notice << 0 << "true"
                                       << "[ETC]\r\nNOTICE=" + toCp949(notice) + "\r\n";
        QTest::newRow("CP949 read back") << "[ETC]\r\nNOTICE=" + toCp949(notice) + "\r\n"
                                         << "read"
                                         << "ETC"
                                         << "NOTICE"
                                         << "" << 255 << notice << kUnchanged;
        QTest::newRow("Korean names")
            << QByteArray() << "write" << QStringLiteral("태그") << QStringLiteral("종류")
            << QStringLiteral("고리형") << 0 << "true"
            << "[" + cp(u"태그") + "]\r\n" + cp(u"종류") + "=" + cp(u"고리형") + "\r\n";
    }

    void rules() {
        QFETCH(QByteArray, before);
        QFETCH(QString, call);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(int, size);
        QFETCH(QString, result);
        QFETCH(QByteArray, after);
        if (underWine()) {
            const auto wine = wineOutcomes().value(QString::fromUtf8(QTest::currentDataTag()));
            if (!wine.first.isEmpty())
                std::tie(result, after) = wine;
        }
        testsupport::TempProgramDir dir;
        const QString f = dir.file("rules.ini");
        if (before != kNoFile)
            dir.write("rules.ini", before);
        QString got;
        if (call == "read")
            got = GetPrivateProfileStringA(section, key, value, size, f);
        else if (call == "int")
            got = QString::number(GetPrivateProfileIntA(section, key, value.toInt(), f));
        else if (call == "write")
            got = WritePrivateProfileStringA(section, key, value, f) ? "true" : "false";
        else if (call == "remove key")
            got = WritePrivateProfileStringA(section, key, std::nullopt, f) ? "true" : "false";
        else
            got = WritePrivateProfileStringA(section, std::nullopt, std::nullopt, f) ? "true" : "false";
        QCOMPARE(got, result);
        if (after == kNoFile)
            QVERIFY(!QFile::exists(f));
        else
            QCOMPARE(dir.read("rules.ini"), after == kUnchanged ? before : after);
    }

    void settingsReaderDropsTabs() {
        testsupport::TempProgramDir dir;
        dir.write("b.ini", "[S]\r\nA=" + QByteArray(300, 'a') + "\r\nT=a\tb\tc\r\n");
        QCOMPARE(readProfileText(dir.file("b.ini"), "S", "A"), QString(254, u'a'));
        QCOMPARE(readProfileText(dir.file("b.ini"), "S", "T"), QString("abc"));
    }
};

QTEST_GUILESS_MAIN(ProfileTest)
#include "ProfileTest.moc"
