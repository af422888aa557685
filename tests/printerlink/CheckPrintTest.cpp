// The status request before each tag: answer frames, every code of the
// status table with its message and log line, the count of unusable answers,
// against the virtual printer over TCP, serial and USB.
#include "main/core/Operator.h"
#include "main/printerlink/PrinterLink.h"
#include "main/printerlink/StatusCodes.h"
#include "tests/support/PrinterKit.h"

#include <QElapsedTimer>
#include <QTest>
#include <optional>

using namespace testsupport;
using printerlink::PrinterLink;
using printerlink::RunState;

namespace {
const QByteArray SOH_STX = QByteArrayLiteral("\x01\x02");

// A virtual printer and the program's link to it, opened on its settings.
struct LinkedPrinter {
    Printer printer;
    settings::SetupData setup;
    RunState run;
    std::optional<PrinterLink> link;

    bool open() {
        setup = printer.setup();
        link.emplace(setup, run);
        return link->fncRsOpen();
    }
};
} // namespace

class CheckPrintTest : public testsupport::ScopedTestCase {
    Q_OBJECT

private slots:
    void cuttingFrames() {
        // The first answer runs from SOH through the first LF after it.
        QByteArray pending = SOH_STX + "00000000001\n" + SOH_STX + "40000000001\n";
        QCOMPARE(printerlink::cutFrame(pending), SOH_STX + "00000000001\n");
        QCOMPARE(pending, SOH_STX + "40000000001\n");

        // A line feed before SOH cuts nothing and is no error; the answer
        // behind it is still found.
        pending = QByteArrayLiteral("AB\n");
        QVERIFY(printerlink::cutFrame(pending).isEmpty());
        QCOMPARE(pending, QByteArrayLiteral("AB\n"));
        pending += SOH_STX + "13";
        QVERIFY(printerlink::cutFrame(pending).isEmpty());
        pending += "000000001\nrest";
        QCOMPARE(printerlink::frameCode(printerlink::cutFrame(pending), 2), QStringLiteral("13"));
        QCOMPARE(pending, QByteArrayLiteral("rest"));

        // The second chance starts at STX and reads the code one byte earlier.
        pending = QByteArrayLiteral("\n\x02") + "05xx\n";
        const QByteArray frame = printerlink::cutFrame(pending, printerlink::kSTX);
        QCOMPARE(printerlink::frameCode(frame, 1), QStringLiteral("05"));
        QVERIFY(pending.isEmpty());
    }

    void everyCodeOverTcp() {
        const QStringList ready = {"00", "02", "05", "27", "29", "41"};
        QString script;
        int request = 0;
        for (const StatusRequestCase& c : kStatusRequestCases)
            script += QStringLiteral("status %1 code %2\n").arg(++request).arg(QLatin1String(c.code));
        for (const QString& c : ready)
            script += QStringLiteral("status %1 code %2\n").arg(++request).arg(c);

        LinkedPrinter p;
        QVERIFY2(p.printer.start(Link::Tcp, script), qPrintable(p.printer.error()));
        QVERIFY(p.open());
        PrinterLink& link = *p.link;
        for (const StatusRequestCase& c : kStatusRequestCases) {
            m_t->op.messages.clear();
            QVERIFY2(!link.CheckPrint(7), c.code);
            QCOMPARE(m_t->op.messages, QStringList{QString::fromUtf8(c.message)});
            QCOMPARE(logLines(m_t->dir, "error.log").last(), QString::fromUtf8(c.log));
            QCOMPARE(link.lastStatusCode(), QLatin1String(c.code));
        }
        m_t->op.messages.clear();
        for (const QString& c : ready) {
            QVERIFY2(link.CheckPrint(7), qPrintable(c));
            QCOMPARE(link.lastStatusCode(), c);
        }
        QVERIFY(m_t->op.messages.isEmpty());
        QCOMPARE(p.run.nStatusErrCnt, qint16(0));
        // The status log keeps the raw answer after the request head.
        QVERIFY(logLines(m_t->dir, "error.log")
                    .contains(QStringLiteral("Status Request Command[PRINTER_DATA] : [7]번 출력 ") +
                              QString::fromLatin1(SOH_STX + "4100000000\n")));
        link.fncRsClose();
    }

    void unusableAnswersCountToThree() {
        // "40" belongs to the answers after an issue: unusable here; then
        // the printer stays silent and two 5-second waits follow.
        FastClockScope fast(20);
        LinkedPrinter p;
        QVERIFY2(p.printer.start(Link::Tcp, "status 1 code 40\nstatus 2 code 60\n"),
                 qPrintable(p.printer.error()));
        QVERIFY(p.open());
        PrinterLink& link = *p.link;
        QElapsedTimer t;
        t.start();
        QVERIFY(!link.CheckPrint(0));
        QCOMPARE(p.run.nStatusErrCnt, qint16(3));
        // Two silent waits of 5 clock seconds at twenty times the speed.
        QVERIFY2(t.elapsed() >= 350 && t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(m_t->op.messages, QStringList{QStringLiteral("[]번 출력중 에러가 발생했습니다")});
        QCOMPARE(logLines(m_t->dir, "error.log").last(),
                 QStringLiteral("Status Request Command:[]번 출력중 에러가 발생"));
        // Each silent wait still writes the raw line of the second chance.
        QCOMPARE(logLines(m_t->dir, "error.log")
                     .count(QStringLiteral("Status Request Command[PRINTER_DATA] : []번 출력 ")),
                 2);

        // The count carries over from tag to tag: at 2, one unusable "60"
        // gives the general message at once.
        p.run.nStatusErrCnt = 2;
        m_t->op.messages.clear();
        t.restart();
        QVERIFY(!link.CheckPrint(4));
        QVERIFY(t.elapsed() < 1000);
        QCOMPARE(m_t->op.messages, QStringList{QStringLiteral("[4]번 출력중 에러가 발생했습니다")});
        link.fncRsClose();
    }

    void partialAndCrowdedAnswers() {
        LinkedPrinter p;
        QVERIFY2(p.printer.start(Link::Tcp, "status 1 split 5 300\n"
                                            "status 2 answers 00 13\nstatus 2 together\n"
                                            "status 3 code 02\n"
                                            "status 4 garbage 41 42 0A\n"),
                 qPrintable(p.printer.error()));
        QVERIFY(p.open());
        PrinterLink& link = *p.link;

        // The first part has no LF: the same wait completes the answer when
        // its rest comes, and the piece is not counted.
        QVERIFY(link.CheckPrint(1));
        QCOMPARE(p.run.nStatusErrCnt, qint16(0));
        // Two answers in one chunk: the first decides, the rest is dropped.
        QVERIFY(link.CheckPrint(2));
        QCOMPARE(link.lastStatusCode(), QStringLiteral("00"));
        QVERIFY(link.CheckPrint(3));
        QCOMPARE(link.lastStatusCode(), QStringLiteral("02"));
        // Noise ending in LF before the answer is no error.
        QVERIFY(link.CheckPrint(4));
        QVERIFY(m_t->op.messages.isEmpty());
        QVERIFY(logLines(m_t->dir, "detail_error.log").isEmpty());
        link.fncRsClose();
    }

    void serialAnswerWithoutSoh() {
        LinkedPrinter p;
        QVERIFY2(p.printer.start(Link::Serial, "status 1 silent\nstatus 1 garbage 02 31 33 30 30 0A\n"),
                 qPrintable(p.printer.error()));
        mapCom1(m_t->dir, p.printer.path());
        QVERIFY(p.open());
        PrinterLink& link = *p.link;
        QVERIFY(!link.CheckPrint(7));
        QCOMPARE(m_t->op.messages, QStringList{QStringLiteral("용지가 없습니다 !! [13]")});
        QCOMPARE(logLines(m_t->dir, "error.log").last(),
                 QStringLiteral("Status Request Command:[7]번 출력중 용지가 없습니다 !! [13]"));
        QCOMPARE(p.printer.captureOf(5), QByteArrayLiteral("{WS|}"));
        link.fncRsClose();
        QVERIFY(!link.MSComm1().isOpen());
    }

    void usbStatus() {
        QVERIFY(installQuorvel(m_t->dir));
        LinkedPrinter p;
        QVERIFY2(p.printer.start(Link::Usb, "status 1 code 13\nstatus 2 code 03\nstatus 3 code 29\n"),
                 qPrintable(p.printer.error()));
        QVERIFY(p.open());
        PrinterLink& link = *p.link;
        QVERIFY(!link.CheckPrint(12));
        QCOMPARE(m_t->op.messages, QStringList{QStringLiteral("용지가 없습니다 !! [13]")});
        // A number outside the table: the general message at once, uncounted.
        m_t->op.messages.clear();
        QVERIFY(!link.CheckPrint(12));
        QCOMPARE(m_t->op.messages, QStringList{QStringLiteral("[12]번 출력중 에러가 발생했습니다")});
        QCOMPARE(logLines(m_t->dir, "error.log").last(),
                 QStringLiteral("Status Request Command:[12]번 출력중 에러가 발생"));
        QCOMPARE(p.run.nStatusErrCnt, qint16(0));
        QVERIFY(link.CheckPrint(12));
        QCOMPARE(link.lastStatusCode(), QStringLiteral("29"));
    }
};

QTEST_GUILESS_MAIN(CheckPrintTest)
#include "CheckPrintTest.moc"
