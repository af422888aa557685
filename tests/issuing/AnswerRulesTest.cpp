// How the answers after a label are read, on every link and in both status
// modes: a label is confirmed only by a whole answer that came after its
// issue record, whatever packets the answer came in. The count of unusable
// answers starts at 2 for each label, so one wrongly counted piece fails it.
#include "main/issuing/LabelSend.h"
#include "platform/Clock.h"
#include "tests/support/IssueFixture.h"

#include <QTest>
#include <optional>

using namespace testsupport;

Q_DECLARE_METATYPE(testsupport::Link)

class AnswerRulesTest : public testsupport::ScopedTestCase {
    Q_OBJECT

    struct Case {
        const char* what;
        const char* script; // directives of status request and label N ("%1")
        qint16 errFlag;     // of the label
        int fastClock;      // 0: the real clock
    };

private slots:
    void answersAfterTheIssueRecord_data() {
        QTest::addColumn<Link>("link");
        QTest::addColumn<bool>("fast");
        for (Link l : {Link::Tcp, Link::Serial})
            for (bool fast : {false, true})
                QTest::addRow("%s %s", linkName(l), fast ? "fast" : "pauses") << l << fast;
    }

    void answersAfterTheIssueRecord() {
        QFETCH(Link, link);
        QFETCH(bool, fast);
        // clang-format off
        const Case cases[] = {
            {"whole answer", "label %1 answers 40\n", 0, 0},
            {"split answer", "label %1 answers 40\nlabel %1 split 5 300\n", 0, 0},
            {"junk with a lone SOH first", "label %1 garbage 01 41 42 01 0A\nlabel %1 gap 20\nlabel %1 answers 40\n", 0, 0},
            {"two answers in one packet", "label %1 answers 00 40\nlabel %1 together\n", 0, 0},
            {"answer that never completes", "label %1 answers 40\nlabel %1 split 5 8000\n", -1, 20},
            {"40 behind the status answer, silent label",
             "status %1 answers 00 40\nstatus %1 gap 30\nlabel %1 silent\n", -1, 20},
        };
        // clang-format on
        QString script;
        int n = 0;
        for (const Case& c : cases)
            script += QString::fromLatin1(c.script).arg(++n);
        Printer printer;
        QVERIFY2(printer.start(link, script), qPrintable(printer.error()));
        if (link == Link::Serial)
            mapCom1(m_t->dir, printer.path());
        Window w(printer.setup());
        w.setup.fastStatus = fast;
        QVERIFY(w.link->fncRsOpen());
        for (const Case& c : cases) {
            const qint32 row = w.addItem();
            QVERIFY2(w.link->CheckPrint(row), c.what);
            // The program's own time between the status answer and the
            // label (the sequence read, say): the "40" trailing the status
            // answer comes in here.
            platform::clock().letEventsRunFor(80);
            std::optional<FastClockScope> clock;
            if (c.fastClock)
                clock.emplace(c.fastClock);
            w.run.sSeqNo = QStringLiteral("%1").arg(row, 12, 10, QLatin1Char('0'));
            qint32 nIndex = row;
            qint16 nProc = 1;
            w.run.nStatusErrCnt = 2;
            issuing::Label_Send(w.ctx, nIndex, nProc);
            QVERIFY2(w.run.nErrFlag == c.errFlag, c.what);
            QCOMPARE(w.grid.text(row, database::ColIssued),
                     c.errFlag == 0 ? QStringLiteral("Y") : QStringLiteral("N"));
            const QStringList expected =
                c.errFlag == 0 ? QStringList{}
                               : QStringList{QStringLiteral("[%1]번 출력중 에러가 발생했습니다").arg(row)};
            QVERIFY2(m_t->op.messages == expected, c.what);
            m_t->op.messages.clear();
        }
        w.link->fncRsClose();
    }

    void usbAsksAtTheLibrarysPaceWhenFast() {
        QVERIFY(installQuorvel(m_t->dir));
        Printer printer;
        QVERIFY2(printer.start(Link::Usb, {}, {QStringLiteral("--print-ms"), QStringLiteral("120")}),
                 qPrintable(printer.error()));
        Window w(printer.setup());
        w.setup.fastStatus = true;
        w.addItem();
        QVERIFY(w.openAndSend(1, 1, "000000000001"));
        QCOMPARE(w.run.nErrFlag, qint16(0));
        // Busy while the label prints, then done: asked again within the
        // 120 ms, not after a one-second pause.
        QVERIFY(printer.capture().count("{WS|}") >= 2);
    }
};

QTEST_GUILESS_MAIN(AnswerRulesTest)
#include "AnswerRulesTest.moc"
