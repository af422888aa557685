#include "main/audit/AuditScope.h"

#include "main/database/DbConn.h"

#include <QStringList>

namespace audit {

using database::sqlText;

namespace {

struct Field {
    const char* key;
    QString AuditScope::*member;
    const char16_t* label;
};

const Field kFields[] = {
    {"dept", &AuditScope::deptCode, u"부서"},
    {"from", &AuditScope::fromYmd, u"구입일자부터"},
    {"to", &AuditScope::toYmd, u"구입일자까지"},
    {"cat-no", &AuditScope::catNo, u"물품분류번호"},
    {"purc-sno", &AuditScope::purcSno, u"구입일련번호"},
    {"name", &AuditScope::catNm, u"물품명"},
    {"amount-from", &AuditScope::amountFrom, u"구입금액부터"},
    {"amount-to", &AuditScope::amountTo, u"구입금액까지"},
};

} // namespace

AuditScope AuditScope::fromConditions(const database::SearchConditions& c, const QDate& today) {
    AuditScope s;
    const QString dept = database::deptCodeOf(c.CboDept);
    if (dept != QLatin1String("00"))
        s.deptCode = dept;
    if (c.TDBDate2From.isValid() && c.TDBDate2From > QDate(1900, 1, 1))
        s.fromYmd = c.TDBDate2From.toString(QStringLiteral("yyyyMMdd"));
    if (c.TDBDate2To.isValid() && c.TDBDate2To < today)
        s.toYmd = c.TDBDate2To.toString(QStringLiteral("yyyyMMdd"));
    s.catNo = c.txtCatNo.trimmed();
    s.purcSno = c.txtPurcSNo.trimmed();
    s.catNm = c.txtCatNm.trimmed();
    s.amountFrom = database::formatWhole(c.TDBNumFrom);
    s.amountTo = database::formatWhole(c.TDBNumTo);
    return s;
}

QString AuditScope::whereClause() const {
    QStringList w;
    auto quoted = [](const QString& v) { return QLatin1Char('\'') + sqlText(v) + QLatin1Char('\''); };
    if (!deptCode.isEmpty())
        w << QStringLiteral("A.dept_code = ") + quoted(deptCode);
    if (!fromYmd.isEmpty())
        w << QStringLiteral("A.purc_ymd >= ") + quoted(fromYmd);
    if (!toYmd.isEmpty())
        w << QStringLiteral("A.purc_ymd <= ") + quoted(toYmd);
    if (!catNo.isEmpty())
        w << QStringLiteral("A.atcl_cat_no = ") + quoted(catNo);
    if (!purcSno.isEmpty())
        w << QStringLiteral("A.purc_sno = ") + quoted(purcSno);
    if (!catNm.isEmpty())
        w << QStringLiteral(
                 "A.atcl_cat_no in (select atcl_cat_no from slfanrfiditem where atcl_cat_nm like '%") +
                 sqlText(catNm) + QStringLiteral("%')");
    // As the search does: both amounts a range, one alone that amount.
    if (!amountFrom.isEmpty() && !amountTo.isEmpty())
        w << QStringLiteral("A.chg_amt >= ") + quoted(amountFrom) + QStringLiteral(" and A.chg_amt <= ") +
                 quoted(amountTo);
    else if (!amountFrom.isEmpty() || !amountTo.isEmpty())
        w << QStringLiteral("A.chg_amt = ") + quoted(amountFrom + amountTo);
    return w.isEmpty() ? QStringLiteral("1 = 1") : w.join(QStringLiteral(" and "));
}

QString AuditScope::text() const {
    QStringList parts;
    for (const Field& f : kFields)
        if (!(this->*f.member).isEmpty())
            parts << QLatin1String(f.key) + QLatin1Char('=') + (this->*f.member);
    return parts.join(QLatin1Char(';'));
}

AuditScope AuditScope::fromText(const QString& text) {
    AuditScope s;
    for (const QString& part : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString key = part.section(QLatin1Char('='), 0, 0);
        for (const Field& f : kFields)
            if (key == QLatin1String(f.key))
                s.*f.member = part.section(QLatin1Char('='), 1);
    }
    return s;
}

QString AuditScope::description() const {
    QStringList parts;
    for (const Field& f : kFields)
        if (!(this->*f.member).isEmpty())
            parts << QString::fromUtf16(f.label) + QLatin1Char(' ') + (this->*f.member);
    return parts.isEmpty() ? QStringLiteral("전체") : parts.join(QStringLiteral(", "));
}

} // namespace audit
