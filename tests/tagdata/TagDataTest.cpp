// Tag data for the RFID inlay and the double-byte form of label texts.
#include "main/tagdata/TagData.h"
#include "platform/RuntimeError.h"
#include "tests/support/TestSupport.h"

#include <QTest>

using namespace tagdata;

namespace {
// The error text a call raises, or "" when it succeeds.
template <typename F> QString raised(F&& f) {
    try {
        f();
    } catch (const platform::RuntimeError& e) {
        return e.text();
    }
    return QString();
}
} // namespace

class TagDataTest : public QObject {
    Q_OBJECT
private slots:
    void tagData_data();
    void tagData();
    void sixBitCodes_data();
    void sixBitCodes();
    void nonDigitInSerialOrSuffixFails();
    void baseConversions();
    void hangul_data();
    void hangul();
    void hangulRejectsWhatThePrinterCannotTake();
};

void TagDataTest::tagData_data() {
    QTest::addColumn<QString>("organ");
    QTest::addColumn<QString>("seq");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("expected");
    QTest::newRow("worked example") << "ABC12345"
                                    << "000000000001"
                                    << "01"
                                    << "05410D0420F1CB3D3500000000000101";
    QTest::newRow("lower case like upper") << "abc12345"
                                           << "000000000001"
                                           << "01"
                                           << "05410D0420F1CB3D3500000000000101";
    QTest::newRow("all empty: prefix alone") << ""
                                             << ""
                                             << ""
                                             << "05410D";
    // 6 bits: two groups, the second a short one (01)
    QTest::newRow("A alone") << "A"
                             << ""
                             << ""
                             << "05410D01";
    // 18 bits: 4.5 groups round to 4, the last two bits are dropped
    QTest::newRow("ABC tie to even (down)") << "ABC"
                                            << ""
                                            << ""
                                            << "05410D0420";
    QTest::newRow("abc") << "abc"
                         << ""
                         << ""
                         << "05410D0420";
    // 22 bits: 5.5 groups round to 6, the last group is the short 11
    QTest::newRow("A-1 serial 7 tie to even (up)") << "A-1"
                                                   << "7"
                                                   << ""
                                                   << "05410D05BC53";
    // 10 bits: 2.5 groups round to 2
    QTest::newRow("10 bits") << "A"
                             << "7"
                             << ""
                             << "05410D05";
    // 14 bits: 3.5 groups round to 4, last group 10
    QTest::newRow("14 bits") << "A"
                             << "12"
                             << ""
                             << "05410D0442";
    // even organisation code: serial and suffix digits show through unchanged
    QTest::newRow("serial shows through") << "AB"
                                          << "987654321098"
                                          << "01"
                                          << "05410D042"
                                             "987654321098"
                                             "01";
    QTest::newRow("hyphen space hangul are 27") << "- 가"
                                                << ""
                                                << ""
                                                << "05410D6DB6"; // 18 bits
}

void TagDataTest::tagData() {
    QFETCH(QString, organ);
    QFETCH(QString, seq);
    QFETCH(QString, suffix);
    QFETCH(QString, expected);
    QCOMPARE(SetTagData(QStringLiteral("05410D"), organ, seq, suffix), expected);
}

void TagDataTest::sixBitCodes_data() {
    QTest::addColumn<QString>("ch");
    QTest::addColumn<QString>("bits");
    QTest::newRow("0") << "0"
                       << "110000";
    QTest::newRow("9") << "9"
                       << "111001";
    QTest::newRow("A") << "A"
                       << "000001";
    QTest::newRow("a") << "a"
                       << "000001";
    QTest::newRow("Z") << "Z"
                       << "011010";
    QTest::newRow("z") << "z"
                       << "011010";
    QTest::newRow("hyphen") << "-"
                            << "011011";
    QTest::newRow("space") << " "
                           << "011011";
    QTest::newRow("hangul") << "가"
                            << "011011";
    // neighbours of the letter ranges are no letters
    QTest::newRow("@") << "@"
                       << "011011";
    QTest::newRow("[") << "["
                       << "011011";
    QTest::newRow("`") << "`"
                       << "011011";
    QTest::newRow("{") << "{"
                       << "011011";
    QTest::newRow("full-width digit") << "１"
                                      << "011011";
}

void TagDataTest::sixBitCodes() {
    QFETCH(QString, ch);
    QFETCH(QString, bits);
    QCOMPARE(EncodeSixBit(ch.at(0)), bits);
}

void TagDataTest::nonDigitInSerialOrSuffixFails() {
    const QString mismatch = QString::fromLatin1(platform::kTypeMismatch);
    QCOMPARE(raised([] { SetTagData("05410D", "ABC12345", "00000000000A", "01"); }), mismatch);
    QCOMPARE(raised([] { SetTagData("05410D", "ABC12345", "000000 00001", "01"); }), mismatch);
    QCOMPARE(raised([] { SetTagData("05410D", "ABC12345", "000000000001", "0-"); }), mismatch);
    QCOMPARE(raised([] { SetTagData("05410D", "ABC12345", "00000000000１", "01"); }), mismatch);
}

void TagDataTest::baseConversions() {
    QCOMPARE(DECtoBIN(0), QString("0"));
    QCOMPARE(DECtoBIN(1), QString("1"));
    QCOMPARE(DECtoBIN(2), QString("10"));
    QCOMPARE(DECtoBIN(9), QString("1001"));
    QCOMPARE(DECtoBIN(QString(" 12 ")), QString("1100"));
    QCOMPARE(DECtoBIN(QString("18446744073709551615")), QString(64, u'1'));
    QCOMPARE(raised([] { DECtoBIN(QString("18446744073709551616")); }), QString("Overflow"));
    QCOMPARE(raised([] { DECtoBIN(QString("-1")); }), QString("Type mismatch"));
    QCOMPARE(raised([] { DECtoBIN(QString("")); }), QString("Type mismatch"));

    QCOMPARE(BINtoDEC("0101"), QString("5"));
    QCOMPARE(BINtoDEC("1111"), QString("15"));
    QCOMPARE(BINtoDEC("11"), QString("3"));
    QCOMPARE(BINtoDEC(""), QString());
    QCOMPARE(BINtoDEC(DECtoBIN(40000)), QString("40000"));
    QCOMPARE(BINtoDEC(QString(64, u'1')), QString("18446744073709551615"));
    QCOMPARE(raised([] { BINtoDEC("1" + QString(64, u'0')); }), QString("Overflow"));
    QCOMPARE(raised([] { BINtoDEC("1-1"); }), QString("Type mismatch"));
}

void TagDataTest::hangul_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hex");
    QTest::newRow("ascii") << "A1"
                           << "C9 C2 C9 B2";
    QTest::newRow("row ends") << " }"
                              << "C9 A1 C9 FE";
    QTest::newRow("hangul keeps its bytes") << "가한"
                                            << "B0 A1 C7 D1";
    // an extended syllable whose trail byte is an ASCII letter stays one pair
    QTest::newRow("extended syllable") << "똠"
                                       << "8C 63";
    QTest::newRow("mixed") << "자산A-1"
                           << "C0 DA BB EA C9 C2 C9 AE C9 B2";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("tilde leaves the row") << "~"
                                          << "C9 FF";
    QTest::newRow("no code page 949 code") << "é태😀ก"
                                           << "C9 C0 C5 C2 C9 C0 C9 C0";
}

void TagDataTest::hangul() {
    QFETCH(QString, text);
    QFETCH(QString, hex);
    const QByteArray bytes = GetHangul(text);
    QCOMPARE(testsupport::hex(bytes), hex);
    QCOMPARE(bytes.size(), 2 * text.toUcs4().size());
}

void TagDataTest::hangulRejectsWhatThePrinterCannotTake() {
    QCOMPARE(raised([] { GetHangul(QStringLiteral("A\x7F")); }), QString("Overflow"));
}

QTEST_GUILESS_MAIN(TagDataTest)
#include "TagDataTest.moc"
