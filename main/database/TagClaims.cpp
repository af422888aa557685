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

QString stampText(const QVariant& v) {
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return v.toString().left(19).replace(QLatin1Char('T'), QLatin1Char(' '));
}

// A row's value as the claim keeps it: text, trimmed; null as empty.
QString cell(const QVariantList& row, int column) {
    const QVariant& v = row.value(column);
    return v.isNull() ? QString() : v.toString().trimmed();
}

TagClaim claimOf(const QVariantList& q) {
    TagClaim c;
    c.purcSno = cell(q, 0);
    c.tagId = cell(q, 1);
    c.tagIdFull = cell(q, 2);
    c.seqNo = cell(q, 3);
    c.runKind = static_cast<qint16>(cell(q, 4).toInt());
    c.oldTagId = cell(q, 5);
    c.wsId = cell(q, 6);
    c.wsName = cell(q, 7);
    c.pdaid = cell(q, 8);
    c.ipAddr = cell(q, 9);
    c.form = cell(q, 10);
    c.user = cell(q, 11);
    c.claimedAt = stampText(q.value(12));
    return c;
}

QList<TagClaim> claimsWhere(const QString& condition, const QVariantList& values = {}) {
    const DbConnection::Rows rows =
        gDbConn.runPrepared(QStringLiteral("select %1 from %2%3 order by claimed_at, purc_sno")
                                .arg(QLatin1String(kClaimColumns), QLatin1String(kClaimTable), condition),
                            values);
    QList<TagClaim> list;
    for (const QVariantList& row : rows.rows)
        list << claimOf(row);
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
    const DbConnection::Rows rows = gDbConn.runPrepared(
        QStringLiteral("select tag_id from slfanrfidmaster where purc_sno = ?"), {purcSno});
    return rows.rows.isEmpty() ? QString() : cell(rows.rows.first(), 0);
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

QVariant orNull(const QString& value) {
    return value.isEmpty() ? QVariant() : QVariant(value);
}

// One statement on PostgreSQL, prepared once per connection: the purchase's
// row is locked while the serial number is drawn (only when the purchase can
// be claimed) and the claim is inserted; the statement commits on its own.
// Its marks take the purchase (1, 2), the run kind (3), organisation code
// and suffix (4, 5), the purchase (6, 7), the prefix (8), the run kind (9),
// then the workstation id and name, printer, address, form and user.
const char* const kClaimOnPostgres =
    "with m as (select tag_id from slfanrfidmaster where purc_sno = cast(? as varchar) for update),"
    " h as (select ws_name from slfanrfidclaim where purc_sno = cast(? as varchar)),"
    " s as (select cast(nextval('seq_slfrfid_serialno') as text) as n where not exists (select 1 from h)"
    " and (cast(? as integer) <> 1 or (select tag_id from m) is null)),"
    " t as (select n, cast(? as varchar) || case when length(n) >= 12 then n else lpad(n, 12, '0') end"
    " || cast(? as varchar) as tag_id from s),"
    " x as (select o.purc_sno from slfanrfidmaster o, t where o.tag_id = t.tag_id"
    " and o.purc_sno <> cast(? as varchar)"
    " union all select c.purc_sno from slfanrfidclaim c, t where c.tag_id = t.tag_id),"
    " c as (insert into slfanrfidclaim (purc_sno, tag_id, tagidfull, seq_no, run_kind, old_tag_id, ws_id,"
    " ws_name, pdaid, ip_addr, tform, tuser, claimed_at)"
    " select cast(? as varchar), t.tag_id, cast(? as varchar) || t.tag_id, t.n, cast(? as integer),"
    " (select tag_id from m), cast(? as varchar), cast(? as varchar), cast(? as varchar), cast(? as varchar),"
    " cast(? as varchar), cast(? as varchar), localtimestamp"
    " from t where not exists (select 1 from x)"
    " on conflict do nothing returning tag_id, seq_no, old_tag_id, claimed_at)"
    " select (select tag_id from c), (select n from t), (select tag_id from t), (select tag_id from m),"
    " (select ws_name from h), (select purc_sno from x limit 1), (select claimed_at from c)";

ClaimResult claimOnPostgres(const ClaimRequest& r) {
    const DbConnection::Rows rows =
        gDbConn.runPrepared(QString::fromLatin1(kClaimOnPostgres),
                            {r.purcSno, r.purcSno, r.runKind, r.organCode, r.expandCode, r.purcSno, r.purcSno,
                             r.prefix, r.runKind, r.wsId, r.wsName, r.pdaid, r.ipAddr, r.form, r.user});
    if (rows.rows.isEmpty())
        throw RuntimeError(QStringLiteral("The tag claim gave no result."));
    const QVariantList& q = rows.rows.first();
    ClaimResult result;
    result.storedTagId = cell(q, 3);
    const QString claimed = cell(q, 0);
    if (!claimed.isEmpty()) {
        result.kind = ClaimResult::Claimed;
        result.claim = {
            r.purcSno, claimed, r.prefix + claimed, cell(q, 1), r.runKind, result.storedTagId,   r.wsId,
            r.wsName,  r.pdaid, r.ipAddr,           r.form,     r.user,    stampText(q.value(6))};
    } else if (!cell(q, 5).isEmpty()) {
        result.kind = ClaimResult::TagTaken;
        result.holder = cell(q, 5);
        result.claim.tagId = cell(q, 2);
    } else if (r.runKind == 1 && !result.storedTagId.isEmpty()) {
        result.kind = ClaimResult::Issued;
    } else {
        // Held, or claimed by another workstation while this statement ran.
        result.kind = ClaimResult::Held;
        result.holder = cell(q, 4);
    }
    return result;
}

// The serial number statement of the connection's dialect.
QString serialStatement() {
    static QString statements[3];
    QString& s = statements[static_cast<int>(gDbConn.dialect()) % 3];
    if (s.isEmpty())
        s = dialectStatement(
            gDbConn.dialect(),
            QStringLiteral("select %1.nextval from dual").arg(QLatin1String(kSerialSequence)));
    return s;
}

// A short write transaction elsewhere: the embedded database's write lock
// (or an Oracle row lock) is held only while the claim is made.
ClaimResult claimInTransaction(const ClaimRequest& r) {
    const bool embedded = gDbConn.isEmbedded();
    WriteScope write;
    ClaimResult result;
    {
        const DbConnection::Rows m = gDbConn.runPrepared(
            embedded ? QStringLiteral("select tag_id from slfanrfidmaster where purc_sno = ?")
                     : QStringLiteral("select tag_id from slfanrfidmaster where purc_sno = ?"
                                      " for update"),
            {r.purcSno});
        result.storedTagId = m.rows.isEmpty() ? QString() : cell(m.rows.first(), 0);
    }
    {
        const DbConnection::Rows h = gDbConn.runPrepared(
            QStringLiteral("select ws_name from slfanrfidclaim where purc_sno = ?"), {r.purcSno});
        if (!h.rows.isEmpty()) {
            result.kind = ClaimResult::Held;
            result.holder = cell(h.rows.first(), 0);
            return result;
        }
    }
    if (r.runKind == 1 && !result.storedTagId.isEmpty()) {
        result.kind = ClaimResult::Issued;
        return result;
    }
    QString seqNo;
    {
        const DbConnection::Rows s = gDbConn.runPrepared(serialStatement());
        seqNo = s.rows.isEmpty() ? QString() : cell(s.rows.first(), 0);
    }
    if (seqNo.isEmpty()) {
        result.kind = ClaimResult::NoSerial;
        return result;
    }
    const QString tagId = r.organCode + twelveDigits(seqNo) + r.expandCode;
    {
        const DbConnection::Rows x = gDbConn.runPrepared(
            QStringLiteral("select purc_sno from slfanrfidmaster where tag_id = ? and purc_sno <> ?"
                           " union all select purc_sno from slfanrfidclaim where tag_id = ?"),
            {tagId, r.purcSno, tagId});
        if (!x.rows.isEmpty()) {
            result.kind = ClaimResult::TagTaken;
            result.holder = cell(x.rows.first(), 0);
            result.claim.tagId = tagId;
            // The number stays drawn, as a server's sequence keeps it.
            write.commit();
            return result;
        }
    }
    gDbConn.runPrepared(
        QStringLiteral("insert into slfanrfidclaim (purc_sno, tag_id, tagidfull, seq_no, run_kind,"
                       " old_tag_id, ws_id, ws_name, pdaid, ip_addr, tform, tuser, claimed_at)"
                       " values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, %1)")
            .arg(nowValue()),
        {r.purcSno, tagId, r.prefix + tagId, seqNo, r.runKind, orNull(result.storedTagId), r.wsId, r.wsName,
         r.pdaid, r.ipAddr, r.form, r.user});
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

// The record of a claimed tag on PostgreSQL, one statement: the procedure
// the schema creates (its statements planned once per connection), or, on a
// database made before it, the same steps as a block the server compiles
// each time.
const char* const kRecordProcedure = "sp_slarfidb_claim_record";

bool hasRecordProcedure() {
    static quint64 knownFor = 0; // the connection's opening the answer belongs to
    static bool known = false;
    const quint64 opening = gDbConn.openings();
    if (knownFor != opening) {
        const DbConnection::Rows rows = gDbConn.runPrepared(
            QStringLiteral("select count(*) from pg_proc where proname = ? and pg_function_is_visible(oid)"),
            {QString::fromLatin1(kRecordProcedure)});
        known = !rows.rows.isEmpty() && cell(rows.rows.first(), 0).toInt() > 0;
        knownFor = opening;
    }
    return known;
}

// A dollar-quote tag that occurs in none of the values of a block.
QString dollarTag(const QString& body) {
    QString tag = QStringLiteral("$claim$");
    for (int i = 0; body.contains(tag); ++i)
        tag = QStringLiteral("$claim%1$").arg(i);
    return tag;
}

QString recordBlock(const QString& purcSno, const QString& tagId) {
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
    return QStringLiteral("do %1%2%1").arg(tag, body);
}

Settled recordOnPostgres(const QString& purcSno, const QString& tagId) {
    QSqlQuery q(gDbConn.database());
    // Neither driver prepares a procedure call: the values go in as literals.
    const QString sql = hasRecordProcedure() ? literalProcedureCall(QLatin1String(kRecordProcedure),
                                                                    {{QStringLiteral("P_PURC_SNO"), purcSno},
                                                                     {QStringLiteral("P_TAG_ID"), tagId}})
                                             : recordBlock(purcSno, tagId);
    if (q.exec(sql))
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
        const QString sql = QStringLiteral("select %1 from %2 where purc_sno = ? and tag_id = ?%3")
                                .arg(QLatin1String(kClaimColumns), QLatin1String(kClaimTable),
                                     gDbConn.isEmbedded() ? QString() : QStringLiteral(" for update"));
        const DbConnection::Rows rows = gDbConn.runPrepared(sql, {purcSno, tagId});
        if (!rows.rows.isEmpty())
            c = claimOf(rows.rows.first());
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
    gDbConn.runPrepared(QStringLiteral("delete from slfanrfidclaim where purc_sno = ?"), {purcSno});
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
    const DbConnection::Rows rows = gDbConn.runPrepared(
        QStringLiteral("delete from %1 where purc_sno = ? and tag_id = ?").arg(QLatin1String(kClaimTable)),
        {purcSno, tagId});
    if (rows.changed > 0)
        return Settled::Now;
    return storedTag(purcSno) == tagId ? Settled::Other : Settled::Already;
}

std::optional<TagClaim> claimOfTag(const QString& tagId) {
    const QList<TagClaim> list = claimsWhere(QStringLiteral(" where tag_id = ?"), {tagId});
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
