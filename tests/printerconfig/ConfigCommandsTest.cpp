// The configuration records as the printer receives them: the values at
// their positions, their number patterns, the model tails, and what happens
// to templates and values that do not fit.
#include "main/printerconfig/ConfigCommands.h"

#include <QtTest>

using namespace printerconfig;

namespace {
// A 23-character RFID template whose characters tell their own positions.
const QString kT23 = QStringLiteral("ABCDEFGHIJklmNOPQRSTUVW");
// A 39-character ribbon-adjust template, likewise.
const QString kA39 = QStringLiteral("abcdefghijklmnopqrstuvwxyzABxxCyyDEFGHI");
} // namespace

class ConfigCommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void numberPatterns_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("formatted");
        QTest::newRow("5 three digits") << "5"
                                        << "000"
                                        << "005";
        QTest::newRow("5 signed") << "5"
                                  << "+00"
                                  << "+05";
        QTest::newRow("5 two digits") << "5"
                                      << "00"
                                      << "05";
        QTest::newRow("zero signed") << "0"
                                     << "+00"
                                     << "+00";
        QTest::newRow("already padded") << "012"
                                        << "000"
                                        << "012";
        QTest::newRow("typed with plus") << "+3"
                                         << "+00"
                                         << "+03";
        QTest::newRow("blanks around") << " 7 "
                                       << "000"
                                       << "007";
        QTest::newRow("wider keeps digits") << "1234"
                                            << "000"
                                            << "1234";
        QTest::newRow("wider signed") << "123"
                                      << "+00"
                                      << "+123";
        QTest::newRow("negative") << "-3"
                                  << "+00"
                                  << "-+03";
        QTest::newRow("negative plain") << "-12"
                                        << "00"
                                        << "-12";
        QTest::newRow("minus zero") << "-0"
                                    << "000"
                                    << "000";
        QTest::newRow("fraction rounds up") << "4.5"
                                            << "000"
                                            << "005";
        QTest::newRow("fraction rounds down") << "4.49"
                                              << "000"
                                              << "004";
        QTest::newRow("fraction carries") << "99.7"
                                          << "00"
                                          << "100";
        QTest::newRow("only a fraction") << ".6"
                                         << "00"
                                         << "01";
        QTest::newRow("letters unchanged") << "abc"
                                           << "000"
                                           << "abc";
        QTest::newRow("mixed unchanged") << "1a"
                                         << "000"
                                         << "1a";
        QTest::newRow("empty unchanged") << ""
                                         << "000"
                                         << "";
        QTest::newRow("blank unchanged") << "  "
                                         << "+00"
                                         << "  ";
        QTest::newRow("sign alone unchanged") << "-"
                                              << "00"
                                              << "-";
        QTest::newRow("two points unchanged") << "1.2.3"
                                              << "000"
                                              << "1.2.3";
    }
    void numberPatterns() {
        QFETCH(QString, text);
        QFETCH(QString, pattern);
        QFETCH(QString, formatted);
        QCOMPARE(formatNumber(text, pattern), formatted);
    }

    void rfidCommandForBothModels() {
        // ISSUE RETRY 5, POWER LEVEL 12, ADJ RETRY 3.
        const QString sa4tp = buildRfidCommand(kT23, "5", "12", "3", ModelSA4TP);
        QCOMPARE(sa4tp, kT23.left(10) + "005" + kT23.mid(13, 10) + "+03" + "012" + "1100211110|}");
        QCOMPARE(sa4tp.size(), 41);
        const QString sx5t = buildRfidCommand(kT23, "5", "12", "3", ModelSX5T);
        QCOMPARE(sx5t, kT23.left(10) + "005" + kT23.mid(13, 10) + "+03" + "012" + "0000000000|}");
        // Characters 11-13 of the template are the ones the value replaces.
        QVERIFY(!sx5t.contains("klm"));
    }

    void rfidCommandFromTemplateAsShipped() {
        const QString shipped = QStringLiteral("{@RFID;IR:003,FR:00,AJ:+000100000000000|}");
        QCOMPARE(buildRfidCommand(shipped, "7", "15", "-2", ModelSA4TP),
                 QStringLiteral("{@RFID;IR:007,FR:00,AJ:-+020151100211110|}"));
        // Sending the template's own values gives the template back.
        QCOMPARE(buildRfidCommand(shipped, "003", "010", "+00", ModelSX5T), shipped);
        const RfidTemplateValues v = rfidValuesOf(shipped);
        QCOMPARE(v.issueRetry, QStringLiteral("003"));
        QCOMPARE(v.adjRetry, QStringLiteral("+00"));
        QCOMPARE(v.powerLevel, QStringLiteral("010"));
    }

    void rfidCommandEdges() {
        // No template: the formatted values and the model tail alone.
        QCOMPARE(buildRfidCommand(QString(), "5", "12", "3", ModelSX5T),
                 QStringLiteral("005+030120000000000|}"));
        // A template shorter than ten characters gives what it has.
        QCOMPARE(buildRfidCommand("{RS;", "1", "2", "3", ModelSX5T),
                 QStringLiteral("{RS;001+030020000000000|}"));
        // A wide value shifts the rest of the command instead of being cut.
        const QString wide = buildRfidCommand(kT23, "1234", "12", "3", ModelSX5T);
        QCOMPARE(wide.size(), 42);
        QVERIFY(wide.startsWith(kT23.left(10) + "1234" + kT23.mid(13, 10)));
        // Text that is no number goes in as typed.
        QCOMPARE(buildRfidCommand(kT23, "x", "ab", " ", ModelSX5T),
                 kT23.left(10) + "x" + kT23.mid(13, 10) + " " + "ab" + "0000000000|}");
    }

    void adjustCommand() {
        const QString cmd = buildAdjCommand(kA39, "5", "12");
        QCOMPARE(cmd, kA39.left(28) + "05" + kA39.mid(30, 1) + "12" + kA39.right(6));
        QCOMPARE(cmd.size(), 39);
        QCOMPARE(cmd, QStringLiteral("abcdefghijklmnopqrstuvwxyzAB05C12DEFGHI"));

        const QString shipped = QStringLiteral("{@ADJ;0000,0000,0000,RBN,FW-03-02,0,0|}");
        QCOMPARE(buildAdjCommand(shipped, "15", "0"),
                 QStringLiteral("{@ADJ;0000,0000,0000,RBN,FW-15-00,0,0|}"));
        const AdjValues v = adjValuesOf(shipped);
        QCOMPARE(v.rbnAdjFw, QStringLiteral("03"));
        QCOMPARE(v.rbnAdjBk, QStringLiteral("02"));

        // No template: the values and the (missing) separator alone.
        QCOMPARE(buildAdjCommand(QString(), "5", "12"), QStringLiteral("0512"));
        // A short template: its first and last characters overlap.
        QCOMPARE(buildAdjCommand("{@ADJ;|}", "1", "2"), QStringLiteral("{@ADJ;|}0102ADJ;|}"));
        // A value typed with its minus sign and a wide value pass through.
        QCOMPARE(buildAdjCommand(kA39, "-5", "123"), kA39.left(28) + "-05" + "C" + "123" + kA39.right(6));
    }

    void resetValuesOfShortTemplates() {
        QCOMPARE(rfidValuesOf(QString()).issueRetry, QString());
        const RfidTemplateValues partial = rfidValuesOf(QStringLiteral("ABCDEFGHIJ12"));
        QCOMPARE(partial.issueRetry, QStringLiteral("12"));
        QCOMPARE(partial.powerLevel, QString());
        QCOMPARE(adjValuesOf(QStringLiteral("short")).rbnAdjFw, QString());
    }
};

QTEST_GUILESS_MAIN(ConfigCommandsTest)
#include "ConfigCommandsTest.moc"
