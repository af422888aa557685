#include "main/database/TagClaims.h"

#include "main/database/DbConn.h"
#include "main/database/EmbeddedDb.h"
#include "platform/RuntimeError.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace database {

using platform::RuntimeError;

namespace {

const char* kClaimColumns = "purc_sno, tag_id, tagidfull, seq_no, run_kind, old_tag_id, ws_id, ws_name,"
                            " pdaid, ip_addr, tform, tuser, claimed_at";
// What a settlement raises on a server when the claim it settles is gone.
const char* kNoClaim = "no open tag claim";

QString quoted(const QString& value) {
    return QLatin1Char('\'') + sqlText(value) + QLatin1Char('\'');
}

bool onPostgres() {
    return gDbConn.dialect() == SqlDialect::PostgreSQL && !gDbConn.isEmbedded();
}

QSqlQuery exec(const QString& sql) {
    if (!gDbConn.isOpen())
        throw RuntimeError(QStringLiteral("The database connection is closed."));
    QSqlQuery q(gDbConn.database());
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!q.exec(sql))
        throw RuntimeError(sqlErrorText(q.lastError()));
    return q;
}

QString text(const QSqlQuery& q, int column) {
    return q.value(column).isNull() ? QString() : q.value(column).toString().trimmed();
}

QString stampText(const QVariant& v) {
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return v.toString().left(19).replace(QLatin1Char('T'), QLatin1Char(' '));
}

TagClaim claimOf(const QSqlQuery& q) {
    TagClaim c;
    c.purcSno = text(q, 0);
    c.tagId = text(q, 1);
    c.tagIdFull = text(q, 2);
    c.seqNo = text(q, 3);
    c.runKind = static_cast<qint16>(text(q, 4).toInt());
    c.oldTagId = text(q, 5);
    c.wsId = text(q, 6);
    c.wsName = text(q, 7);
    c.pdaid = text(q, 8);
    c.ipAddr = text(q, 9);
    c.form = text(q, 10);
    c.user = text(q, 11);
    c.claimedAt = stampText(q.value(12));
    return c;
}

QList<TagClaim> claimsWhere(const QString& condition) {
    QSqlQuery q = exec(QStringLiteral("select %1 from %2%3 order by claimed_at, purc_sno")
                           .arg(QLatin1String(kClaimColumns), QLatin1String(kClaimTable), condition));
    QList<TagClaim> list;
    while (q.next())
        list << claimOf(q);
    return list;
}

QString nowValue() {
    return gDbConn.isEmbedded() ? QStringLiteral("strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime')")
                                : QStringLiteral("localtimestamp");
}

// "000000000000": the serial number as twelve digits.
QString twelveDigits(const QString& seqNo) {
    return seqNo.size() >= 12 ? seqNo : seqNo.rightJustified(12, QLatin1Char('0'));
}

QString storedTag(const QString& purcSno) {
    QSqlQuery q =
        exec(QStringLiteral("select tag_id from slfanrfidmaster where purc_sno = %1").arg(quoted(purcSno)));
    return q.next() ? text(q, 0) : QString();
}

// A rolled-back write transaction on every way out but the committed one.
struct WriteScope {
    WriteScope() { gDbConn.beginWrite(); }
    ~WriteScope() {
        try {
            gDbConn.endWrite(false);
        } catch (...) {
        }
    }
    void commit() { gDbConn.endWrite(true); }
};

QString insertStatement(const ClaimRequest& r, const QString& tagId, const QString& seqNo,
                        const QString& oldTagId) {
    return QStringLiteral("insert into %1 (purc_sno, tag_id, tagidfull, seq_no, run_kind, old_tag_id, ws_id,"
                          " ws_name, pdaid, ip_addr, tform, tuser, claimed_at) values"
                          " (%2, %3, %4, %5, %6, %7, %8, %9, %10, %11, %12, %13, %14)")
        .arg(QLatin1String(kClaimTable), quoted(r.purcSno), quoted(tagId), quoted(r.prefix + tagId),
             quoted(seqNo), QString::number(r.runKind),
             oldTagId.isEmpty() ? QStringLiteral("null") : quoted(oldTagId), quoted(r.wsId), quoted(r.wsName))
        .arg(quoted(r.pdaid), quoted(r.ipAddr), quoted(r.form), quoted(r.user), nowValue());
}

// One statement on PostgreSQL: the purchase's row is locked while the
// serial number is drawn (only when the purchase can be claimed) and the
// claim is inserted; the statement commits on its own.
ClaimResult claimOnPostgres(const ClaimRequest& r) {
    const QString p = quoted(r.purcSno);
    const QString mayClaim =
        r.runKind == 1 ? QStringLiteral(" and (select tag_id from m) is null") : QString();
    const QString sql =
        QStringLiteral(
            "with m as (select tag_id from slfanrfidmaster where purc_sno = %1 for update),"
            " h as (select ws_name from %2 where purc_sno = %1),"
            " s as (select nextval('seq_slfrfid_serialno')::text as n where not exists (select 1 from h)%3),"
            " t as (select n, %4 || case when length(n) >= 12 then n else lpad(n, 12, '0') end || %5 as "
            "tag_id"
            " from s),"
            " x as (select o.purc_sno from slfanrfidmaster o, t where o.tag_id = t.tag_id and o.purc_sno <> "
            "%1"
            " union all select c.purc_sno from %2 c, t where c.tag_id = t.tag_id),"
            " c as (insert into %2 (purc_sno, tag_id, tagidfull, seq_no, run_kind, old_tag_id, ws_id, "
            "ws_name,"
            " pdaid, ip_addr, tform, tuser, claimed_at)"
            " select %1, t.tag_id, %6 || t.tag_id, t.n, %7, (select tag_id from m), %8, %9, %10, %11, %12, "
            "%13,"
            " localtimestamp from t where not exists (select 1 from x)"
            " on conflict do nothing returning tag_id, seq_no, old_tag_id, claimed_at)"
            " select (select tag_id from c), (select n from t), (select tag_id from t), (select tag_id from "
            "m),"
            " (select ws_name from h), (select purc_sno from x limit 1), (select claimed_at from c)")
            .arg(p, QLatin1String(kClaimTable), mayClaim, quoted(r.organCode), quoted(r.expandCode),
                 quoted(r.prefix), QString::number(r.runKind), quoted(r.wsId), quoted(r.wsName))
            .arg(quoted(r.pdaid), quoted(r.ipAddr), quoted(r.form), quoted(r.user));
    QSqlQuery q = exec(sql);
    if (!q.next())
        throw RuntimeError(QStringLiteral("The tag claim gave no result."));
    ClaimResult result;
    result.storedTagId = text(q, 3);
    const QString claimed = text(q, 0);
    if (!claimed.isEmpty()) {
        result.kind = ClaimResult::Claimed;
        result.claim = {
            r.purcSno, claimed, r.prefix + claimed, text(q, 1), r.runKind, result.storedTagId,   r.wsId,
            r.wsName,  r.pdaid, r.ipAddr,           r.form,     r.user,    stampText(q.value(6))};
    } else if (!text(q, 5).isEmpty()) {
        result.kind = ClaimResult::TagTaken;
        result.holder = text(q, 5);
        result.claim.tagId = text(q, 2);
    } else if (r.runKind == 1 && !result.storedTagId.isEmpty()) {
        result.kind = ClaimResult::Issued;
    } else {
        // Held, or claimed by another workstation while this statement ran.
        result.kind = ClaimResult::Held;
        result.holder = text(q, 4);
    }
    return result;
}

// A short write transaction elsewhere: the embedded database's write lock
// (or an Oracle row lock) is held only while the claim is made.
ClaimResult claimInTransaction(const ClaimRequest& r) {
    const QString p = quoted(r.purcSno);
    const bool embedded = gDbConn.isEmbedded();
    WriteScope write;
    ClaimResult result;
    {
        QSqlQuery m = exec(QStringLiteral("select tag_id from slfanrfidmaster where purc_sno = %1%2")
                               .arg(p, embedded ? QString() : QStringLiteral(" for update")));
        result.storedTagId = m.next() ? text(m, 0) : QString();
    }
    {
        QSqlQuery h = exec(
            QStringLiteral("select ws_name from %1 where purc_sno = %2").arg(QLatin1String(kClaimTable), p));
        if (h.next()) {
            result.kind = ClaimResult::Held;
            result.holder = text(h, 0);
            return result;
        }
    }
    if (r.runKind == 1 && !result.storedTagId.isEmpty()) {
        result.kind = ClaimResult::Issued;
        return result;
    }
    QString seqNo;
    {
        QSqlQuery s = exec(dialectStatement(
            gDbConn.dialect(), QStringLiteral("select %1.nextval from dual").arg(kSerialSequence)));
        seqNo = s.next() ? text(s, 0) : QString();
    }
    if (seqNo.isEmpty()) {
        result.kind = ClaimResult::NoSerial;
        return result;
    }
    const QString tagId = r.organCode + twelveDigits(seqNo) + r.expandCode;
    {
        QSqlQuery x =
            exec(QStringLiteral("select purc_sno from slfanrfidmaster where tag_id = %1 and purc_sno <> %2"
                                " union all select purc_sno from %3 where tag_id = %1")
                     .arg(quoted(tagId), p, QLatin1String(kClaimTable)));
        if (x.next()) {
            result.kind = ClaimResult::TagTaken;
            result.holder = text(x, 0);
            result.claim.tagId = tagId;
            // The number stays drawn, as a server's sequence keeps it.
            write.commit();
            return result;
        }
    }
    exec(insertStatement(r, tagId, seqNo, result.storedTagId));
    write.commit();
    result.kind = ClaimResult::Claimed;
    result.claim = {r.purcSno,
                    tagId,
                    r.prefix + tagId,
                    seqNo,
                    r.runKind,
                    result.storedTagId,
                    r.wsId,
                    r.wsName,
                    r.pdaid,
                    r.ipAddr,
                    r.form,
                    r.user,
                    QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))};
    return result;
}

// A dollar-quote tag that occurs in none of the values of a block.
QString dollarTag(const QString& body) {
    QString tag = QStringLiteral("$claim$");
    for (int i = 0; body.contains(tag); ++i)
        tag = QStringLiteral("$claim%1$").arg(i);
    return tag;
}

Settled recordOnPostgres(const QString& purcSno, const QString& tagId) {
    const QString p = quoted(purcSno);
    const QString body =
        QStringLiteral(
            "declare c record; begin"
            " select * into c from %1 where purc_sno = %2 and tag_id = %3 for update;"
            " if not found then raise exception '%4'; end if;"
            " if c.old_tag_id is not null then"
            " call sp_slarfidb_tag_remove(c.pdaid,"
            " left(c.tagidfull, length(c.tagidfull) - length(c.tag_id)) || c.old_tag_id,"
            " c.ip_addr, 'REPRINT', c.tuser);"
            " end if;"
            " call sp_slarfidb_tag_print(c.pdaid, c.tagidfull, c.ip_addr, c.purc_sno, c.tform, c.tuser);"
            " delete from %1 where purc_sno = %2;"
            " end")
            .arg(QLatin1String(kClaimTable), p, quoted(tagId), QLatin1String(kNoClaim));
    const QString tag = dollarTag(body);
    QSqlQuery q(gDbConn.database());
    if (q.exec(QStringLiteral("do %1%2%1").arg(tag, body)))
        return Settled::Now;
    const QString error = sqlErrorText(q.lastError());
    if (!error.contains(QLatin1String(kNoClaim)))
        throw RuntimeError(error);
    return storedTag(purcSno) == tagId ? Settled::Already : Settled::Other;
}

Settled recordInTransaction(const QString& purcSno, const QString& tagId) {
    WriteScope write;
    std::optional<TagClaim> c;
    {
        QSqlQuery q =
            exec(QStringLiteral("select %1 from %2 where purc_sno = %3 and tag_id = %4%5")
                     .arg(QLatin1String(kClaimColumns), QLatin1String(kClaimTable), quoted(purcSno),
                          quoted(tagId), gDbConn.isEmbedded() ? QString() : QStringLiteral(" for update")));
        if (q.next())
            c = claimOf(q);
    }
    if (!c)
        return storedTag(purcSno) == tagId ? Settled::Already : Settled::Other;
    if (!c->oldTagId.isEmpty())
        gDbConn.callProcedure(
            QLatin1String(kProcTagRemove),
            {{QStringLiteral("PDAID"), c->pdaid},
             {QStringLiteral("TAGIDFULL"), c->tagIdFull.chopped(c->tagId.size()) + c->oldTagId},
             {QStringLiteral("IP_ADDR"), c->ipAddr},
             {QStringLiteral("TWHY"), QStringLiteral("REPRINT")},
             {QStringLiteral("TUSER"), c->user}});
    gDbConn.callProcedure(QLatin1String(kProcTagPrint), {{QStringLiteral("PDAID"), c->pdaid},
                                                         {QStringLiteral("TAGIDFULL"), c->tagIdFull},
                                                         {QStringLiteral("IP_ADDR"), c->ipAddr},
                                                         {QStringLiteral("PURC_SNO"), c->purcSno},
                                                         {QStringLiteral("TFORM"), c->form},
                                                         {QStringLiteral("TUSER"), c->user}});
    exec(QStringLiteral("delete from %1 where purc_sno = %2")
             .arg(QLatin1String(kClaimTable), quoted(purcSno)));
    write.commit();
    return Settled::Now;
}

} // namespace

ClaimResult claimPurchase(const ClaimRequest& request) {
    return onPostgres() ? claimOnPostgres(request) : claimInTransaction(request);
}

Settled recordClaimed(const QString& purcSno, const QString& tagId) {
    return onPostgres() ? recordOnPostgres(purcSno, tagId) : recordInTransaction(purcSno, tagId);
}

Settled voidClaimed(const QString& purcSno, const QString& tagId) {
    QSqlQuery q = exec(QStringLiteral("delete from %1 where purc_sno = %2 and tag_id = %3")
                           .arg(QLatin1String(kClaimTable), quoted(purcSno), quoted(tagId)));
    if (q.numRowsAffected() > 0)
        return Settled::Now;
    return storedTag(purcSno) == tagId ? Settled::Other : Settled::Already;
}

std::optional<TagClaim> claimOfTag(const QString& tagId) {
    const QList<TagClaim> list = claimsWhere(QStringLiteral(" where tag_id = %1").arg(quoted(tagId)));
    return list.isEmpty() ? std::nullopt : std::optional<TagClaim>(list.first());
}

QList<TagClaim> openClaims() {
    return claimsWhere(QString());
}

void requireClaimTable() {
    if (!gDbConn.isOpen())
        throw RuntimeError(QStringLiteral("The database connection is closed."));
    QSqlQuery q(gDbConn.database());
    if (q.exec(QStringLiteral("select count(*) from %1 where 1 = 0").arg(QLatin1String(kClaimTable))))
        return;
    const QString file = gDbConn.isEmbedded() ? QStringLiteral("vantrelctl init-db")
                         : gDbConn.dialect() == SqlDialect::PostgreSQL
                             ? QStringLiteral("schema/postgresql.sql")
                             : QStringLiteral("schema/oracle.sql");
    throw RuntimeError(QStringLiteral("데이터베이스에 태그 점유 테이블(%1)이 없어 태그를 발행할 수 없습니다. "
                                      "관리자에게 %2의 %1 테이블을 만들도록 요청하여 주십시오.")
                           .arg(QLatin1String(kClaimTable), file));
}

} // namespace database
