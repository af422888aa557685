#pragma once
// The .xls reader: the first worksheet of a legacy (BIFF) workbook, read by
// the helper program vantrel-xlsread in a child process under limits, so that
// a damaged workbook can neither crash nor hang the program.
#include "main/spreadsheet/Workbook.h"

namespace spreadsheet {

// The helper and the limits it runs under.
struct XlsReaderLimits {
    QString program;                // empty: vantrel-xlsread beside this executable
    int wallMs = 60'000;            // the whole read
    int cpuSeconds = 30;            // processor time
    qint64 memoryBytes = 1LL << 30; // address space
};
XlsReaderLimits xlsReaderLimits();
void setXlsReaderLimits(const XlsReaderLimits& limits);

// Opens the workbook; throws platform::RuntimeError naming the file and what
// is wrong when it cannot be read, is damaged or its first worksheet is empty.
std::unique_ptr<Workbook> openXlsWorkbook(const QString& path);

} // namespace spreadsheet
