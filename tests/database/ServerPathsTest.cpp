// The database paths of a workstation on each kind of item database: the
// embedded file, a PostgreSQL server through QPSQL and the same server
// through psqlODBC. Amounts and tag numbers past 99999 stay exact, rows
// claimed or issued by another workstation are skipped, a server restart
// needs no program restart, and two workstations never tag a row twice.
#include "main/database/DbConn.h"
#include "main/database/Departments.h"
#include "main/database/EmbeddedDb.h"
#include "main/database/ItemSearch.h"
#include "main/database/Login.h"
#include "main/database/ServerSchema.h"
#include "main/database/SpreadsheetImport.h"
#include "main/database/TagClaims.h"
#include "main/database/TagRemoval.h"
#include "main/issuing/CommandRecords.h"
#include "main/issuing/RunKind.h"
#include "platform/Cp949.h"
#include "tests/support/IssueRig.h"

#include <QProcess>
#include <QSqlQuery>
#include <QtTest>

using testsupport::Backend;
Q_DECLARE_METATYPE(testsupport::Backend)

// A workstation on the test row's kind of database.
#define RIG_ON_BACKEND(rig)                                                                                  \
    QFETCH(Backend, backend);                                                                                \
    VANTREL_REQUIRE_BACKEND(backend);                                                                        \
    testsupport::IssueRig rig;                                                                               \
    rig.backend = backend

namespace {

QStringList column(const database::ItemGrid& grid, int col) {
    QStringList out;
    for (int r = 1; r <= grid.rows(); ++r)
        out << grid.text(r, col);
    return out;
}

QString scalar(const QString& sql) {
    QSqlQuery q(database::gDbConn.database());
    return q.exec(sql) && q.next() ? q.value(0).toString() : QStringLiteral("<error>");
}

void setSequence(qint64 last) {
    database::gDbConn.execute(database::gDbConn.dialect() == database::SqlDialect::Embedded
                                  ? QStringLiteral("update sys_sequences set last_value = %1").arg(last)
                                  : QStringLiteral("select setval('seq_slfrfid_serialno', %1)").arg(last));
}

// The record that writes a recorded tag into its inlay.
QByteArray inlayRecord(const QString& tagIdFull) {
    return issuing::records::rfidData(testsupport::inlayTagData(tagIdFull));
}

} // namespace

class ServerPathsTest : public QObject {
    Q_OBJECT

    static void backends(bool embedded = true) {
        QTest::addColumn<Backend>("backend");
        if (embedded)
            QTest::newRow("embedded") << Backend::Embedded;
        QTest::newRow("postgresql") << Backend::Server;
        QTest::newRow("odbc") << Backend::Odbc;
    }

private slots:
    void readPathsKeepNumbersExact_data() { backends(); }
    void readPathsKeepNumbersExact() {
        RIG_ON_BACKEND(rig);
        QVERIFY2(rig.start(0), qPrintable(rig.problem()));
        const QStringList amounts = {"100000", "1000000", "15000000", "852600"};
        for (int i = 0; i < amounts.size(); ++i)
            database::gDbConn.execute(
                QStringLiteral("insert into slfanrfidmaster (purc_sno, atcl_cat_no, atcl_siz_no,"
                               " dept_code, purc_ymd, chg_amt, tag_proc) values ('202400000%1',"
                               " '43211503', '21400000', '3740010', '20240105', %2, 'N')")
                    .arg(i + 1)
                    .arg(amounts[i]));

        // Login: a known and an unknown user.
        QString marker;
        QCOMPARE(
            database::loginDatabase("demo", rig.login.dataSource, rig.login.user, rig.login.password, marker),
            database::LoginResult::Opened);
        QCOMPARE(database::loginDatabase("nobody", rig.login.dataSource, rig.login.user, rig.login.password,
                                         marker),
                 database::LoginResult::UnknownUser);
        rig.openDatabase();

        // Departments: active ones only.
        QStringList depts;
        QVERIFY(database::GetDeptData(depts, QString(), 1));
        QVERIFY(depts.contains(QStringLiteral("총무과(3740010)")));
        QVERIFY(!depts.contains(QStringLiteral("새마을과(3740910)")));

        // Search: amounts as stored, in the grid and in the status log;
        // the amount range compares numbers.
        rig.op.messages.clear();
        QCOMPARE(rig.search(2), 4);
        QCOMPARE(column(rig.grid, database::ColAmount),
                 (QStringList{"100,000", "1,000,000", "15,000,000", "852,600"}));
        const QString log = platform::fromCp949(rig.dir.read(QStringLiteral("error.log")));
        for (const QString& a : amounts)
            QVERIFY2(log.contains(QStringLiteral("CHG_AMT:") + a + QStringLiteral(" ")), qPrintable(a));
        database::SearchConditions range;
        range.OptSearch = 2;
        range.TDBNumFrom = 852600;
        range.TDBNumTo = 1000000;
        database::SearchUi ui;
        database::cmdLoadDb(rig.grid, range, ui);
        QCOMPARE(column(rig.grid, database::ColPurcSno), (QStringList{"2024000002", "2024000004"}));

        // Import lookup.
        rig.dir.write(QStringLiteral("list.csv"), "no,sno\r\n1,'2024000003'\r\n2,'2024000001'\r\n");
        QCOMPARE(database::cmdLoadExcel(rig.grid, rig.dir.file(QStringLiteral("list.csv")), ui), 2);
        QCOMPARE(column(rig.grid, database::ColAmount), (QStringList{"15,000,000", "100,000"}));
    }

    void issueCrossesTheFiveDigitSerialAndRemoves_data() { backends(); }
    void issueCrossesTheFiveDigitSerialAndRemoves() {
        RIG_ON_BACKEND(rig);
        QVERIFY2(rig.start(12), qPrintable(rig.problem()));
        setSequence(99998);
        QVERIFY(rig.search() >= 3);
        rig.tickOnly({1, 2, 3});
        rig.job->Print_Pattern(issuing::kIssue);
        QCOMPARE(rig.op.messages.last(), QStringLiteral("태그발행이 완료 되었습니다."));
        const QStringList tags = rig.history(database::kProcTagPrint);
        QCOMPARE(tags, (QStringList{"05410DGG41350000000009999901", "05410DGG41350000000010000001",
                                    "05410DGG41350000000010000101"}));
        const QByteArray printed = rig.captured();
        for (int r = 1; r <= 3; ++r) {
            QCOMPARE(QStringLiteral("05410D") + rig.grid.text(r, database::ColTagId), tags[r - 1]);
            QCOMPARE(QStringLiteral("05410D") + rig.tagIdOf(rig.grid.text(r, database::ColPurcSno)),
                     tags[r - 1]);
            QCOMPARE(printed.count(inlayRecord(tags[r - 1])), 1);
        }

        rig.tickOnly({2});
        rig.op.answers = {true};
        database::cmdDel_Click(rig.grid, rig.ctx.values, rig.run.nErrFlag, rig.buttons);
        QCOMPARE(rig.op.messages.last(), QStringLiteral("태그삭제가 완료 되었습니다."));
        QCOMPARE(rig.history(database::kProcTagRemove), QStringList{tags[1]});
        QVERIFY(rig.tagIdOf(rig.grid.text(2, database::ColPurcSno)).isEmpty());
    }

    void rowsTakenElsewhereAreSkipped_data() { backends(); }
    void rowsTakenElsewhereAreSkipped() {
        RIG_ON_BACKEND(rig);
        QVERIFY2(rig.start(12), qPrintable(rig.problem()));
        QVERIFY(rig.search() >= 3);
        rig.tickOnly({1, 2, 3});
        const QString issuedSno = rig.grid.text(1, database::ColPurcSno);
        const QString heldSno = rig.grid.text(2, database::ColPurcSno);
        // Row 1 was issued by another workstation after this search; row 2
        // is being issued there right now: its claim is open.
        database::gDbConn.execute(
            QStringLiteral(
                "update slfanrfidmaster set tag_id = 'GG41350000000077777701' where purc_sno = '%1'")
                .arg(issuedSno));
        database::gDbConn.execute(
            QStringLiteral(
                "insert into slfanrfidclaim (purc_sno, tag_id, tagidfull, seq_no, run_kind, ws_id,"
                " ws_name, claimed_at) values ('%1', 'GG41350000000088888801',"
                " '05410DGG41350000000088888801', '888888', 1, 'other', 'other', '2026-01-01 00:00:00')")
                .arg(heldSno));
        const int skipped = 2;
        rig.job->Print_Pattern(issuing::kIssue);
        QCOMPARE(rig.op.messages.last(),
                 QStringLiteral("태그발행이 완료 되었습니다.\n%1건은 다른 작업장에서 이미 "
                                "발행되었습니다.")
                     .arg(skipped));
        QCOMPARE(rig.job->lastRunSkipped(), skipped);
        QCOMPARE(rig.grid.text(1, database::ColTagId), QStringLiteral("GG41350000000077777701"));
        QCOMPARE(rig.grid.background(1, database::ColPurcSno), QColor(192, 192, 192));
        QCOMPARE(rig.history(database::kProcTagPrint).size(), 3 - skipped);
        QCOMPARE(rig.tagIdOf(issuedSno), QStringLiteral("GG41350000000077777701"));
        QVERIFY(rig.tagIdOf(heldSno).isEmpty());
    }

    // Missing names and numbers sort last, empty ones first, on every kind
    // of database: the same search gives the same grid everywhere.
    void sortKeysOrderAsTheServerDoes_data() { backends(); }
    void sortKeysOrderAsTheServerDoes() {
        RIG_ON_BACKEND(rig);
        QVERIFY2(rig.start(0), qPrintable(rig.problem()));
        database::gDbConn.execute(QStringLiteral("insert into slfanrfiditem (atcl_cat_no, atcl_cat_nm) values"
                                                 " ('K1', '책상'), ('K2', ''), ('K5', 'Apple')"));
        database::gDbConn.execute(
            QStringLiteral("insert into slfanrfidspec (atcl_cat_no, atcl_siz_no, atcl_siz_nm)"
                           " values ('K1', 'Z', 'z'), ('K2', 'Z', 'z'), ('K3', 'Z', 'z'),"
                           " ('K5', 'Z', 'z')"));
        const QStringList rows = {"'S1', 'K1'", "'S2', 'K2'", "'S3', 'K3'", "'S4', null",
                                  "'S5', 'K1'", "'S6', 'K5'", "'S7', ''"};
        for (const QString& r : rows)
            database::gDbConn.execute(QStringLiteral("insert into slfanrfidmaster (purc_sno, atcl_cat_no,"
                                                     " atcl_siz_no, dept_code, purc_ymd, chg_amt, tag_proc)"
                                                     " values (%1, 'Z', 'D1', '20240105', 1, 'N')")
                                          .arg(r));
        const struct {
            int sort;
            QStringList order;
        } cases[] = {{0, {"S1", "S2", "S3", "S4", "S5", "S6", "S7"}},
                     {1, {"S2", "S6", "S1", "S5", "S3", "S4", "S7"}},
                     {2, {"S7", "S1", "S5", "S2", "S3", "S6", "S4"}}};
        for (const auto& c : cases) {
            database::SearchConditions conditions;
            conditions.OptSearch = 2;
            conditions.OptSort = c.sort;
            database::SearchUi ui;
            database::cmdLoadDb(rig.grid, conditions, ui);
            QCOMPARE(column(rig.grid, database::ColPurcSno), c.order);
        }
    }

    void serverRestartNeedsNoProgramRestart_data() { backends(false); }
    void serverRestartNeedsNoProgramRestart() {
        RIG_ON_BACKEND(rig);
        QVERIFY2(rig.start(12), qPrintable(rig.problem()));
        testsupport::PgServer& server = *testsupport::PgServer::shared();
        QStringList depts;
        QVERIFY(database::GetDeptData(depts, QString(), 1));
        const int pending = rig.search();
        QVERIFY(pending >= 4);
        rig.tickOnly({1, 2, 3, 4});

        // The server goes away after the first tag of a run.
        rig.job->onRow = [&](const issuing::RowEvent& e) {
            if (e.row == 1)
                QVERIFY(server.stop());
        };
        rig.job->Print_Pattern(issuing::kIssue);
        rig.job->onRow = nullptr;
        QVERIFY2(rig.op.messages.last().startsWith(QStringLiteral("[Print_Pattern][")),
                 qPrintable(rig.op.messages.last()));
        QVERIFY(!rig.job->lastRunCompleted());

        // While it is down: a clear message, and the department list stays.
        const QStringList before = depts;
        QVERIFY(!database::GetDeptData(depts, QStringLiteral("과"), 1));
        QVERIFY2(rig.op.messages.last().contains(QStringLiteral("데이타베이스 서버와의 연결이 끊어져")),
                 qPrintable(rig.op.messages.last()));
        QCOMPARE(depts, before);

        // Back again: the next run goes on where the last one stopped.
        QVERIFY(server.start());
        rig.job->Print_Pattern(issuing::kIssue);
        QCOMPARE(rig.op.messages.last(), QStringLiteral("태그발행이 완료 되었습니다."));
        QCOMPARE(scalar(QStringLiteral("select count(*) from slfanrfidtaghist")), QStringLiteral("4"));
        QCOMPARE(scalar(QStringLiteral("select count(distinct purc_sno) from slfanrfidtaghist")),
                 QStringLiteral("4"));
        QCOMPARE(rig.search(), pending - 4);
    }

    // A server records a claimed tag through the schema's procedure; a
    // database made before it had one records the same steps without it:
    // issue, a reissue that withdraws the tag it replaces, and a second
    // record of a settled claim that changes nothing.
    void recordsWithAndWithoutTheRecordProcedure_data() {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<bool>("procedure");
        for (const bool procedure : {true, false}) {
            QTest::addRow("postgresql, %s", procedure ? "procedure" : "older database")
                << Backend::Server << procedure;
            QTest::addRow("odbc, %s", procedure ? "procedure" : "older database")
                << Backend::Odbc << procedure;
        }
    }
    void recordsWithAndWithoutTheRecordProcedure() {
        QFETCH(bool, procedure);
        RIG_ON_BACKEND(rig);
        QVERIFY2(rig.start(6), qPrintable(rig.problem()));
        if (procedure) {
            // The schema's procedure, marking each call it serves.
            for (QString sql : database::serverSchemaStatements())
                if (sql.contains(QStringLiteral("procedure sp_slarfidb_claim_record")))
                    database::gDbConn.execute(
                        sql.replace(QStringLiteral("\nbegin\n"),
                                    QStringLiteral("\nbegin\n  insert into dual values ('P');\n")));
        } else {
            database::gDbConn.execute(QStringLiteral("drop procedure sp_slarfidb_claim_record"));
        }
        rig.openDatabase();
        QVERIFY(rig.search() >= 2);
        rig.tickOnly({1, 2});
        rig.job->Print_Pattern(issuing::kIssue);
        QCOMPARE(rig.op.messages.last(), QStringLiteral("태그발행이 완료 되었습니다."));
        const QString purc = rig.grid.text(1, database::ColPurcSno);
        const QString first = rig.tagIdOf(purc);
        QCOMPARE(database::recordClaimed(purc, first), database::Settled::Already);
        rig.search(2);
        const int row = static_cast<int>(column(rig.grid, database::ColPurcSno).indexOf(purc)) + 1;
        QVERIFY(row > 0);
        rig.tickOnly({row});
        rig.op.answers = {true};
        rig.job->cmdRePrint_Click();
        QVERIFY2(rig.job->lastRunCompleted(), qPrintable(rig.op.messages.join('|')));
        const QStringList printed = rig.history(database::kProcTagPrint);
        QCOMPARE(printed.size(), 3);
        QCOMPARE(rig.history(database::kProcTagRemove), QStringList{QStringLiteral("05410D") + first});
        QCOMPARE(QStringLiteral("05410D") + rig.tagIdOf(purc), printed.last());
        QCOMPARE(scalar(QStringLiteral("select count(*) from slfanrfidclaim")), QStringLiteral("0"));
        QCOMPARE(scalar(QStringLiteral("select count(*) from dual where dummy = 'P'")),
                 QString::fromLatin1(procedure ? "3" : "0"));
    }

    void initDbOnAServerWritesTheFileRows() {
        VANTREL_REQUIRE_BACKEND(Backend::Server);
        testsupport::TempProgramDir dir;
        const QString source = QStringLiteral("127.0.0.1:%1/%2")
                                   .arg(testsupport::PgServer::shared()->port())
                                   .arg(testsupport::PgServer::shared()->createDatabase());
        for (const QStringList& target :
             {QStringList{"--server", "postgresql://postgres@" + source}, QStringList{dir.file("items.db")}})
            QCOMPARE(QProcess::execute(testsupport::binDir() + "/vantrelctl",
                                       QStringList{"init-db", "--demo-rows", "50", "--seed", "3"} + target),
                     0);
        QStringList rows[2];
        for (int i = 0; i < 2; ++i) {
            database::gDbConn.open(i ? QStringLiteral("items.db") : source, "postgres", {}, i ? "1" : "3");
            database::Recordset rs(database::gDbConn,
                                   "select purc_sno || dept_code || purc_ymd || chg_amt ||"
                                   " coalesce(tag_id, '-') from slfanrfidmaster order by 1");
            for (; !rs.eof(); rs.moveNext())
                rows[i] << rs.text(0);
        }
        database::gDbConn.close();
        QCOMPARE(rows[0].size(), 50);
        QCOMPARE(rows[0], rows[1]);
    }

    void twoWorkstationsIssueEachRowOnce() {
        VANTREL_REQUIRE_BACKEND(Backend::Server);
        testsupport::IssueRig a, b;
        a.backend = b.backend = Backend::Server;
        QVERIFY2(a.start(60), qPrintable(a.problem()));
        QVERIFY2(b.start(0), qPrintable(b.problem()));
        // Both workstations on the first one's database.
        testsupport::writeSettingsFiles(b.dir, QStringLiteral("5T3C0815"), a.login);
        QProcess runs[2];
        for (int i = 0; i < 2; ++i) {
            const QString dir = (i ? b : a).dir.path();
            runs[i].start(testsupport::binDir() + QStringLiteral("/vantrelctl"),
                          {"--dir", dir, "issue", "--user", "demo", "--rows", "1-30"});
        }
        QStringList printedTags;
        for (QProcess& p : runs) {
            QVERIFY(p.waitForFinished(120000));
            QCOMPARE(p.exitCode(), 0);
            for (const QString& line : QString::fromUtf8(p.readAllStandardError()).split('\n'))
                if (line.contains(QStringLiteral(": issued G")))
                    printedTags << line.section(' ', 3);
        }
        database::gDbConn.close();
        a.openDatabase();
        QCOMPARE(scalar("select count(*) from slfanrfidtaghist"), QStringLiteral("30"));
        QCOMPARE(scalar("select count(distinct purc_sno) from slfanrfidtaghist"), QStringLiteral("30"));
        const QStringList recorded = a.history(database::kProcTagPrint);
        QByteArray printed = a.captured() + b.captured();
        for (const QString& tag : recorded) {
            QCOMPARE(printed.count(inlayRecord(tag)), 1);
            QVERIFY(printedTags.contains(tag.mid(6)));
        }
        QCOMPARE(printedTags.size(), 30);
    }
};

QTEST_GUILESS_MAIN(ServerPathsTest)
#include "ServerPathsTest.moc"
