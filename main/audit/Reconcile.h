#pragma once
// Reconciles a scan's reads against the register: which assets of the scope
// were found or are missing, which reads belong elsewhere, are stale labels,
// unknown or not this organisation's, and which assets of the scope have no
// tag at all. Set-based queries and one pass over the scope, so that a scan
// of 100,000 reads against a million purchases stays within seconds.
#include "main/audit/AuditScope.h"
#include "main/audit/ScanFile.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

namespace database {
class DbConnection;
}

namespace audit {

enum class Category { Found, Missing, Elsewhere, Withdrawn, Unknown, Foreign, Untagged };
inline constexpr int kCategoryCount = 7;

// "found", "missing" ... as the command line and the stored audits spell them.
QString categoryName(Category c);
// The operator's name of the category ("확인", "미발견" ...).
QString categoryLabel(Category c);
bool categoryFromName(const QString& name, Category& c);

// A row's note for the operator: "다른 기관 코드 SE123400", "재발행으로 교체됨 ...".
QString noteLabel(const QString& note);

struct AuditRow {
    Category category = Category::Unknown;
    QString tagId; // readable tag id
    QString epc;   // the read, normalised; empty for an asset that was not read
    QString purcSno;
    QString deptCode;
    QString catNo;
    QString purcYmd;
    QString amount;
    int reads = 0;    // how often the tag was read
    QString note;     // foreign reason, or "withdrawn" / "replaced by TAGID"
    QString readInfo; // the first read's other columns, "name=value; ..."
};

struct AuditResult {
    int reads = 0;
    // The rows of each category: assets by purchase, reads by tag id.
    std::array<std::vector<AuditRow>, kCategoryCount> rows;
    std::vector<AuditRow>& of(Category c) { return rows[static_cast<size_t>(c)]; }
    const std::vector<AuditRow>& of(Category c) const { return rows[static_cast<size_t>(c)]; }
    int count(Category c) const { return static_cast<int>(of(c).size()); }
    std::array<int, kCategoryCount> counts() const;
    // Missing, elsewhere, withdrawn or unknown: something to act on.
    bool clean() const;
    // "audit: N reads, N found, ..."
    QString summary() const;
};

// The organisation's code as the database holds it (first SLF001 row).
QString organisationCode(database::DbConnection& conn);
// Item names by category number (the small catalogue, read whole).
QHash<QString, QString> itemNames(database::DbConnection& conn);

// Reconciles; `progress` gets 0..100. Throws platform::RuntimeError.
AuditResult reconcile(database::DbConnection& conn, const ScanFile& scan, const AuditScope& scope,
                      const std::function<void(int)>& progress = {});

// The select list and table of a purchase row as the reconciliation reads it.
inline constexpr QStringView kPurchaseColumns =
    u"select A.purc_sno, A.dept_code, A.tag_id, A.atcl_cat_no, A.purc_ymd, A.chg_amt from slfanrfidmaster A";

} // namespace audit
