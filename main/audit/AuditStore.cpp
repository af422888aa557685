#include "main/audit/AuditStore.h"

#include "main/database/DbConn.h"
#include "main/database/EmbeddedDb.h"
#include "platform/RuntimeError.h"

#include <QDateTime>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <ranges>

namespace audit {

using database::sqlText;
using platform::RuntimeError;

namespace {

const QString kCountColumns = QStringLiteral(
    "read_cnt, found_cnt, missing_cnt, elsewhere_cnt, withdrawn_cnt, unknown_cnt, foreign_cnt, untagged_cnt");

void fail(const QSqlError& e) {
    throw RuntimeError(database::sqlErrorText(e));
}

QSqlQuery run(database::DbConnection& conn, const QString& sql) {
    QSqlQuery q(conn.database());
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!q.exec(sql))
        fail(q.lastError());
    return q;
}

QVariant orNull(const QString& v) {
    return v.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(v);
}

QString text(const QSqlQuery& q, int i) {
    return q.value(i).toString().trimmed();
}

AuditHeader headerOf(const QSqlQuery& q) {
    AuditHeader h;
    h.auditNo = text(q, 0).toInt();
    h.when = text(q, 1);
    h.user = text(q, 2);
    h.scope = text(q, 3);
    h.fileName = text(q, 4);
    h.sha256 = text(q, 5);
    h.reads = text(q, 6).toInt();
    for (int c = 0; c < kCategoryCount; ++c)
        h.counts[c] = text(q, 7 + c).toInt();
    return h;
}

const QString kHeaderSelect =
    QStringLiteral("select audit_no, audit_dt, usr_sid, scope, file_nm, file_sha256, %1 from %2")
        .arg(kCountColumns, QLatin1String(database::kAuditTable));

const QString kRowSelect = QStringLiteral("select category, tag_id, epc, purc_sno, dept_code, atcl_cat_no, "
                                          "purc_ymd, chg_amt, read_cnt, note, read_info from %1")
                               .arg(QLatin1String(database::kAuditRowTable));

AuditRow rowOf(const QSqlQuery& q) {
    AuditRow r;
    categoryFromName(text(q, 0), r.category);
    r.tagId = text(q, 1);
    r.epc = text(q, 2);
    r.purcSno = text(q, 3);
    r.deptCode = text(q, 4);
    r.catNo = text(q, 5);
    r.purcYmd = text(q, 6);
    r.amount = text(q, 7);
    r.reads = text(q, 8).toInt();
    r.note = text(q, 9);
    r.readInfo = text(q, 10);
    return r;
}

// The rows of one category of an audit, by purchase.
QHash<QString, AuditRow> rowsByPurchase(database::DbConnection& conn, int auditNo,
                                        const QString& categories) {
    QHash<QString, AuditRow> rows;
    QSqlQuery q =
        run(conn, kRowSelect + QStringLiteral(" where audit_no = %1 and category in (%2) and purc_sno "
                                              "is not null order by row_no")
                                   .arg(auditNo)
                                   .arg(categories));
    while (q.next()) {
        AuditRow r = rowOf(q);
        rows.insert(r.purcSno, r);
    }
    return rows;
}

} // namespace

int saveAudit(database::DbConnection& conn, const QString& user, const AuditScope& scope,
              const ScanFile& scan, const AuditResult& result) {
    int auditNo = 0;
    try {
        database::Recordset rs(
            conn, QStringLiteral("select %1.nextval from dual").arg(QLatin1String(database::kAuditSequence)));
        auditNo = rs.recordCount() > 0 ? rs.text(0).toInt() : 0;
    } catch (const RuntimeError& e) {
        // A database made before audits were kept lacks their tables.
        throw RuntimeError(
            QStringLiteral("재고조사를 저장할 표가 없습니다. 스키마 파일의 재고조사 표(%1, %2)와 "
                           "번호(%3)를 데이터베이스에 만들어 주십시오. (%4)")
                .arg(QLatin1String(database::kAuditTable), QLatin1String(database::kAuditRowTable),
                     QLatin1String(database::kAuditSequence), e.text()));
    }
    if (auditNo <= 0)
        throw RuntimeError(QStringLiteral("재고조사 번호(%1)를 읽지 못했습니다.")
                               .arg(QLatin1String(database::kAuditSequence)));
    QSqlDatabase db = conn.database();
    if (!db.transaction())
        fail(db.lastError());
    try {
        QSqlQuery q(db);
        q.prepare(
            QStringLiteral("insert into %1 (audit_no, audit_dt, usr_sid, scope, file_nm, file_sha256, %2)"
                           " values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                .arg(QLatin1String(database::kAuditTable), kCountColumns));
        q.addBindValue(auditNo);
        q.addBindValue(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
        q.addBindValue(orNull(user.left(20)));
        q.addBindValue(scope.text().isEmpty() ? QStringLiteral("all") : scope.text());
        q.addBindValue(orNull(scan.fileName.left(260)));
        q.addBindValue(orNull(scan.sha256));
        q.addBindValue(result.reads);
        for (int c : result.counts())
            q.addBindValue(c);
        if (!q.exec())
            fail(q.lastError());

        QSqlQuery r(db);
        r.prepare(
            QStringLiteral("insert into %1 (audit_no, row_no, category, tag_id, epc, purc_sno, dept_code,"
                           " atcl_cat_no, purc_ymd, chg_amt, read_cnt, note, read_info)"
                           " values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                .arg(QLatin1String(database::kAuditRowTable)));
        int rowNo = 0;
        for (const AuditRow& row : std::views::join(result.rows)) {
            r.addBindValue(auditNo);
            r.addBindValue(++rowNo);
            r.addBindValue(categoryName(row.category));
            r.addBindValue(orNull(row.tagId));
            r.addBindValue(orNull(row.epc.left(128)));
            r.addBindValue(orNull(row.purcSno));
            r.addBindValue(orNull(row.deptCode));
            r.addBindValue(orNull(row.catNo));
            r.addBindValue(orNull(row.purcYmd));
            r.addBindValue(orNull(row.amount));
            r.addBindValue(row.reads);
            r.addBindValue(orNull(row.note.left(200)));
            r.addBindValue(orNull(row.readInfo.left(400)));
            if (!r.exec())
                fail(r.lastError());
        }
        if (!db.commit())
            fail(db.lastError());
    } catch (...) {
        db.rollback();
        throw;
    }
    return auditNo;
}

std::vector<AuditHeader> listAudits(database::DbConnection& conn) {
    std::vector<AuditHeader> out;
    QSqlQuery q = run(conn, kHeaderSelect + QStringLiteral(" order by audit_no"));
    while (q.next())
        out.push_back(headerOf(q));
    return out;
}

bool loadAudit(database::DbConnection& conn, int auditNo, AuditHeader& header, AuditResult& result) {
    {
        QSqlQuery q = run(conn, kHeaderSelect + QStringLiteral(" where audit_no = %1").arg(auditNo));
        if (!q.next())
            return false;
        header = headerOf(q);
    }
    result = {};
    result.reads = header.reads;
    QSqlQuery q = run(conn, kRowSelect + QStringLiteral(" where audit_no = %1 order by row_no").arg(auditNo));
    while (q.next()) {
        AuditRow row = rowOf(q);
        result.of(row.category).push_back(std::move(row));
    }
    return true;
}

int previousAudit(database::DbConnection& conn, int auditNo) {
    QSqlQuery q = run(conn, QStringLiteral("select max(B.audit_no) from %1 A, %1 B where A.audit_no = %2 and "
                                           "B.scope = A.scope and B.audit_no < A.audit_no")
                                .arg(QLatin1String(database::kAuditTable))
                                .arg(auditNo));
    return q.next() ? text(q, 0).toInt() : 0;
}

AuditComparison compareAudits(database::DbConnection& conn, int earlier, int later) {
    AuditComparison c{earlier, later, {}, {}};
    const QHash<QString, AuditRow> before = rowsByPurchase(conn, earlier, QStringLiteral("'missing'"));
    const QHash<QString, AuditRow> missingNow = rowsByPurchase(conn, later, QStringLiteral("'missing'"));
    const QHash<QString, AuditRow> readNow =
        rowsByPurchase(conn, later, QStringLiteral("'found', 'elsewhere'"));
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (auto m = missingNow.constFind(it.key()); m != missingNow.cend())
            c.missingTwice.push_back(*m);
        else if (auto f = readNow.constFind(it.key()); f != readNow.cend())
            c.foundAgain.push_back(*f);
    }
    auto byPurchase = [](const AuditRow& a, const AuditRow& b) { return a.purcSno < b.purcSno; };
    std::sort(c.missingTwice.begin(), c.missingTwice.end(), byPurchase);
    std::sort(c.foundAgain.begin(), c.foundAgain.end(), byPurchase);
    return c;
}

} // namespace audit
