// The printer's answers after the issue record of a tag: every code of the
// TCP/serial table and of the USB table with its message and log line,
// answers spread over packets, silence, and the count of unusable answers.
#include "main/core/Operator.h"
#include "main/issuing/LabelSend.h"
#include "tests/support/IssueFixture.h"

#include <QElapsedTimer>
#include <QTest>

using namespace testsupport;
using namespace testsupport;

namespace {
const char* const P = "\r\n\r\n전원을 내렸다 올려주십시오.";
}

class IssueSupervisionTest : public testsupport::ScopedTestCase {
    Q_OBJECT

    // Issues the tag of a fresh row 7 (six rows before it).
    qint16 issue(Window& w, qint16 nProc = 1) {
        while (w.grid.rows() < 7)
            w.addItem();
        qint32 row = 7;
        w.run.sSeqNo = QStringLiteral("000000000001");
        issuing::Label_Send(w.ctx, row, nProc);
        return w.run.nErrFlag;
    }
    QString lastLog() { return logLines(m_t->dir, "error.log").last(); }

private slots:
    void everyErrorCodeOverTcp() {
        struct Case {
            const char* code;
            QString message;
            const char* log;
        };
        const QString p = QString::fromUtf8(P);
        // clang-format off
        const QList<Case> cases = {
            {"01", "헤드 오픈 에러 !![01]" + p, "Auto Status Transmission:[7]번 출력중 헤드 오픈 에러 !! [01]"},
            {"15", "헤드 오픈 에러 !![15]" + p, "Auto Status Transmission:[7]번 출력중 헤드 오픈 에러 !! [15]"},
            {"06", "COMMAND ERROR !! [06]" + p, "Auto Status Transmission:[7]번 출력중 COMMAND ERROR !! [06]"},
            {"07", "COMMS ERROR !! [07]" + p, "Auto Status Transmission:[7]번 출력중 COMMS ERROR !! [07]"},
            {"11", QStringLiteral("PAPER JAM !! [11]\r\n\r\n출력된 [ABC-123-45-000000000001-01 : 2024000123]"
                                  "태그를 폐기하시고 전원을 내렸다 올려주십시오."),
                   "Auto Status Transmission:[7]번 출력중 PAPER JAM !! [11]"},
            {"12", "CUTTER ERROR !! [12]" + p, "Auto Status Transmission:[7]번 출력중 CUTTER ERROR !! [12]"},
            {"13", "용지가 없습니다 !! [13]" + p, "Auto Status Transmission:[7]번 출력중 용지가 없습니다 !! [13]"},
            {"14", QStringLiteral("리본이 없습니다 !! [14]\r\n전원을 내렸다 올려주십시오."),
                   "Auto Status Transmission:[7]번 출력중 리본이 없습니다 !! [14]"},
            {"17", "헤드 에러 !! [17]" + p, "Auto Status Transmission:[7]번 출력중 헤드 에러 !! [17]"},
            {"18", "헤드 과열 !! [18]" + p, "Auto Status Transmission:[7]번 출력중 헤드 과열 !! [18]"},
            {"21", "리본 에러 !! [21]" + p, "Auto Status Transmission:[7]번 출력중 리본 에러 !! [21]"},
            {"22", "REWIND FULL !! [22]" + p, "Auto Status Transmission:[7]번 출력중 REWIND FULL !! [22]"},
            {"50", "FLASH WRITE ERROR !! [50]" + p, "Auto Status Transmission:[7]번 출력중 FLASH WRITE ERROR !! [50]"},
            {"51", "FORMAT ERROR !! [51]" + p, "Auto Status Transmission:[7]번 출력중 FORMAT ERROR !! [51]"},
            {"54", "FLASH CARD FULL !! [54]" + p, "Auto Status Transmission:[7]번 출력중 FLASH CARD FULL !! [54]"},
            {"61", "[7]번 출력중 RFID WRITE ERROR !! [61]" + p, "Auto Status Transmission:[7]번 출력중RFID WRITE ERROR [61]"},
            {"62", "[7]번 출력중 RFID ERROR !! [62]" + p, "Auto Status Transmission:[7]번 출력중 RFID ERROR !! [62]"},
            {"65", "[7]번 출력중 RFID CONFIG ERROR !! [65]" + p, "Auto Status Transmission:[7]번 출력중 RFID CONFIG ERROR !! [65]"},
        };
        // clang-format on
        QString script;
        for (int i = 0; i < cases.size(); ++i)
            script += QStringLiteral("label %1 answers 00 %2\n").arg(i + 1).arg(QLatin1String(cases[i].code));
        Printer printer;
        QVERIFY2(printer.start(Link::Tcp, script), qPrintable(printer.error()));
        Window w(printer.setup());
        QVERIFY(w.link->fncRsOpen());
        for (const Case& c : cases) {
            m_t->op.messages.clear();
            w.grid.setText(7, 13, QStringLiteral("N"));
            QCOMPARE(issue(w), qint16(-1));
            QCOMPARE(m_t->op.messages, QStringList{c.message});
            QCOMPARE(lastLog(), QString::fromUtf8(c.log));
            // A failed tag is neither coloured nor marked.
            QCOMPARE(w.grid.text(7, 13), QStringLiteral("N"));
            QVERIFY(!w.grid.background(7, 1).isValid());
        }
        w.link->fncRsClose();
    }

    void answersOverTime() {
        Printer printer;
        QVERIFY2(printer.start(Link::Tcp, "label 1 answers 00 40\n"
                                          "label 2 answers 60 40\n"
                                          "label 3 answers 40\n"
                                          "label 3 split 5 300\n"
                                          "label 4 answers 00 40\n"
                                          "label 4 together\n"),
                 qPrintable(printer.error()));
        Window w(printer.setup());
        QVERIFY(w.link->fncRsOpen());

        // "00" and "40" in two packets: waiting, then done; the count is cleared.
        w.run.nStatusErrCnt = 1;
        QCOMPARE(issue(w), qint16(0));
        QCOMPARE(w.run.nStatusErrCnt, qint16(0));

        // "60" writes its line and keeps waiting; "40" decides.
        QCOMPARE(issue(w), qint16(0));
        QVERIFY(
            logLines(m_t->dir, "error.log")
                .contains(QStringLiteral("Auto Status Transmission:[7]번 출력중 RFID WRITE ERROR !! [60]")));

        // The answer split in two, its rest 300 ms later: the wait period
        // goes on for the rest and logs the whole answer once.
        const int linesBefore = logLines(m_t->dir, "error.log").size();
        w.run.nStatusErrCnt = 1;
        QCOMPARE(issue(w), qint16(0));
        const QStringList raw = logLines(m_t->dir, "error.log").mid(linesBefore).filter("[PRINTER_DATA]");
        const QString head = QStringLiteral("Auto Status Transmission[PRINTER_DATA] : [7]번 출력 ");
        QCOMPARE(raw.size(), 1);
        QVERIFY(raw[0].startsWith(head + QString::fromLatin1("\x01\x02"
                                                             "400")));
        QVERIFY(raw[0].endsWith('\n') && raw[0].size() == head.size() + 13);

        // Two answers in one chunk: the second is read from what was kept.
        QCOMPARE(issue(w), qint16(0));
        QVERIFY(m_t->op.messages.isEmpty());
        w.link->fncRsClose();
    }

    void silenceCountsToThree() {
        FastClockScope fast(20);
        Printer printer;
        QVERIFY2(printer.start(Link::Serial, "label * silent\n"), qPrintable(printer.error()));
        mapCom1(m_t->dir, printer.path());
        Window w(printer.setup());
        QVERIFY(w.link->fncRsOpen());
        // Three silent 5-second periods, at twenty times the speed.
        QElapsedTimer t;
        t.start();
        QCOMPARE(issue(w), qint16(-1));
        QVERIFY2(t.elapsed() >= 600 && t.elapsed() < 4000, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(m_t->op.messages, QStringList{QStringLiteral("[7]번 출력중 에러가 발생했습니다")});
        QCOMPARE(lastLog(), QStringLiteral("Auto Status Transmission:[7]번 출력중 에러가 발생"));
        QCOMPARE(w.run.nStatusErrCnt, qint16(3));

        // A count already at 2 fails on the first silent period.
        w.run.nStatusErrCnt = 2;
        m_t->op.messages.clear();
        t.restart();
        QCOMPARE(issue(w), qint16(-1));
        QVERIFY2(t.elapsed() < 600, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(m_t->op.messages, QStringList{QStringLiteral("[7]번 출력중 에러가 발생했습니다")});
        w.link->fncRsClose();
    }

    void serialRibbonOut() {
        Printer printer;
        QVERIFY2(printer.start(Link::Serial, "label 1 answers 14\n"), qPrintable(printer.error()));
        mapCom1(m_t->dir, printer.path());
        Window w(printer.setup());
        QVERIFY(w.link->fncRsOpen());
        QCOMPARE(issue(w), qint16(-1));
        QCOMPARE(m_t->op.messages,
                 QStringList{QStringLiteral("리본이 없습니다 !! [14]\r\n전원을 내렸다 올려주십시오.")});
        QCOMPARE(lastLog(), QStringLiteral("Auto Status Transmission:[7]번 출력중 리본이 없습니다 !! [14]"));
        w.link->fncRsClose();
    }

    void usbStatusLoop() {
        QVERIFY(installQuorvel(m_t->dir));
        FastClockScope fast(10);
        Printer printer;
        // Label 1: busy, busy, done; then one label for each error code,
        // and one with a code outside the table.
        QString script = QStringLiteral("label 1 answers 05 05 00\n");
        int label = 1;
        for (const StatusRequestCase& c : kStatusRequestCases)
            script += QStringLiteral("label %1 answers 02 %2\n").arg(++label).arg(QLatin1String(c.code));
        script += QStringLiteral("label %1 answers 29 40\n").arg(++label);
        QVERIFY2(printer.start(Link::Usb, script), qPrintable(printer.error()));
        Window w(printer.setup());
        QVERIFY(w.link->fncRsOpen());

        // 5, 5, 0: three requests a second apart, then issued.
        w.run.nStatusErrCnt = 1;
        QElapsedTimer t;
        t.start();
        QCOMPARE(issue(w), qint16(0));
        QVERIFY2(t.elapsed() >= 280, qPrintable(QString::number(t.elapsed())));
        QVERIFY(m_t->op.messages.isEmpty());
        // Over USB the count keeps its value.
        QCOMPARE(w.run.nStatusErrCnt, qint16(1));
        QCOMPARE(w.grid.text(7, 13), QStringLiteral("Y"));

        for (const StatusRequestCase& c : kStatusRequestCases) {
            m_t->op.messages.clear();
            QCOMPARE(issue(w), qint16(-1));
            QCOMPARE(m_t->op.messages, QStringList{QString::fromUtf8(c.message)});
            QCOMPARE(lastLog(), QString::fromUtf8(c.log));
        }
        // "40" is no answer of the USB wait: the general message.
        m_t->op.messages.clear();
        QCOMPARE(issue(w), qint16(-1));
        QCOMPARE(m_t->op.messages, QStringList{QStringLiteral("[7]번 출력중 에러가 발생했습니다")});
        QCOMPARE(lastLog(), QStringLiteral("Status Request Command:[7]번 출력중 에러가 발생"));
    }
};

QTEST_GUILESS_MAIN(IssueSupervisionTest)
#include "IssueSupervisionTest.moc"
