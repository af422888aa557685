#include "main/audit/AuditExport.h"

#include "main/database/ItemSearch.h"
#include "main/spreadsheet/XlsWriter.h"

#include <memory>

namespace audit {

QStringList auditColumns() {
    return {QStringLiteral("구분"),         QStringLiteral("TAG ID"),   QStringLiteral("EPC"),
            QStringLiteral("구입일련번호"), QStringLiteral("취득부서"), QStringLiteral("물품분류번호"),
            QStringLiteral("물품명"),       QStringLiteral("구입일자"), QStringLiteral("구입금액"),
            QStringLiteral("읽은 횟수"),    QStringLiteral("비고"),     QStringLiteral("읽기 정보")};
}

QStringList auditCells(const AuditRow& row, const QHash<QString, QString>& itemNames) {
    return {categoryLabel(row.category),
            row.tagId,
            row.epc,
            row.purcSno,
            row.deptCode,
            row.catNo,
            itemNames.value(row.catNo),
            database::formatDate(row.purcYmd),
            row.amount,
            row.reads > 0 ? QString::number(row.reads) : QString(),
            noteLabel(row.note),
            row.readInfo};
}

bool exportAudit(const QString& path, const AuditResult& result, const QHash<QString, QString>& itemNames,
                 QString* error) {
    QList<spreadsheet::XlsSheet> sheets;
    sheets.append({QStringLiteral("요약"), kCategoryCount + 2, 2,
                   [&](int r, int c) -> QString {
                       if (r == 0)
                           return c == 0 ? QStringLiteral("구분") : QStringLiteral("건수");
                       if (r == kCategoryCount + 1)
                           return c == 0 ? QStringLiteral("읽은 횟수") : QString::number(result.reads);
                       const auto cat = static_cast<Category>(r - 1);
                       return c == 0 ? categoryLabel(cat) : QString::number(result.count(cat));
                   },
                   spreadsheet::numberColumns({1})});
    const QStringList headers = auditColumns();
    constexpr int kRowsPerSheet = spreadsheet::kXlsMaxRows - 1;
    for (int c = 0; c < kCategoryCount; ++c) {
        const std::vector<AuditRow>& rows = result.rows[static_cast<size_t>(c)];
        const int n = static_cast<int>(rows.size());
        for (int part = 0; part == 0 || part * kRowsPerSheet < n; ++part) {
            const size_t from = static_cast<size_t>(part) * kRowsPerSheet;
            const int sheetRows = qMin(kRowsPerSheet, n - part * kRowsPerSheet);
            QString name = categoryLabel(static_cast<Category>(c));
            if (part > 0)
                name += QStringLiteral(" (%1)").arg(part + 1);
            // A row's cells are asked for one after another: made once per row.
            auto cached = std::make_shared<std::pair<int, QStringList>>(-1, QStringList());
            sheets.append(
                {name, sheetRows + 1, static_cast<int>(headers.size()),
                 [&rows, &itemNames, &headers, from, cached](int r, int col) -> QString {
                     if (r == 0)
                         return headers[col];
                     if (cached->first != r) {
                         *cached = {r, auditCells(rows[from + static_cast<size_t>(r - 1)], itemNames)};
                     }
                     return cached->second[col];
                 },
                 spreadsheet::numberColumns({kAuditAmountColumn, kAuditReadsColumn})});
        }
    }
    return spreadsheet::writeXls(path, sheets, error);
}

} // namespace audit
