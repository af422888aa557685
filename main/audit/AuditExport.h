#pragma once
// An audit as an .xls workbook: a summary sheet, then one sheet per category
// (a category beyond one sheet's rows goes on in further sheets), amounts and
// read counts as numbers.
#include "main/audit/Reconcile.h"

#include <QHash>
#include <QString>

namespace audit {

// The column headers of a category sheet, and a row's cells under them; the
// amount and the read count are plain numbers.
inline constexpr int kAuditEpcColumn = 2;
inline constexpr int kAuditAmountColumn = 8;
inline constexpr int kAuditReadsColumn = 9;
QStringList auditColumns();
QStringList auditCells(const AuditRow& row, const QHash<QString, QString>& itemNames);

// Writes the workbook; false with `error` set when nothing was written.
bool exportAudit(const QString& path, const AuditResult& result, const QHash<QString, QString>& itemNames,
                 QString* error = nullptr);

} // namespace audit
