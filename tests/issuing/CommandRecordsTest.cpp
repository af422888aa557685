// Command records as the printer receives them: number formats at their
// edges and the exact bytes of every record kind.
#include "main/issuing/CommandRecords.h"

#include <QtTest>

using namespace issuing;

class CommandRecordsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void positionFormat_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("zero") << 0 << QByteArray("0000");
        QTest::newRow("small") << 70 << QByteArray("0070");
        QTest::newRow("four digits") << 9999 << QByteArray("9999");
        QTest::newRow("five digits") << 10000 << QByteArray("10000");
        QTest::newRow("minus five") << -5 << QByteArray("-0005");
        QTest::newRow("minus twenty") << -20 << QByteArray("-0020");
        QTest::newRow("large negative") << -12345 << QByteArray("-12345");
        QTest::newRow("16-bit minimum") << -32768 << QByteArray("-32768");
    }
    void positionFormat() {
        QFETCH(int, value);
        QFETCH(QByteArray, text);
        QCOMPARE(records::position(value), text);
    }

    void fixedRecords() {
        QCOMPARE(records::clear(), QByteArray("{C|}"));
        QCOMPARE(records::statusRequest(), QByteArray("{WS|}"));
        QCOMPARE(records::reset(), QByteArray("{Z0|}"));
        QCOMPARE(records::rfidSetup(false), QByteArray("{XB01;0000,0000,r,T24,G2,L36,B01|}"));
        QCOMPARE(records::rfidSetup(true), QByteArray("{XB01;0000,0000,r,T24,G2,L00,B01|}"));
        QCOMPARE(records::issue(false), QByteArray("{XS;I,0001,0002C5101|}"));
        QCOMPARE(records::issue(true), QByteArray("{XS;I,0001,0004C5101|}"));
    }

    void formatRecords() {
        QCOMPARE(records::size(760, 940, 700), QByteArray("{D0760,0940,0700|}"));
        QCOMPARE(records::size(0, 0, 0), QByteArray("{D0000,0000,0000|}"));
        QCOMPARE(records::density(QStringLiteral("+05"), true), QByteArray("{AY;+05,1|}"));
        QCOMPARE(records::density(QStringLiteral("-03"), false), QByteArray("{AY;-03,0|}"));
        QCOMPARE(records::feed(QStringLiteral("+0130")), QByteArray("{@003;+0130,0|}"));
        QCOMPARE(records::feed(QStringLiteral("-0020")), QByteArray("{@003;-0020,0|}"));
    }

    void fieldAndLineRecords() {
        QCOMPARE(records::fieldFormat(3, 190, 150, ",07,07,H,00,B,+0000000000|}"),
                 QByteArray("{PC003;0190,0150,07,07,H,00,B,+0000000000|}"));
        QCOMPARE(records::fieldData(3, "1234-56"), QByteArray("{RC003;1234-56|}"));
        QCOMPARE(records::fieldData(1, QByteArray()), QByteArray("{RC001;|}"));
        // double-byte field data passes through as bytes, never as text
        const QByteArray pairs("\xBA\xD0\xC9\xA1\xB7\xF9", 6);
        QCOMPARE(records::fieldData(2, pairs), QByteArray("{RC002;") + pairs + "|}");
        QCOMPARE(records::fieldNumber(16), QByteArray("016"));
        QCOMPARE(records::line(-20, 160, 800, 160, ",0,2|}"), QByteArray("{LC;-0020,0160,0800,0160,0,2|}"));
        QCOMPARE(records::line(60, 120, 880, 280, ",1,2,010|}"),
                 QByteArray("{LC;0060,0120,0880,0280,1,2,010|}"));
        QCOMPARE(records::rfidData("05410D0420F1CB3D3500000000000101"),
                 QByteArray("{RB01;05410D0420F1CB3D3500000000000101|}"));
    }
};

QTEST_GUILESS_MAIN(CommandRecordsTest)
#include "CommandRecordsTest.moc"
