// The issuing journal in runs against the virtual printer and the embedded
// database: what each way a tag can end leaves in the journal, settling it
// exactly once, resuming without second tags, and the guards that stop a tag
// before it is printed.
#include "main/database/DbConn.h"
#include "main/database/EmbeddedDb.h"
#include "main/journal/Reconcile.h"
#include "tests/support/IssueRig.h"
#include "tests/support/PrinterKit.h"

#include <QSqlQuery>
#include <QTest>

using namespace testsupport;
using journal::State;

class JournalTest : public QObject {
    Q_OBJECT

    struct Rig : IssueRig {
        std::unique_ptr<journal::Journal> journal;
        bool open(const QString& script = {}) {
            if (!start(40, script))
                return false;
            journal = std::make_unique<journal::Journal>(dir.path());
            ctx.journal = journal.get();
            return search() >= 3;
        }
        void exec(const QString& sql) { database::gDbConn.execute(sql); }
        QList<State> states() {
            QList<State> s;
            for (const journal::Entry& e : journal->entries())
                s << e.state;
            return s;
        }
        int recordsOf(const QString& tagId) {
            return int(history(database::kProcTagPrint).count("05410D" + tagId));
        }
    };

private slots:
    void howTagsEnd() {
        // Row 1 is issued, row 2's record is refused by the database, so the
        // run stops there with the tag confirmed but unrecorded.
        Rig rig;
        QVERIFY2(rig.open(), qPrintable(rig.problem()));
        const QString blocked = rig.grid.text(2, database::ColPurcSno);
        rig.exec(
            QStringLiteral("create trigger blocked before update on slfanrfidmaster when old.purc_sno = '%1'"
                           " begin select raise(abort, 'disk is full'); end")
                .arg(blocked));
        rig.tickOnly({1, 2, 3});
        rig.job->cmdPrint_Click();
        QCOMPARE(rig.states(), (QList<State>{State::Recorded, State::Confirmed}));
        const journal::Entry held = rig.journal->entries().last();

        // While the database still refuses, the journal keeps the tag.
        journal::Settlement s = journal::reconcile(*rig.journal, rig.ctx.values);
        QCOMPARE(s.unsettled.size(), 1);
        QVERIFY(s.problems.first().contains("disk is full"));
        rig.exec(QStringLiteral("drop trigger blocked"));
        s = journal::reconcile(*rig.journal, rig.ctx.values);
        QCOMPARE(s.recorded.size(), 1);
        QVERIFY(s.clean());
        QCOMPARE(rig.recordsOf(held.tagId), 1);
        QCOMPARE(rig.tagIdOf(blocked), held.tagId);
        // Settled once: a second settlement records nothing.
        QVERIFY(journal::reconcile(*rig.journal, rig.ctx.values).recorded.isEmpty());

        // Resume: the same rows again; row 2 (recorded by the settlement)
        // and row 1 get no second tag, row 3 gets its first.
        const int sent = rig.capturedCount("{XS;I,");
        rig.tickOnly({1, 2, 3});
        rig.grid.setText(1, database::ColIssued, QStringLiteral("N")); // as a stale grid shows it
        rig.job->cmdPrint_Click();
        QCOMPARE(rig.capturedCount("{XS;I,"), sent + 1);
        QCOMPARE(rig.grid.text(2, database::ColTagId), held.tagId);
        QCOMPARE(rig.recordsOf(held.tagId), 1);
        QCOMPARE(rig.states().count(State::Recorded), 3);
    }

    void uncertainAndFailedTags() {
        FastClockScope fast(20);
        Rig rig;
        QVERIFY2(rig.open("label 1 silent\nlabel 2 answers 13\n"), qPrintable(rig.problem()));
        const QString purcSno = rig.grid.text(1, database::ColPurcSno);
        rig.tickOnly({1});
        QStringList lines;
        rig.job->onProgress = [&](int, int) { lines << rig.job->progressLine(); };
        rig.job->cmdPrint_Click();
        // While the printer is silent the line says so and counts the seconds;
        // the failure tells where the uncertain tag is settled.
        QVERIFY2(lines.contains(issuing::printerWaitLine(0, 1, 3)), qPrintable(lines.join('|')));
        QVERIFY2(lines.contains(issuing::printerWaitLine(0, 1, 12)), qPrintable(lines.join('|')));
        QVERIFY2(
            rig.op.messages.last().startsWith(QStringLiteral("[1]번 출력중 에러가 발생했습니다\r\n\r\n")) &&
                rig.op.messages.last().contains(QStringLiteral("발행이력")),
            qPrintable(rig.op.messages.last()));
        rig.job->onProgress = nullptr;
        rig.tickOnly({2});
        rig.job->cmdPrint_Click();
        // No answer: the label may exist; a fault: nothing was issued.
        QCOMPARE(rig.states(), (QList<State>{State::Sent, State::Failed}));
        const QString uncertain = rig.journal->entries().first().tagId;
        const journal::Settlement s = journal::reconcile(*rig.journal, rig.ctx.values);
        QCOMPARE(s.uncertain.size(), 1);
        QVERIFY(journal::settlementMessage(s).contains(uncertain));

        // Its row waits for a person: a run leaves it alone.
        const int sent = rig.capturedCount("{XS;I,");
        rig.tickOnly({1});
        rig.job->cmdPrint_Click();
        QCOMPARE(rig.capturedCount("{XS;I,"), sent);
        // The person finds it on the roll: recorded once; a second decision is refused.
        QString problem;
        QVERIFY(journal::recordByPerson(*rig.journal, uncertain, rig.ctx.values, &problem));
        QCOMPARE(rig.tagIdOf(purcSno), uncertain);
        QVERIFY(!journal::voidByPerson(*rig.journal, uncertain, &problem));
        QCOMPARE(rig.recordsOf(uncertain), 1);
    }

    void guardsBeforeThePrinter() {
        Rig rig;
        QVERIFY2(rig.open(), qPrintable(rig.problem()));
        struct Case {
            const char* what;
            const char* sql;
            const char* message;
        };
        const QString taken = rig.ctx.sOrganCode + QStringLiteral("00000000505101");
        const Case cases[] = {
            {"sequence unreadable",
             "update sys_sequences set seq_name = 'GONE' where seq_name = 'SEQ_SLFRFID_SERIALNO'",
             "[getSeqNo]["},
            {"tag id on another asset",
             "update sys_sequences set seq_name = 'SEQ_SLFRFID_SERIALNO', last_value = 5050 where seq_name = "
             "'GONE'",
             "[Label_Print][태그번호 "},
        };
        rig.exec(QStringLiteral(
                     "update slfanrfidmaster set tag_id = '%1' where purc_sno = (select max(purc_sno) from "
                     "slfanrfidmaster)")
                     .arg(taken));
        for (const Case& c : cases) {
            rig.exec(QString::fromLatin1(c.sql));
            rig.op.messages.clear();
            const int sent = rig.capturedCount("{XS;I,");
            rig.tickOnly({1});
            rig.job->cmdPrint_Click();
            QVERIFY2(rig.op.messages.size() == 1 &&
                         rig.op.messages.first().startsWith(QString::fromUtf8(c.message)),
                     qPrintable(rig.op.messages.join('|')));
            QVERIFY2(rig.capturedCount("{XS;I,") == sent, c.what);
            QVERIFY2(rig.journal->entries().isEmpty(), c.what);
        }
    }

    void stopAfterTheCurrentTag() {
        Rig rig;
        QVERIFY2(rig.open(), qPrintable(rig.problem()));
        rig.tickOnly({1, 2, 3});
        QList<QPair<int, int>> progress;
        rig.job->onProgress = [&](int done, int total) { progress << qMakePair(done, total); };
        rig.job->onRow = [&](const issuing::RowEvent&) { rig.job->requestStop(); };
        rig.job->cmdPrint_Click();
        QCOMPARE(rig.capturedCount("{XS;I,"), 1);
        QCOMPARE(rig.op.messages.last(),
                 QStringLiteral("태그발행이 중지되었습니다.\r\n\r\n발행된 태그: 1건"));
        QVERIFY(rig.job->lastRunStopped() && !rig.job->running());
        QCOMPARE(progress, (QList<QPair<int, int>>{{0, 3}, {1, 3}}));
        QCOMPARE(rig.states(), QList<State>{State::Recorded});
        QCOMPARE(issuing::runProgressLine(1, 3, 2000), QStringLiteral("1 / 3  남은 시간 0:04"));
    }
};

QTEST_GUILESS_MAIN(JournalTest)
#include "JournalTest.moc"
