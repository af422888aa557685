// The shared connection: connection strings, what opening does with embedded
// files and missing drivers, and the Oracle behaviour the embedded database
// provides (nvl, dual, '' as NULL, the sequence, the two procedures).
#include "main/database/DbConn.h"
#include "main/database/EmbeddedDb.h"
#include "platform/ProgramDir.h"
#include "platform/RuntimeError.h"
#include "tests/support/ItemDatabase.h"

#include <QFile>
#include <QSqlDatabase>
#include <QtTest>

using namespace database;

class DbConnectionTest : public QObject {
    Q_OBJECT

    static QString openError(DbConnection& conn, const QString& source, const QString& kind) {
        try {
            conn.open(source, QStringLiteral("scott"), QStringLiteral("tiger"), kind);
        } catch (const platform::RuntimeError& e) {
            return e.text();
        }
        return {};
    }

    static void callPrint(DbConnection& conn, const QString& tagIdFull, const QString& purcSno) {
        conn.callProcedure(QString::fromLatin1(kProcTagPrint),
                           {{QStringLiteral("PDAID"), QStringLiteral("PDA-7")},
                            {QStringLiteral("TAGIDFULL"), tagIdFull},
                            {QStringLiteral("IP_ADDR"), QStringLiteral("10.0.0.5")},
                            {QStringLiteral("PURC_SNO"), purcSno},
                            {QStringLiteral("TFORM"), QStringLiteral("01")},
                            {QStringLiteral("TUSER"), QStringLiteral("kim")}});
    }
    static void callRemove(DbConnection& conn, const QString& tagIdFull) {
        conn.callProcedure(QString::fromLatin1(kProcTagRemove),
                           {{QStringLiteral("PDAID"), QStringLiteral("PDA-7")},
                            {QStringLiteral("TAGIDFULL"), tagIdFull},
                            {QStringLiteral("IP_ADDR"), QStringLiteral("10.0.0.5")},
                            {QStringLiteral("TWHY"), QStringLiteral("REPRINT")},
                            {QStringLiteral("TUSER"), QStringLiteral("kim")}});
    }

private slots:
    void connectionStringsOfEveryProviderKind() {
        const QString msdaora =
            QStringLiteral("Provider=MSDAORA;Data Source=ORCL;User Id=scott;Password=ti;ger;");
        QCOMPARE(connectionString(QStringLiteral("1"), "ORCL", "scott", "ti;ger"), msdaora);
        QCOMPARE(
            connectionString(QStringLiteral("2"), "ORCL", "scott", "ti;ger"),
            QStringLiteral("Provider=oraOLEDB.oracle.1;Data Source=ORCL;User Id=scott;Password=ti;ger;"));
        QCOMPARE(connectionString(QString(), "ORCL", "scott", "ti;ger"), msdaora);
        QCOMPARE(connectionString(QStringLiteral("02"), "ORCL", "scott", "ti;ger"), msdaora);
        QCOMPARE(connectionString(QStringLiteral("03"), "ORCL", "scott", "ti;ger"), msdaora);
        QCOMPARE(connectionString(QStringLiteral("3"), "h/db", "u", "p"),
                 QStringLiteral("Provider=PostgreSQL;Data Source=h/db;User Id=u;Password=p;"));
    }

    void serverSourcesAreHostPortAndDatabase() {
        const QList<std::pair<QString, QString>> cases = {{"db.site:6543/items", "db.site 6543 items"},
                                                          {"10.0.0.5/items", "10.0.0.5 5432 items"},
                                                          {"host:70000/items", "-"},
                                                          {"items", "-"},
                                                          {"host:5432/", "-"},
                                                          {"a/b/c", "-"}};
        for (const auto& [source, expected] : cases) {
            ServerAddress a;
            const bool ok = parseServerAddress(source, a);
            QCOMPARE(ok ? QStringLiteral("%1 %2 %3").arg(a.host).arg(a.port).arg(a.database)
                        : QStringLiteral("-"),
                     expected);
        }
        DbConnection conn(QStringLiteral("t3"));
        QVERIFY(openError(conn, QStringLiteral("items"), QStringLiteral("3")).contains("HOST:PORT/DBNAME"));
    }

    void embeddedSourcesAreFilesOfTheProgramDirectory() {
        testsupport::TempProgramDir dir;
        QVERIFY(isEmbeddedSource(QStringLiteral("items.db")));
        QVERIFY(isEmbeddedSource(QStringLiteral("Items.SQLite3")));
        QVERIFY(isEmbeddedSource(QStringLiteral("/srv/x.sqlite")));
        QVERIFY(!isEmbeddedSource(QStringLiteral("ORCL")));
        QVERIFY(!isEmbeddedSource(QStringLiteral("db")));
        QCOMPARE(embeddedPath(QStringLiteral("data/items.db")),
                 dir.path() + QStringLiteral("/data/items.db"));
        QCOMPARE(embeddedPath(QStringLiteral("/srv/x.db")), QStringLiteral("/srv/x.db"));
    }

    void openingFailuresLeaveTheConnectionClosed() {
        testsupport::TempProgramDir dir;
        DbConnection conn(QStringLiteral("t1"));
        // A mistyped file name fails and leaves no empty database behind.
        // Each failure names the setting to correct.
        const QString missing = openError(conn, QStringLiteral("missing.db"), "1");
        QVERIFY2(missing.contains(QStringLiteral("missing.db")) &&
                     missing.contains(QStringLiteral("[DB_INFO] 섹션 DATABASE")),
                 qPrintable(missing));
        for (const QString& source : {QStringLiteral("NO_SUCH_DSN"), QStringLiteral("items\uFFFD.db")})
            QVERIFY(openError(conn, source, "1").contains(QStringLiteral("[DB_INFO] 섹션 DATABASE")));
        QVERIFY(!QFile::exists(dir.file(QStringLiteral("missing.db"))));
        QVERIFY(!conn.isOpen());
        dir.write(QStringLiteral("text.db"), "this is not a database file, just text\n");
        QVERIFY(!openError(conn, QStringLiteral("text.db"), "1").isEmpty());
        QVERIFY(!conn.isOpen());
        // The connection string is kept even when opening failed.
        QCOMPARE(conn.connectionStringText(),
                 QStringLiteral("Provider=MSDAORA;Data Source=text.db;User Id=scott;Password=tiger;"));
    }

    void aMissingOracleDriverIsNamedWithWhatToInstall() {
        if (QSqlDatabase::isDriverAvailable(QStringLiteral("QOCI")))
            QSKIP("the Oracle driver is installed here");
        DbConnection conn(QStringLiteral("t2"));
        const QString text = openError(conn, QStringLiteral("ORCL"), QStringLiteral("2"));
        QVERIFY2(text.contains(QStringLiteral("QOCI")) && text.contains(QStringLiteral("install")),
                 qPrintable(text));
        QVERIFY(!conn.isOpen());
    }

    void oracleFunctionsAndEmptyTextRunUnchanged() {
        testsupport::ItemDb db;
        QCOMPARE(db.scalar(QStringLiteral("select nvl(null, 'x') v from dual")), QStringLiteral("x"));
        QCOMPARE(db.scalar(QStringLiteral("select nvl('a', 'x') v from dual")), QStringLiteral("a"));
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from dual")), QStringLiteral("1"));
        // LIKE tells capitals from small letters, as on the server.
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from dual where 'ABC' like '%b%'")),
                 QStringLiteral("0"));
        // An empty tag id is no tag id.
        db.exec(QStringLiteral("insert into slfanrfidmaster (purc_sno, tag_id) values ('P1', '')"));
        db.exec(QStringLiteral("insert into slfanrfidmaster (purc_sno, tag_id) values ('P2', 'T')"));
        db.exec(QStringLiteral("update slfanrfidmaster set tag_id = '' where purc_sno = 'P2'"));
        QCOMPARE(db.column(QStringLiteral("select tag_id from slfanrfidmaster order by purc_sno")),
                 QStringList({"<null>", "<null>"}));
    }

    // What the embedded database runs in place of a program statement: the
    // servers' place for missing sort keys, nvl without a call per row; the
    // texts of quoted literals, other names and a servers' statement stay.
    void embeddedStatementsSortAndReplaceAsTheServers() {
        const struct {
            const char* sql;
            const char* embedded;
        } cases[] = {
            {"select a from t order by b, c", "select a from t order by b nulls last, c nulls last"},
            {"select a from t order by B.x desc, y",
             "select a from t order by B.x desc nulls first, y nulls last"},
            {"select a from t order by b nulls first", "select a from t order by b nulls first"},
            {"select a from (select b from t order by b) x", "select a from (select b from t order by b) x"},
            {"select NVL (a,'nvl(') v, x.nvl(b), mynvl(c), nvlx(d) from t",
             "select ifnull (a,'nvl(') v, x.nvl(b), mynvl(c), nvlx(d) from t"},
            {"select 'it''s nvl(' || nvl(a, '') from t", "select 'it''s nvl(' || ifnull(a, '') from t"},
        };
        for (const auto& c : cases) {
            QCOMPARE(dialectStatement(SqlDialect::Embedded, QString::fromUtf8(c.sql)),
                     QString::fromUtf8(c.embedded));
            QCOMPARE(dialectStatement(SqlDialect::PostgreSQL, QString::fromUtf8(c.sql)),
                     QString::fromUtf8(c.sql));
        }
    }

    void sequenceValuesAreUniqueAcrossConnectionsAndRuns() {
        testsupport::ItemDb db;
        const QString read = QStringLiteral("select SEQ_SLFRFID_SERIALNO.nextval from dual");
        DbConnection second(QStringLiteral("second"));
        second.open(db.dir.file(QStringLiteral("items.db")), {}, {}, QStringLiteral("1"));
        QList<qint64> values;
        for (int i = 0; i < 10; ++i) {
            Recordset a(gDbConn, read);
            Recordset b(second, read);
            values << a.text(QStringLiteral("NEXTVAL")).toLongLong()
                   << b.text(QStringLiteral("nextval")).toLongLong();
        }
        second.close();
        gDbConn.close();
        gDbConn.open(QStringLiteral("items.db"), {}, {}, QStringLiteral("2"));
        values << Recordset(gDbConn, read).text(QStringLiteral("nextval")).toLongLong();
        for (int i = 1; i < values.size(); ++i)
            QVERIFY2(values[i] > values[i - 1], qPrintable(QStringLiteral("value %1").arg(i)));
        QCOMPARE(values.first(), 1);
        // An unknown sequence is an error, not a row of nothing.
        QVERIFY_THROWS_EXCEPTION(platform::RuntimeError,
                                 Recordset(gDbConn, "select SEQ_NONE.nextval from dual"));
    }

    void procedureRecordsAndRemovesATagWithHistory() {
        testsupport::ItemDb db;
        db.exec(QStringLiteral("insert into slfanrfidmaster (purc_sno) values ('P1'), ('P2')"));
        callPrint(gDbConn, QStringLiteral("05410DGG41350000000000004201"), QStringLiteral("P1"));
        QCOMPARE(db.column(QStringLiteral("select tag_id from slfanrfidmaster order by purc_sno")),
                 QStringList({"GG41350000000000004201", "<null>"}));
        callRemove(gDbConn, QStringLiteral("05410DGG41350000000000004201"));
        QCOMPARE(db.scalar(QStringLiteral("select tag_id from slfanrfidmaster where purc_sno = 'P1'")),
                 QStringLiteral("<null>"));
        QCOMPARE(db.column(QStringLiteral(
                     "select proc_name || '|' || pdaid || '|' || tagidfull || '|' || ip_addr"
                     " || '|' || nvl(purc_sno, '-') || '|' || nvl(tform, '-') || '|' ||"
                     " nvl(twhy, '-') || '|' || tuser from slfanrfidtaghist order by hist_sno")),
                 QStringList(
                     {"SP_SLARFIDB_TAG_PRINT|PDA-7|05410DGG41350000000000004201|10.0.0.5|P1|01|-|kim",
                      "SP_SLARFIDB_TAG_REMOVE|PDA-7|05410DGG41350000000000004201|10.0.0.5|-|-|REPRINT|kim"}));
        QCOMPARE(db.scalar(QStringLiteral(
                     "select count(*) from slfanrfidtaghist where proc_dt like '20__-__-__ __:__:__.___'")),
                 QStringLiteral("2"));
        // Values with apostrophes and placeholder-like text go in verbatim.
        callPrint(gDbConn, QStringLiteral("05410DO'Neil :TUSER \\1"), QStringLiteral("P2"));
        QCOMPARE(db.scalar(QStringLiteral("select tag_id from slfanrfidmaster where purc_sno = 'P2'")),
                 QStringLiteral("O'Neil :TUSER \\1"));
    }

    void aFailingProcedureChangesNothing() {
        testsupport::ItemDb db;
        db.exec(QStringLiteral("insert into slfanrfidmaster (purc_sno) values ('P1')"));
        db.exec(QStringLiteral("drop table slfanrfidtaghist"));
        QVERIFY_THROWS_EXCEPTION(platform::RuntimeError, callPrint(gDbConn, "05410DT1", "P1"));
        QCOMPARE(db.scalar(QStringLiteral("select tag_id from slfanrfidmaster")), QStringLiteral("<null>"));
        // Wrong parameters and unknown procedures are refused.
        QVERIFY_THROWS_EXCEPTION(platform::RuntimeError,
                                 gDbConn.callProcedure(QString::fromLatin1(kProcTagPrint), {{"PDAID", "x"}}));
        QVERIFY_THROWS_EXCEPTION(platform::RuntimeError,
                                 gDbConn.callProcedure(QStringLiteral("SP_NONE"), {}));
        // The connection is still usable for the next call.
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from slfanrfidmaster")), QStringLiteral("1"));
    }

    void recordsetReadsFieldsByNameAndKnowsNull() {
        testsupport::ItemDb db;
        db.exec(QStringLiteral(
            "insert into slfanrfiddept values ('D1', ' 총무과 ', null), ('D2', '재무과', '20200101')"));
        Recordset rs(gDbConn, QStringLiteral("select * from slfanrfiddept order by dept_code"));
        QCOMPARE(rs.recordCount(), 2);
        QCOMPARE(rs.text(QStringLiteral("DEPT_NM")), QStringLiteral(" 총무과 "));
        QVERIFY(rs.isNull(QStringLiteral("del_ymd")));
        rs.moveNext();
        QCOMPARE(rs.text(QStringLiteral("del_ymd")), QStringLiteral("20200101"));
        QVERIFY_THROWS_EXCEPTION(platform::RuntimeError, rs.text(QStringLiteral("no_such_column")));
        rs.moveNext();
        QVERIFY(rs.eof());
        QVERIFY_THROWS_EXCEPTION(platform::RuntimeError, rs.text(QStringLiteral("dept_nm")));
        QVERIFY_THROWS_EXCEPTION(platform::RuntimeError,
                                 Recordset(gDbConn, QStringLiteral("select * from nowhere")));
    }
};

QTEST_GUILESS_MAIN(DbConnectionTest)
#include "DbConnectionTest.moc"
