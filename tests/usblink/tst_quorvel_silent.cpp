// A printer that never answers: the status loop gives up after 10 seconds.
#include "tests/support/UsbPrinters.h"

#include "usblink/include/Quorvel.h"

#include <QElapsedTimer>
#include <QTest>

using testsupport::UsbPrinters;

class QuorvelSilent : public QObject {
    Q_OBJECT
private slots:
    void silentPrinterEndsInNoAnswer() {
        UsbPrinters usb;
        QVERIFY(usb.add("status * silent\n"));
        QElapsedTimer t;
        t.start();
        QCOMPARE(SA4T_Print("", 3), QUORVEL_NO_ANSWER);
        QVERIFY2(t.elapsed() >= 10000 && t.elapsed() < 12000, qPrintable(QString::number(t.elapsed())));
        // It kept asking the whole time.
        QVERIFY(usb.capture(0).count("{WS|}") > 50);
    }
};

QTEST_GUILESS_MAIN(QuorvelSilent)
#include "tst_quorvel_silent.moc"
