// Quorvel finds, writes to and asks the status of virtual USB printers.
#include "tests/support/UsbPrinters.h"

#include "usblink/include/Quorvel.h"

#include <QElapsedTimer>
#include <QTest>

using testsupport::UsbPrinters;

class QuorvelTest : public QObject {
    Q_OBJECT
private slots:
    void noPrinter() {
        UsbPrinters usb; // the folder does not even exist
        QCOMPARE(Find_SA4T_Printer(), 0);
        QCOMPARE(SA4T_Print("{WS|}", 3), QUORVEL_NO_PRINTER);
        QCOMPARE(SA4T_Print("{C|}", 0), QUORVEL_NO_PRINTER);
    }

    void unreadableDeviceFolder() {
#ifdef Q_OS_WIN
        QSKIP("a pipe name cannot be made unreadable; the setup API reports its own failures");
#endif
        UsbPrinters usb;
        QFile plain(usb.deviceDir());
        QVERIFY(plain.open(QIODevice::WriteOnly)); // a file where the folder should be
        plain.close();
        QCOMPARE(Find_SA4T_Printer(), 0);
        QCOMPARE(SA4T_Print("{C|}", 0), QUORVEL_NO_DEVICE_LIST);
    }

    void onePrinterWritesAndAnswers() {
        UsbPrinters usb;
        QVERIFY(usb.add("status 2 code 41\nstatus 3 code 4X\n"));
        QCOMPARE(usb.printer(0).path(), usb.devicePath(0));
        QCOMPARE(Find_SA4T_Printer(), 1);

        // An empty text writes nothing.
        QCOMPARE(SA4T_Print("", 0), 0);
        QCOMPARE(usb.capture(0), QByteArray());

        QCOMPARE(SA4T_Print("{C|}", 0), 0);
        QTRY_COMPARE(usb.capture(0), QByteArray("{C|}"));

        // Status only: the text is not written.
        QCOMPARE(SA4T_Print("{D0320,0940,0300|}", 3), 0);
        QCOMPARE(SA4T_Print("ignored", 3), 41);
        QCOMPARE(SA4T_Print("ignored", 3), 4); // a digit and a letter
        QCOMPARE(usb.capture(0), QByteArray("{C|}{WS|}{WS|}{WS|}"));

        // Type 1 writes, then asks.
        QCOMPARE(SA4T_Print("{Z0|}", 1), 0);
        QTRY_COMPARE(usb.capture(0), QByteArray("{C|}{WS|}{WS|}{WS|}{Z0|}{WS|}"));
    }

    void shortAnswersAreNotTaken() {
        UsbPrinters usb;
        // A 5-byte frame, then a full one: the first is never taken because
        // fewer than 13 bytes had come in when it was read.
        QVERIFY(usb.add("status 1 garbage 01 02 34 31 0A\nstatus 1 silent\nstatus 2 code 05\n"));
        QCOMPARE(SA4T_Print("", 3), 5);
        QCOMPARE(usb.capture(0), QByteArray("{WS|}{WS|}"));
    }

    void statusLoopAsksAgainUntilAnswered() {
        UsbPrinters usb;
        QVERIFY(usb.add("status 1-3 silent\n"));
        QElapsedTimer t;
        t.start();
        QCOMPARE(SA4T_Print("", 3), 0);
        QVERIFY(t.elapsed() >= 3 * 50);
        QCOMPARE(usb.capture(0), QByteArray("{WS|}{WS|}{WS|}{WS|}"));
    }

    void twoPrintersFirstIsUsed() {
        UsbPrinters usb;
        QVERIFY(usb.add());
        QVERIFY(usb.add("status * code 13\n"));
        QCOMPARE(usb.printer(1).path(), usb.devicePath(1));
        QCOMPARE(Find_SA4T_Printer(), 2);
        QCOMPARE(SA4T_Print("{C|}", 0), 0);
        QCOMPARE(SA4T_Print("", 3), 0); // lp1 would say 13
        QTRY_COMPARE(usb.capture(0), QByteArray("{C|}{WS|}"));
        QCOMPARE(usb.capture(1), QByteArray());

        // With the first one gone the second is the printer.
        usb.printer(0).stop();
        QCOMPARE(Find_SA4T_Printer(), 1);
        QCOMPARE(SA4T_Print("", 3), 13);
    }

    void busyWhileALabelPrints() {
        UsbPrinters usb;
        QVERIFY(usb.add("label 1 answers 05 27\n", {QStringLiteral("--print-ms"), QStringLiteral("600")}));
        QCOMPARE(SA4T_Print("{XS;I,0001,0002C5101|}", 0), 0);
        QCOMPARE(SA4T_Print("", 3), 2);
        QTest::qWait(700);
        QCOMPARE(SA4T_Print("", 3), 5);
        QCOMPARE(SA4T_Print("", 3), 27);
        QCOMPARE(SA4T_Print("", 3), 0);
        // Each status call asked once: every answer came in time.
        QCOMPARE(usb.capture(0).count("{WS|}"), 4);
    }
};

QTEST_GUILESS_MAIN(QuorvelTest)
#include "tst_quorvel.moc"
