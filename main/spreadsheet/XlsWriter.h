#pragma once
// The .xls writer of the grid export: one workbook with one worksheet whose
// cells are all text, kept in the workbook's shared string table (BIFF8
// records inside a compound document). Text is stored as Unicode, so Hangul
// survives whatever code page the reading workstation uses.
#include <QString>
#include <functional>

namespace spreadsheet {

// The legacy workbook addresses rows with 16 bits: 65,536 rows per sheet.
inline constexpr int kXlsMaxRows = 65536;
// and columns with 8 bits: 256 columns.
inline constexpr int kXlsMaxColumns = 256;

// Cell text by 0-based row and column; an empty text leaves the cell empty.
using XlsCellText = std::function<QString(int row, int col)>;

// Writes rows x cols cells to `path` as an .xls file, replacing it. The file
// appears only when it was written completely. Returns false with `error`
// set when nothing was written (too many rows or columns, disk errors).
bool writeXls(const QString& path, int rows, int cols, const XlsCellText& cell, QString* error = nullptr);

// The workbook bytes of the same sheet, without touching the disk.
// Throws platform::RuntimeError when the sheet exceeds the format's limits.
QByteArray xlsBytes(int rows, int cols, const XlsCellText& cell);

} // namespace spreadsheet
