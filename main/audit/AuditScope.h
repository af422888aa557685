#pragma once
// The part of the register an audit counts: the main window's search
// conditions (department, purchase dates, category, purchase serial number,
// item name, amount), whatever their issue state.
#include "main/database/ItemSearch.h"

#include <QString>

namespace audit {

struct AuditScope {
    QString deptCode; // empty: every department
    QString fromYmd;  // YYYYMMDD; empty: open
    QString toYmd;
    QString catNo;
    QString purcSno;
    QString catNm;                // part of the item name
    QString amountFrom, amountTo; // whole won; one alone means exactly that amount

    // The search boxes as the main window holds them; a "to" date of today or
    // later is open, so that audits of one scope on different days compare.
    static AuditScope fromConditions(const database::SearchConditions& c, const QDate& today);

    // The condition on the purchases table (alias A), values quoted safely.
    QString whereClause() const;
    // One line naming every condition set ("dept=3740010;from=20200101"); the
    // key under which audits of the same scope are compared.
    QString text() const;
    static AuditScope fromText(const QString& text);
    // The same for the operator: "부서 3740010, 구입일자 20200101~".
    QString description() const;
};

} // namespace audit
