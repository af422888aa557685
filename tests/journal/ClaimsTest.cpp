// Tag claims across workstations, kills, server restarts and settlements, on
// the embedded database and on a PostgreSQL server: a tag the printer
// confirmed is recorded exactly once, a row never gets two live tags, an
// uncertain label keeps everybody else off its purchase until a person at any
// workstation settles it, and nothing received before a label's issue
// record confirms that label. Kills and pauses come from outside, at the
// moment the printer has received an issue record.
#include "main/database/DbConn.h"
#include "main/database/EmbeddedDb.h"
#include "main/database/TagClaims.h"
#include "main/journal/Reconcile.h"
#include "platform/ProgramDir.h"
#include "tests/support/IssueRig.h"

#include <QProcess>
#include <QSet>
#include <QSqlQuery>
#include <QtTest>
#include <csignal>

using namespace testsupport;
using journal::State;
Q_DECLARE_METATYPE(testsupport::Backend)
Q_DECLARE_METATYPE(journal::State)

namespace {

struct Station : IssueRig {
    std::unique_ptr<journal::Journal> journal;
    explicit Station(Backend b = Backend::Embedded) { backend = b; }
    bool open(int purchases, const QString& script = {}) {
        if (!start(purchases, script))
            return false;
        attachJournal();
        return true;
    }
    // The workstation this test process plays: its settings and operator.
    void play() {
        platform::setProgramDir(dir.path());
        core::setCurrentOperator(&op);
        loadWindowValues();
    }
    void attachJournal() {
        journal = std::make_unique<journal::Journal>(dir.path());
        ctx.journal = journal.get();
    }
    // vantrelctl in this workstation's program directory.
    std::unique_ptr<QProcess> ctl(const QStringList& args) {
        auto p = std::make_unique<QProcess>();
        p->start(binDir() + QStringLiteral("/vantrelctl"),
                 QStringList{QStringLiteral("--dir"), dir.path()} + args);
        return p;
    }
    int ctlExit(const QStringList& args, QByteArray* out = nullptr) {
        const auto p = ctl(args);
        p->waitForFinished(120000);
        if (out)
            *out = p->readAllStandardOutput() + p->readAllStandardError();
        return p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
    }
    // The tags whose issue record reached this printer (their tag data).
    QList<QByteArray> printedTagData() {
        QList<QByteArray> printed;
        QByteArray last;
        for (const QByteArray& record : captured().split('}')) {
            if (record.contains("{RB01;"))
                last = record.mid(record.indexOf("{RB01;") + 6).chopped(1);
            else if (record.contains("{XS;I,") && !last.isEmpty())
                printed << last;
        }
        return printed;
    }
};

QStringList issueArgs(const QString& rows, const QStringList& more = {}) {
    return QStringList{QStringLiteral("issue"), QStringLiteral("--user"), QStringLiteral("demo"),
                       QStringLiteral("--rows"), rows} +
           more;
}

QString scalar(const QString& sql) {
    QSqlQuery q(database::gDbConn.database());
    return q.exec(sql) && q.next() ? q.value(0).toString() : QStringLiteral("<error>");
}

// Runs `action` once, the moment the printer says `line` (while a run of
// this process waits for the printer).
void onPrinterLine(PrinterSimProcess& sim, const QByteArray& line, std::function<void()> action) {
    QObject::connect(&sim.process(), &QProcess::readyReadStandardOutput, &sim.process(),
                     [&sim, line, action, done = false]() mutable {
                         while (sim.process().canReadLine())
                             if (sim.process().readLine().trimmed() == line && !done) {
                                 done = true;
                                 action();
                             }
                     });
}

// Every purchase's tag history is sound: each tag printed for it, but its
// live one, was withdrawn exactly once, and no tag is on two purchases.
void checkHistory() {
    QSqlQuery q(database::gDbConn.database());
    QVERIFY(q.exec(
        QStringLiteral("select proc_name, tagidfull, purc_sno from slfanrfidtaghist order by hist_sno")));
    QHash<QString, QString> purchaseOfTag;
    QHash<QString, int> removed;
    QHash<QString, QStringList> printedFor;
    while (q.next()) {
        const QString tag = q.value(1).toString().mid(6);
        if (q.value(0).toString() == QLatin1String(database::kProcTagRemove)) {
            ++removed[tag];
            continue;
        }
        const QString purc = q.value(2).toString();
        QVERIFY2(!purchaseOfTag.contains(tag) || purchaseOfTag[tag] == purc, qPrintable(tag));
        QVERIFY2(!printedFor[purc].contains(tag), qPrintable(tag + " recorded twice"));
        purchaseOfTag[tag] = purc;
        printedFor[purc] << tag;
    }
    for (auto it = printedFor.cbegin(); it != printedFor.cend(); ++it) {
        const QString live =
            scalar(QStringLiteral("select tag_id from slfanrfidmaster where purc_sno = '%1'").arg(it.key()));
        for (const QString& tag : it.value())
            QVERIFY2(removed.value(tag) == (tag == live ? 0 : 1),
                     qPrintable(QStringLiteral("%1 on %2: withdrawn %3 times, live %4")
                                    .arg(tag, it.key())
                                    .arg(removed.value(tag))
                                    .arg(live)));
    }
}

} // namespace

class ClaimsTest : public QObject {
    Q_OBJECT

    static void backends() {
        QTest::addColumn<Backend>("backend");
        QTest::newRow("embedded") << Backend::Embedded;
        QTest::newRow("postgresql") << Backend::Server;
    }

private slots:
    // A reissue withdraws the tag its claim reads back, not the one its grid
    // showed when it searched: another workstation issued or reissued the
    // row since.
    void reissueReplacesTheTagItReadsBack_data() {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<QString>("otherKind");
        for (const char* kind : {"issue", "reissue"}) {
            QTest::addRow("embedded, other %s", kind) << Backend::Embedded << QString::fromLatin1(kind);
            QTest::addRow("postgresql, other %s", kind) << Backend::Server << QString::fromLatin1(kind);
        }
    }
    void reissueReplacesTheTagItReadsBack() {
        QFETCH(Backend, backend);
        QFETCH(QString, otherKind);
        VANTREL_REQUIRE_BACKEND(backend);
        Station a(backend), b(backend);
        QVERIFY2(a.start(0), qPrintable(a.problem()));
        QVERIFY2(b.open(10), qPrintable(b.problem()));
        joinDatabase(a, b);
        b.search(2);
        const QString purc = b.grid.text(1, database::ColPurcSno);
        if (otherKind == QLatin1String("reissue")) { // the row has a tag first
            b.tickOnly({1});
            b.job->cmdPrint_Click();
            b.search(2);
        }
        // B's grid is now stale: A changes the row's tag.
        QCOMPARE(a.ctlExit({"issue", "--user", "demo", "--kind", otherKind, "--yes", "--state", "all",
                            "--purc-sno", purc}),
                 0);
        b.tickOnly({1});
        b.op.answers = {true};
        b.job->cmdRePrint_Click();
        QVERIFY2(b.job->lastRunCompleted(), qPrintable(b.op.messages.join('|')));
        const QStringList printed = b.history(database::kProcTagPrint);
        QCOMPARE(b.history(database::kProcTagRemove), printed.mid(0, printed.size() - 1));
        QCOMPARE(b.tagIdOf(purc), printed.last().mid(6));
        checkHistory();
    }

    // A workstation stops between its label and the record: killed when
    // the printer has its issue record, or its server restarts before the
    // record. Nobody else tags the purchase meanwhile, the claim is listed at
    // every workstation, one settlement records it, and no serial number is
    // ever printed twice.
    void aConfirmedOrUncertainTagOutlivesItsWorkstation_data() {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<bool>("restart");
        QTest::newRow("embedded, killed") << Backend::Embedded << false;
        QTest::newRow("postgresql, killed") << Backend::Server << false;
        QTest::newRow("postgresql, server restart") << Backend::Server << true;
    }
    void aConfirmedOrUncertainTagOutlivesItsWorkstation() {
        QFETCH(Backend, backend);
        QFETCH(bool, restart);
        VANTREL_REQUIRE_BACKEND(backend);
        Station a(backend), b(backend);
        a.simArgs =
            b.simArgs = {QStringLiteral("--events"), QStringLiteral("--print-ms"), QStringLiteral("300")};
        QVERIFY2(b.start(0), qPrintable(b.problem()));
        QVERIFY2(a.open(12), qPrintable(a.problem()));
        joinDatabase(b, a);
        QString tag;
        if (restart) {
            // A's second label is confirmed while the server is down.
            a.search();
            a.tickOnly({1, 2, 3});
            a.play();
            bool stopped = false;
            onPrinterLine(a.sim, "label 2", [&] { stopped = PgServer::shared()->stop(); });
            a.job->cmdPrint_Click();
            QVERIFY2(stopped, qPrintable(a.op.messages.join('|')));
            QVERIFY(PgServer::shared()->start());
            a.openDatabase();
            QVERIFY2(a.op.messages.last().startsWith("[Update_TagData]"), qPrintable(a.op.messages.last()));
            const journal::Entry e = a.journal->entries().last();
            QCOMPARE(e.state, State::Confirmed);
            tag = e.tagId;
        } else {
            const auto run = a.ctl(issueArgs(QStringLiteral("1-3")));
            QVERIFY(waitForPrinterLine(a.sim, "label 2"));
            ::kill(static_cast<pid_t>(run->processId()), SIGKILL);
            run->waitForFinished();
            a.attachJournal();
            tag = a.journal->entries().last().tagId;
            QCOMPARE(a.journal->entries().last().state, State::Sent);
        }
        const QString purc = a.journal->entries().last().purcSno;
        QVERIFY(database::claimOfTag(tag));

        // B takes the same rows and leaves the claimed purchase alone.
        QByteArray out;
        QCOMPARE(b.ctlExit(issueArgs(QStringLiteral("1-3")), &out), 0);
        QVERIFY2(out.contains("elsewhere"), out.constData());
        QCOMPARE(b.ctlExit({"journal", "--pending"}, &out), 0);
        QVERIFY2(out.contains(tag.toUtf8()) && out.contains(purc.toUtf8()), out.constData());
        // Settled once from wherever a person is; the second time changes nothing.
        Station& settler = restart ? a : b;
        const QStringList settle =
            restart ? QStringList{"journal", "reconcile"} : QStringList{"journal", "record", tag};
        QCOMPARE(settler.ctlExit(settle, &out), 0);
        QCOMPARE(a.ctlExit({"journal", "reconcile"}, &out), 0);
        QCOMPARE(b.ctlExit({"journal", "reconcile"}, &out), 0);
        QVERIFY(!database::claimOfTag(tag));
        QCOMPARE(a.tagIdOf(purc), tag);

        // A goes on: new serial numbers, never one already printed.
        QCOMPARE(a.ctlExit(issueArgs(QStringLiteral("1-4"))), 0);
        const QList<QByteArray> printed = a.printedTagData() + b.printedTagData();
        QCOMPARE(QSet<QByteArray>(printed.begin(), printed.end()).size(), printed.size());
        QCOMPARE(int(a.history(database::kProcTagPrint).count("05410D" + tag)), 1);
        checkHistory();
    }

    // A run waits for its printer while a person records another
    // workstation's uncertain tag in the history window; the run's own tag
    // then fails. The person's record stays.
    void aPersonsDecisionDuringARunStays_data() { backends(); }
    void aPersonsDecisionDuringARunStays() {
        QFETCH(Backend, backend);
        VANTREL_REQUIRE_BACKEND(backend);
        Station a(backend), b(backend);
        a.simArgs = {QStringLiteral("--events"), QStringLiteral("--print-ms"), QStringLiteral("300")};
        b.simArgs = {QStringLiteral("--events")};
        QVERIFY2(a.start(0), qPrintable(a.problem()));
        QVERIFY2(b.open(8, QStringLiteral("label 1 answers 13\nlabel 1 delay 800\n")),
                 qPrintable(b.problem()));
        joinDatabase(a, b);
        const auto killed = a.ctl(issueArgs(QStringLiteral("1-2")));
        QVERIFY(waitForPrinterLine(a.sim, "label 1"));
        ::kill(static_cast<pid_t>(killed->processId()), SIGKILL);
        killed->waitForFinished();
        const QList<database::TagClaim> open = database::openClaims();
        QCOMPARE(open.size(), 1);
        const database::TagClaim claim = open.first();

        b.search();
        b.tickOnly({2, 3});
        bool decided = false;
        onPrinterLine(b.sim, "label 1", [&] {
            QString problem;
            decided = journal::recordByPerson(*b.journal, claim.tagId, b.ctx.values, &problem);
        });
        b.job->cmdPrint_Click();
        QVERIFY(decided);
        QVERIFY2(b.op.messages.join('|').contains("13"), qPrintable(b.op.messages.join('|')));
        QCOMPARE(b.tagIdOf(claim.purcSno), claim.tagId);
        QCOMPARE(b.history(database::kProcTagPrint), QStringList{claim.tagIdFull});
        QVERIFY(database::openClaims().isEmpty());
    }

    // A run at its record step and a settlement from the command line at
    // the same moment: the tag is recorded once, and both succeed.
    void twoSettlementsAtOnceRecordOnce_data() { backends(); }
    void twoSettlementsAtOnceRecordOnce() {
        QFETCH(Backend, backend);
        VANTREL_REQUIRE_BACKEND(backend);
        Station a(backend);
        a.simArgs = {QStringLiteral("--events"), QStringLiteral("--print-ms"), QStringLiteral("200")};
        QVERIFY2(a.open(6), qPrintable(a.problem()));
        const auto run = a.ctl(issueArgs(QStringLiteral("1-1")));
        QVERIFY(waitForPrinterLine(a.sim, "label 1"));
        // Hold the claim (the whole file, embedded) so that the record waits.
        QSqlQuery lock(database::gDbConn.database());
        QVERIFY(lock.exec(backend == Backend::Embedded ? QStringLiteral("BEGIN IMMEDIATE")
                                                       : QStringLiteral("begin")));
        if (backend != Backend::Embedded)
            QVERIFY(lock.exec(QStringLiteral("select * from slfanrfidclaim for update")));
        QTRY_COMPARE_WITH_TIMEOUT(a.journal->entries().value(0).state, State::Confirmed, 10000);
        const auto reconcile = a.ctl({"journal", "reconcile"});
        QTest::qWait(500);
        QVERIFY(lock.exec(QStringLiteral("COMMIT")));
        QVERIFY(run->waitForFinished(30000));
        QVERIFY(reconcile->waitForFinished(30000));
        QCOMPARE(run->exitCode(), 0);
        QCOMPARE(reconcile->exitCode(), 0);
        QCOMPARE(a.history(database::kProcTagPrint).size(), 1);
        QCOMPARE(a.journal->entries().value(0).state, State::Recorded);
    }

    // A reissue whose record the database refuses after the printer
    // confirmed it: nothing of it is undone, and the settlement withdraws
    // the old tag and records the new one together.
    void aReissueCutBeforeItsRecordSettles_data() { backends(); }
    void aReissueCutBeforeItsRecordSettles() {
        QFETCH(Backend, backend);
        VANTREL_REQUIRE_BACKEND(backend);
        Station a(backend);
        QVERIFY2(a.open(6), qPrintable(a.problem()));
        a.search();
        a.tickOnly({1});
        a.job->cmdPrint_Click();
        const QString purc = a.grid.text(1, database::ColPurcSno);
        const QString old = a.tagIdOf(purc);
        const bool embedded = backend == Backend::Embedded;
        database::gDbConn.execute(
            embedded
                ? QStringLiteral("create trigger refuse before insert on slfanrfidtaghist when"
                                 " new.proc_name = 'SP_SLARFIDB_TAG_PRINT' begin select raise(abort,"
                                 " 'disk is full'); end")
                : QStringLiteral("create function refuse() returns trigger language plpgsql as $$ begin"
                                 " if new.proc_name = 'SP_SLARFIDB_TAG_PRINT' then raise exception 'disk is"
                                 " full'; end if; return new; end $$"));
        if (!embedded)
            database::gDbConn.execute(
                QStringLiteral("create trigger refuse before insert on slfanrfidtaghist for each row execute "
                               "function refuse()"));
        a.search(1);
        a.tickOnly({1});
        a.op.answers = {true};
        a.job->cmdRePrint_Click();
        QCOMPARE(a.journal->entries().last().state, State::Confirmed);
        QCOMPARE(a.tagIdOf(purc), old);
        database::gDbConn.execute(embedded ? QStringLiteral("drop trigger refuse")
                                           : QStringLiteral("drop trigger refuse on slfanrfidtaghist"));
        QVERIFY(journal::reconcile(*a.journal, a.ctx.values).clean());
        QVERIFY(journal::reconcile(*a.journal, a.ctx.values).recorded.isEmpty());
        QCOMPARE(a.history(database::kProcTagRemove), QStringList{"05410D" + old});
        QCOMPARE(a.tagIdOf(purc), a.journal->entries().last().tagId);
        checkHistory();
    }

    // Nothing that arrived before the issue record confirms the label: a
    // late "40" while the journal waits for its file, or a burst of line
    // noise around the label's own answer.
    void onlyTheLabelsOwnAnswerCounts_data() {
        QTest::addColumn<bool>("fast");
        QTest::addColumn<QString>("script");
        QTest::addColumn<bool>("journalBusy");
        QTest::addColumn<State>("ends");
        const QString late = QStringLiteral("status 1 answers 00 40\nstatus 1 gap 400\n"
                                            "label 1 answers 13\nlabel 1 delay 1500\n");
        const QString noise = QStringLiteral("label 1 noise 1048576\n");
        for (const bool fast : {false, true}) {
            const char* mode = fast ? "fast" : "pauses";
            QTest::addRow("%s, late 40 while the journal waits", mode)
                << fast << late << true << State::Failed;
            QTest::addRow("%s, 1 MB of noise around 40", mode) << fast << noise << false << State::Recorded;
        }
    }
    void onlyTheLabelsOwnAnswerCounts() {
        QFETCH(bool, fast);
        QFETCH(QString, script);
        QFETCH(bool, journalBusy);
        QFETCH(State, ends);
        Station a;
        QVERIFY2(a.open(4, script), qPrintable(a.problem()));
        a.dir.writeText(QStringLiteral("conn_setup.ini"),
                        QStringLiteral("[CONNECT_INFO]\r\nCONN_KIND=1\r\nPRINTER_IP=%1\r\nPRINTER_PORT=%2\r\n"
                                       "FAST_STATUS=%3\r\n")
                            .arg(a.sim.host())
                            .arg(a.sim.port())
                            .arg(fast ? 1 : 0));
        a.loadWindowValues();
        a.attachJournal();
        a.search();
        a.tickOnly({1});
        QProcess holder; // another connection holds the journal's write lock
        if (journalBusy) {
            holder.start(
                QStringLiteral("/usr/bin/python3"),
                {"-c",
                 "import sqlite3,sys,time\n"
                 "c=sqlite3.connect(sys.argv[1],isolation_level=None)\n"
                 "c.execute('begin immediate');print('held',flush=True);time.sleep(2.5);c.execute('commit')",
                 a.dir.file(QLatin1String(journal::kJournalFile))});
            QVERIFY(holder.waitForReadyRead(10000));
        }
        a.job->cmdPrint_Click();
        holder.waitForFinished();
        QCOMPARE(a.journal->entries().value(0).state, ends);
        QCOMPARE(a.history(database::kProcTagPrint).size(), ends == State::Recorded ? 1 : 0);
        QVERIFY(database::openClaims().isEmpty());
    }

    // Two workstations on one embedded file: the second issues while the
    // first prints a slow label; nobody waits for a lock longer than a claim.
    void twoWorkstationsShareAnEmbeddedFile() {
        Station a, b;
        a.simArgs = {QStringLiteral("--events"), QStringLiteral("--print-ms"), QStringLiteral("11000")};
        QVERIFY2(b.start(0), qPrintable(b.problem()));
        QVERIFY2(a.open(8), qPrintable(a.problem()));
        joinDatabase(b, a);
        const auto slow = a.ctl(issueArgs(QStringLiteral("1-1")));
        QVERIFY(waitForPrinterLine(a.sim, "label 1"));
        QByteArray out;
        QCOMPARE(b.ctlExit(issueArgs(QStringLiteral("2-4")), &out), 0);
        QVERIFY2(slow->state() != QProcess::NotRunning,
                 (out + "\nfirst workstation: " + slow->readAllStandardError()).constData());
        QVERIFY(slow->waitForFinished(30000));
        QCOMPARE(slow->exitCode(), 0);
        QCOMPARE(a.history(database::kProcTagPrint).size(), 4);
        checkHistory();
    }

    // A server database without the claim table: told which schema file to
    // run, before anything is printed.
    void aDatabaseWithoutClaimsPrintsNothing() {
        VANTREL_REQUIRE_BACKEND(Backend::Server);
        Station a(Backend::Server);
        QVERIFY2(a.open(4), qPrintable(a.problem()));
        database::gDbConn.execute(QStringLiteral("drop table slfanrfidclaim"));
        a.search();
        a.tickOnly({1});
        a.job->cmdPrint_Click();
        QVERIFY2(a.op.messages.last().contains("schema/postgresql.sql"), qPrintable(a.op.messages.last()));
        QCOMPARE(a.capturedCount("{XS;"), 0);
    }
};

QTEST_GUILESS_MAIN(ClaimsTest)
#include "ClaimsTest.moc"
