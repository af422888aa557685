#pragma once
// A training scan: what a handheld reader's export looks like after a walk
// through a scope, made from the database. A share of the scope's live tags,
// some tags of other departments, labels withdrawn from the history, a few
// tags nobody issued, other organisations' and other systems' tags, each read
// once or several times, in walking order.
#include "main/audit/AuditScope.h"

#include <QString>

namespace database {
class DbConnection;
}

namespace audit {

enum class ScanFormat { Csv, Text, Epcis, Xls };

struct ScanSimOptions {
    AuditScope scope;
    double share = 0.9; // of the scope's live tags
    int elsewhere = 5;
    int withdrawn = 3;
    int unknown = 1;
    int foreign = 3;
    int maxRepeats = 3; // each tag read 1..maxRepeats times
    int reads = 0;      // when above the distinct tags: repeats added up to this many reads
    quint32 seed = 1;
    ScanFormat format = ScanFormat::Csv;
};

struct ScanSimSummary {
    int reads = 0, inScope = 0, elsewhere = 0, withdrawn = 0, unknown = 0, foreign = 0;
};

// Writes the scan file; throws platform::RuntimeError.
ScanSimSummary writeSimulatedScan(database::DbConnection& conn, const ScanSimOptions& options,
                                  const QString& path);

} // namespace audit
