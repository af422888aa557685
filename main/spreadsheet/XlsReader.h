#pragma once
// The .xls reader: the first worksheet of a legacy (BIFF) workbook, read
// through freexl.
#include "main/spreadsheet/Workbook.h"

namespace spreadsheet {

// Opens the workbook; throws platform::RuntimeError naming the file when it
// cannot be read or has no readable worksheet.
std::unique_ptr<Workbook> openXlsWorkbook(const QString& path);

} // namespace spreadsheet
