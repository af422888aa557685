#include "main/spreadsheet/Workbook.h"

#include "main/spreadsheet/CsvReader.h"
#include "main/spreadsheet/XlsReader.h"
#include "platform/RuntimeError.h"

namespace spreadsheet {

using platform::RuntimeError;

SheetKind sheetKind(const QString& fileName) {
    const QString last = fileName.right(3).toLower();
    if (last == QLatin1String("xls"))
        return SheetXls;
    if (last == QLatin1String("csv"))
        return SheetCsv;
    return SheetOther;
}

std::unique_ptr<Workbook> openWorkbook(const QString& path, SheetKind kind) {
    if (kind == SheetXls)
        return openXlsWorkbook(path);
    if (kind == SheetCsv)
        return openCsvWorkbook(path);
    throw RuntimeError(QStringLiteral("%1: only .xls and .csv files can be read").arg(path));
}

} // namespace spreadsheet
