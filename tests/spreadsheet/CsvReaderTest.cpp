// Comma-separated files as a spreadsheet application opens them.
#include "main/spreadsheet/CsvReader.h"
#include "platform/Cp949.h"
#include "platform/RuntimeError.h"

#include <QTest>

using namespace spreadsheet;

class CsvReaderTest : public QObject {
    Q_OBJECT

private slots:
    void fieldsAndQuotes() {
        const QList<QStringList> r = parseCsv(
            u"a,b,c\r\n\"x,y\",\"say \"\"hi\"\"\",'A123'\n\"two\nlines\",z\rlast,\"q\"tail,mid\"dle\"");
        QCOMPARE(r.size(), 4);
        QCOMPARE(r[0], (QStringList{"a", "b", "c"}));
        QCOMPARE(r[1], (QStringList{"x,y", "say \"hi\"", "'A123'"}));
        QCOMPARE(r[2], (QStringList{"two\nlines", "z"}));
        QCOMPARE(r[3], (QStringList{"last", "qtail", "mid\"dle\""}));
    }

    void emptyFieldsAndLines() {
        const QList<QStringList> r = parseCsv(u"1,,3,\n\n,'B7'\n");
        QCOMPARE(r.size(), 3);
        QCOMPARE(r[0], (QStringList{"1", "", "3", ""}));
        QCOMPARE(r[1], QStringList{QString()});
        QCOMPARE(r[2], (QStringList{"", "'B7'"}));
        QVERIFY(parseCsv(u"").isEmpty());
    }

    void unclosedQuoteNamesItsLine() {
        for (const auto& [text, line] :
             {std::pair{u"\"unterminated,x", 1}, {u"a,b\r\n\"x\ny\",'1'\r\n2,\"'3'\n4,'5'\n", 4}}) {
            try {
                parseCsv(text);
                QFAIL("an unclosed quote was taken");
            } catch (const platform::RuntimeError& e) {
                QVERIFY2(e.text().startsWith(QStringLiteral("%1행: ").arg(line)), qPrintable(e.text()));
            }
        }
    }

    void encodings() {
        const QString text = QStringLiteral("번호,'가나123'\n");
        QCOMPARE(decodeCsvText("\xEF\xBB\xBF" + text.toUtf8()), text);
        QCOMPARE(decodeCsvText(text.toUtf8()), text);
        QCOMPARE(decodeCsvText(platform::toCp949(text)), text);
        // Plain ASCII reads the same either way.
        QCOMPARE(decodeCsvText("a,'b'\n"), QStringLiteral("a,'b'\n"));
    }
};

QTEST_GUILESS_MAIN(CsvReaderTest)
#include "CsvReaderTest.moc"
