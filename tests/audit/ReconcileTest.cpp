// Reconciling a scan against the register on the embedded database and on a
// PostgreSQL server: every category, with the issuing history made by the
// database's own procedures (an issue, a reissue, a removal); stored audits
// and the comparison of two; the workbook export; and the audit commands.
#include "main/audit/Reconcile.h"
#include "main/audit/AuditExport.h"
#include "main/audit/AuditStore.h"
#include "main/database/DbConn.h"
#include "main/database/EmbeddedDb.h"
#include "main/database/IssuingRecords.h"
#include "main/database/ItemSearch.h"
#include "main/tagdata/TagData.h"
#include "tests/support/PgServer.h"
#include "tests/support/TestSupport.h"

#include <QProcess>
#include <QSqlQuery>
#include <QtTest>
#include <ranges>

using audit::Category;
using testsupport::Backend;
Q_DECLARE_METATYPE(testsupport::Backend)

namespace {

const QString kDept = QStringLiteral("3740040");
const QString kOrgan = QStringLiteral("GG413500");

QStringList column(const QString& sql) {
    QSqlQuery q(database::gDbConn.database());
    QStringList out;
    if (q.exec(sql))
        while (q.next())
            out << q.value(0).toString();
    return out;
}

QString tagData(const QString& tagId) {
    return tagdata::SetTagData(QLatin1String(tagdata::kTagPrefix), kOrgan, tagId.mid(8, 12), tagId.right(2));
}

void issue(const QString& purcSno, const QString& tagId) {
    database::TagRecordValues v;
    v.sSerialNo = QStringLiteral("5T3C0815");
    v.sTagId = tagId;
    database::recordTag(purcSno, v, QStringLiteral("demo"));
}

void withdraw(const QString& tagId) {
    database::gDbConn.callProcedure(QLatin1String(database::kProcTagRemove),
                                    {{"PDAID", "5T3C0815"},
                                     {"TAGIDFULL", QLatin1String(tagdata::kTagPrefix) + tagId},
                                     {"IP_ADDR", "127.0.0.1"},
                                     {"TWHY", "REPRINT"},
                                     {"TUSER", "demo"}});
}

QString newTag(int serial) {
    return kOrgan + QStringLiteral("%1").arg(800000 + serial, 12, 10, QLatin1Char('0')) +
           QStringLiteral("01");
}

// The rows of a result by their tag id (or EPC): category, purchase, note.
QMap<QString, QStringList> byTag(const audit::AuditResult& r) {
    QMap<QString, QStringList> m;
    for (const audit::AuditRow& row : std::views::join(r.rows))
        m.insert(row.tagId.isEmpty() ? row.epc + row.purcSno : row.tagId,
                 {audit::categoryName(row.category), row.purcSno, row.note, QString::number(row.reads)});
    return m;
}

audit::ScanFile scanOf(const QStringList& epcs) {
    audit::ScanFile s;
    s.fileName = QStringLiteral("walk.csv");
    s.sha256 = QString(64, u'a');
    for (const QString& e : epcs)
        s.reads.push_back({e, {}});
    return s;
}

} // namespace

class ReconcileTest : public QObject {
    Q_OBJECT

    testsupport::TempProgramDir* m_dir = nullptr;

    bool open(Backend backend) {
        testsupport::BackendLogin login;
        QString problem;
        if (!testsupport::createItemDatabase(backend, *m_dir, 600, login, problem)) {
            qWarning() << problem;
            return false;
        }
        database::gDbConn.open(login.dataSource, login.user, login.password, login.providerKind);
        return true;
    }

private slots:
    void init() { m_dir = new testsupport::TempProgramDir; }
    void cleanup() {
        database::gDbConn.close();
        delete m_dir;
    }

    void everyCategoryAndTheComparison_data() {
        QTest::addColumn<Backend>("backend");
        QTest::newRow("embedded") << Backend::Embedded;
        QTest::newRow("postgresql") << Backend::Server;
    }
    void everyCategoryAndTheComparison() {
        QFETCH(Backend, backend);
        VANTREL_REQUIRE_BACKEND(backend);
        QVERIFY(open(backend));
        const QString where = QStringLiteral(" from slfanrfidmaster where dept_code = '%1' ").arg(kDept);
        const QStringList live = column("select tag_id" + where + "and tag_id is not null order by purc_sno");
        const QStringList liveSno =
            column("select purc_sno" + where + "and tag_id is not null order by purc_sno");
        const QStringList bare = column("select purc_sno" + where + "and tag_id is null order by purc_sno");
        const QStringList other = column("select tag_id from slfanrfidmaster where dept_code <> '" + kDept +
                                         "' and tag_id is not null");
        QVERIFY(live.size() >= 3 && bare.size() >= 3 && !other.isEmpty());

        // The history: a reissue (first tag replaced), a removal.
        issue(bare[0], newTag(1));
        withdraw(newTag(1));
        issue(bare[0], newTag(2));
        issue(bare[1], newTag(3));
        withdraw(newTag(3));

        const QString unknown = kOrgan + QStringLiteral("99999999999901");
        const QString otherOrgan = tagdata::SetTagData("05410D", "SE123400", "000000000001", "01");
        const audit::ScanFile scan =
            scanOf({tagData(live[0]), tagData(live[0]).toLower(), "0x" + tagData(live[0]), tagData(live[1]),
                    tagData(other[0]), tagData(newTag(1)), tagData(newTag(3)), tagData(unknown), otherOrgan,
                    "3034257BF7194E4000001A85"});
        audit::AuditScope scope;
        scope.deptCode = kDept;
        const audit::AuditResult r = audit::reconcile(database::gDbConn, scan, scope);
        const auto rows = byTag(r);
        QCOMPARE(rows.value(live[0]), (QStringList{"found", liveSno[0], "", "3"}));
        QCOMPARE(rows.value(live[1]), (QStringList{"found", liveSno[1], "", "1"}));
        QCOMPARE(rows.value(live[2]), (QStringList{"missing", liveSno[2], "", "0"}));
        QCOMPARE(rows.value(newTag(2)), (QStringList{"missing", bare[0], "", "0"}));
        QCOMPARE(rows.value(other[0]).value(0), "elsewhere");
        QCOMPARE(rows.value(newTag(1)), (QStringList{"withdrawn", bare[0], "replaced by " + newTag(2), "1"}));
        QCOMPARE(rows.value(newTag(3)), (QStringList{"withdrawn", bare[1], "withdrawn", "1"}));
        QCOMPARE(rows.value(unknown), (QStringList{"unknown", "", "", "1"}));
        QCOMPARE(rows.value(otherOrgan), (QStringList{"foreign", "", "organisation SE123400", "1"}));
        QCOMPARE(rows.value("3034257BF7194E4000001A85").value(0), "foreign");
        QCOMPARE(rows.value(bare[1]).value(0), "untagged");
        QCOMPARE(r.reads, 10);
        QCOMPARE(r.count(Category::Missing), live.size() - 2 + 1);
        QCOMPARE(r.count(Category::Untagged), bare.size() - 1);
        QCOMPARE(r.summary(),
                 QStringLiteral("audit: 10 reads, 2 found, %1 missing, 1 elsewhere, 2 withdrawn, "
                                "1 unknown, 2 foreign, %2 untagged")
                     .arg(live.size() - 1)
                     .arg(bare.size() - 1));
        QVERIFY(!r.clean());

        // Stored, then a second walk finds the third asset: missing twice,
        // found again.
        const int first = audit::saveAudit(database::gDbConn, "demo", scope, scan, r);
        const audit::AuditResult again =
            audit::reconcile(database::gDbConn, scanOf({tagData(live[0]), tagData(live[2])}), scope);
        const int second = audit::saveAudit(database::gDbConn, "demo", scope, scanOf({}), again);
        QCOMPARE(audit::previousAudit(database::gDbConn, second), first);
        QCOMPARE(audit::previousAudit(database::gDbConn, first), 0);
        const audit::AuditComparison c = audit::compareAudits(database::gDbConn, first, second);
        QCOMPARE(c.foundAgain.size(), size_t(1));
        QCOMPARE(c.foundAgain[0].purcSno, liveSno[2]);
        QCOMPARE(static_cast<int>(c.missingTwice.size()), r.count(Category::Missing) - 1);

        audit::AuditHeader h;
        audit::AuditResult loaded;
        QVERIFY(audit::loadAudit(database::gDbConn, first, h, loaded));
        QCOMPARE(h.scope, QStringLiteral("dept=") + kDept);
        QCOMPARE(h.counts, r.counts());
        QCOMPARE(byTag(loaded), rows);
        QCOMPARE(audit::listAudits(database::gDbConn).size(), size_t(2));
        QVERIFY(!audit::loadAudit(database::gDbConn, 99, h, loaded));
    }

    // A scope holds exactly the purchases the main window's search finds
    // with the same boxes and every issue state; its text names it again.
    void scopeIsTheSearchOfEveryState_data() {
        QTest::addColumn<QString>("dept");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("catNo");
        QTest::addColumn<QString>("catNm");
        QTest::addColumn<int>("amountFrom"); // -1: empty box
        QTest::addColumn<int>("amountTo");
        const QDate all(1900, 1, 1), today = QDate::currentDate();
        QTest::newRow("everything") << "전체(00)" << all << today << ""
                                    << "" << -1 << -1;
        QTest::newRow("department and years")
            << "정보통신과(3740040)" << QDate(2018, 1, 1) << QDate(2021, 12, 31) << ""
            << "" << -1 << -1;
        QTest::newRow("category") << "전체(00)" << all << today << "43211503"
                                  << "" << -1 << -1;
        QTest::newRow("part of a name") << "전체(00)" << all << today << ""
                                        << "컴퓨터" << -1 << -1;
        QTest::newRow("apostrophe in a name") << "전체(00)" << all << today << ""
                                              << "'스마트보드'" << -1 << -1;
        QTest::newRow("amount range") << "전체(00)" << all << today << ""
                                      << "" << 100000 << 900000;
    }
    void scopeIsTheSearchOfEveryState() {
        QFETCH(QString, dept);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, catNo);
        QFETCH(QString, catNm);
        QFETCH(int, amountFrom);
        QFETCH(int, amountTo);
        QVERIFY(open(Backend::Embedded));
        database::SearchConditions c;
        c.CboDept = dept;
        c.TDBDate2From = from;
        c.TDBDate2To = to;
        c.txtCatNo = catNo;
        c.txtCatNm = catNm;
        if (amountFrom >= 0) {
            c.TDBNumFrom = amountFrom;
            c.TDBNumTo = amountTo;
        }
        c.OptSearch = 2;
        database::ItemGrid grid;
        database::SearchUi ui;
        database::cmdLoadDb(grid, c, ui);
        QStringList searched;
        for (int r = 1; r <= grid.rows(); ++r)
            searched << grid.text(r, database::ColPurcSno);

        const audit::AuditScope scope = audit::AuditScope::fromConditions(c, QDate::currentDate());
        QCOMPARE(audit::AuditScope::fromText(scope.text()).text(), scope.text());
        const audit::AuditResult r = audit::reconcile(database::gDbConn, scanOf({"3034"}), scope);
        QStringList audited;
        for (Category cat : {Category::Missing, Category::Untagged})
            for (const audit::AuditRow& row : r.of(cat))
                audited << row.purcSno;
        audited.sort();
        searched.sort();
        QVERIFY(!searched.isEmpty() || QTest::currentDataTag() == QByteArray("apostrophe in a name"));
        QCOMPARE(audited, searched);
    }

    // One sheet per category, amounts and read counts as numbers, checked
    // with an independent reader.
    void exportsOneSheetPerCategory() {
        QVERIFY(open(Backend::Embedded));
        const QStringList live = column(
            "select tag_id from slfanrfidmaster where tag_id is not null and dept_code = '" + kDept + "'");
        audit::AuditScope scope;
        scope.deptCode = kDept;
        const audit::AuditResult r =
            audit::reconcile(database::gDbConn, scanOf({tagData(live[0]), "3034"}), scope);
        const QString path = m_dir->file("audit.xls");
        QString error;
        QVERIFY2(audit::exportAudit(path, r, audit::itemNames(database::gDbConn), &error), qPrintable(error));
        QProcess py;
        py.start("/usr/bin/python3", {"-c", R"PY(
import sys, xlrd
b = xlrd.open_workbook(sys.argv[1])
print("|".join(s.name for s in b.sheets()))
for s in b.sheets():
    print(s.name, s.nrows, s.row(1)[8].ctype if s.nrows > 1 and s.ncols > 8 else "-",
          s.row(1)[9].ctype if s.nrows > 1 and s.ncols > 9 else "-", s.row(1)[1].value if s.nrows > 1 else "")
)PY",
                                      path});
        QVERIFY(py.waitForFinished(60000));
        const QStringList out = QString::fromUtf8(py.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QVERIFY2(py.exitCode() == 0, py.readAllStandardError().constData());
        QCOMPARE(out.value(0), QStringLiteral("요약|확인|미발견|타부서|회수태그|미등록|외부태그|미발행"));
        // 2 is a number cell, 1 text: the found tag's amount and read count are numbers.
        QCOMPARE(out.value(1), QStringLiteral("요약 9 - - 1.0"));
        QCOMPARE(out.value(2), QStringLiteral("확인 2 2 2 ") + live[0]);
        QCOMPARE(out.value(7), QStringLiteral("외부태그 2 0 2 ")); // no amount: an empty cell
    }

    void commandLine() {
        QVERIFY(open(Backend::Embedded));
        // A file made before audits were kept: it gets their tables when opened.
        for (const char* sql : {"drop table slfanrfidaudit", "drop table slfanrfidauditrow",
                                "delete from sys_sequences where seq_name = 'SEQ_SLFRFID_AUDITNO'"})
            database::gDbConn.execute(QLatin1String(sql));
        database::gDbConn.close();
        m_dir->write("db_setup.ini", "[DB_INFO]\r\nDATABASE=items.db\r\nUSER=demo\r\nPASSWORD=demo\r\n");
        auto ctl = [&](const QStringList& args, QString* out = nullptr) {
            QProcess p;
            p.start(testsupport::binDir() + "/vantrelctl", QStringList{"--dir", m_dir->path()} + args);
            p.waitForFinished(120000);
            if (out)
                *out = QString::fromUtf8(p.readAllStandardOutput());
            return p.exitCode();
        };
        const QString scan = m_dir->file("walk.jsonld");
        QString out;
        QCOMPARE(ctl({"scan-sim", "--out", scan, "--dept", kDept, "--share", "1", "--elsewhere", "0",
                      "--withdrawn", "0", "--unknown", "0", "--foreign", "2"},
                     &out),
                 0);
        // Every live tag read, foreign reads alone: nothing to act on.
        QCOMPARE(ctl({"audit", scan, "--dept", kDept, "--save"}, &out), 0);
        QStringList lines = out.split('\n', Qt::SkipEmptyParts);
        QVERIFY2(
            QRegularExpression(
                R"(^audit: \d+ reads, \d+ found, 0 missing, 0 elsewhere, 0 withdrawn, 0 unknown, 2 foreign, \d+ untagged$)")
                .match(lines.last())
                .hasMatch(),
            qPrintable(lines.last()));
        QCOMPARE(lines.first().split('\t').size(), 4);
        QCOMPARE(lines.first().split('\t').value(3), kDept);

        QCOMPARE(ctl({"scan-sim", "--out", m_dir->file("walk.csv"), "--dept", kDept, "--share", "0.5"}), 0);
        QCOMPARE(
            ctl({"audit", m_dir->file("walk.csv"), "--dept", kDept, "--save", "--out", m_dir->file("a.xls")},
                &out),
            1);
        QVERIFY(QFile::exists(m_dir->file("a.xls")));
        QCOMPARE(ctl({"audit", "list"}, &out), 0);
        QCOMPARE(out.split('\n', Qt::SkipEmptyParts).size(), 3);
        QCOMPARE(ctl({"audit", "compare", "2"}, &out), 0);
        QVERIFY2(out.contains(QRegularExpression(
                     R"(compare: audit 1 with 2, [1-9]\d* missing twice, 0 found again)")) ||
                     out.contains("compare: audit 1 with 2, 0 missing twice"),
                 qPrintable(out));

        m_dir->write("names.csv", "name,amount\r\nchair,3\r\n");
        QCOMPARE(ctl({"audit", m_dir->file("names.csv")}), 2);
        QCOMPARE(ctl({"audit", m_dir->file("none.csv")}), 2);
        QCOMPARE(ctl({"audit", scan, "--from", "2024"}), 2);
    }
};

QTEST_GUILESS_MAIN(ReconcileTest)
#include "ReconcileTest.moc"
