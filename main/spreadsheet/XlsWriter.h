#pragma once
// The .xls writer of the grid export: one workbook with one worksheet (BIFF8
// records inside a compound document). Text cells are kept in the workbook's
// shared string table as Unicode, so Hangul survives whatever code page the
// reading workstation uses; amount and date columns hold numbers and dates a
// spreadsheet sums and sorts.
#include <QString>
#include <functional>
#include <vector>

namespace spreadsheet {

// The legacy workbook addresses rows with 16 bits: 65,536 rows per sheet.
inline constexpr int kXlsMaxRows = 65536;
// and columns with 8 bits: 256 columns.
inline constexpr int kXlsMaxColumns = 256;

// Cell text by 0-based row and column; an empty text leaves the cell empty.
using XlsCellText = std::function<QString(int row, int col)>;

// How the cells of a column are stored. Amount: "1,234,000" becomes the
// number 1234000 shown as "#,##0"; Date: "2024-03-05" becomes that date shown
// as "yyyy-mm-dd". A cell that reads as neither (a column title) stays text.
enum class XlsColumn { Text, Amount, Date };
// By 0-based column; columns beyond its end are text.
using XlsColumns = std::vector<XlsColumn>;

// Writes rows x cols cells to `path` as an .xls file, replacing it. The file
// appears only when it was written completely. Returns false with `error`
// set when nothing was written (too many rows or columns, disk errors).
bool writeXls(const QString& path, int rows, int cols, const XlsCellText& cell, QString* error = nullptr,
              const XlsColumns& columns = {});

// The workbook bytes of the same sheet, without touching the disk.
// Throws platform::RuntimeError when the sheet exceeds the format's limits.
QByteArray xlsBytes(int rows, int cols, const XlsCellText& cell, const XlsColumns& columns = {});

} // namespace spreadsheet
