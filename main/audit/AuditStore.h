#pragma once
// Audits kept in the asset database: when, who, the scope, the scan file's
// name and checksum, the counts and every result row; the list of past
// audits and the comparison of an audit with an earlier one of its scope.
#include "main/audit/Reconcile.h"

#include <QString>
#include <vector>

namespace database {
class DbConnection;
}

namespace audit {

struct AuditHeader {
    int auditNo = 0;
    QString when; // "YYYY-MM-DD HH:MM:SS"
    QString user;
    QString scope; // AuditScope::text()
    QString fileName;
    QString sha256;
    int reads = 0;
    std::array<int, kCategoryCount> counts{};
};

// Stores the audit in one transaction; returns its number. Throws
// platform::RuntimeError (nothing is kept then).
int saveAudit(database::DbConnection& conn, const QString& user, const AuditScope& scope,
              const ScanFile& scan, const AuditResult& result);

// Every stored audit, oldest first.
std::vector<AuditHeader> listAudits(database::DbConnection& conn);

// One stored audit with its rows; false when there is none of that number.
bool loadAudit(database::DbConnection& conn, int auditNo, AuditHeader& header, AuditResult& result);

// The audit of the same scope stored before `auditNo`; 0 when there is none.
int previousAudit(database::DbConnection& conn, int auditNo);

// Assets missing in both audits, and assets missing in the earlier one and
// read (found or elsewhere) in the later one.
struct AuditComparison {
    int earlier = 0, later = 0;
    std::vector<AuditRow> missingTwice;
    std::vector<AuditRow> foundAgain;
};
AuditComparison compareAudits(database::DbConnection& conn, int earlier, int later);

} // namespace audit
