#pragma once
// The .xls writer: a workbook of one or more worksheets whose cells are text,
// kept in the workbook's shared string table, or numbers where a column is
// declared numeric (BIFF8 records inside a compound document). Text is stored as Unicode, so Hangul
// survives whatever code page the reading workstation uses.
#include <QList>
#include <QString>
#include <functional>

namespace spreadsheet {

// The legacy workbook addresses rows with 16 bits: 65,536 rows per sheet.
inline constexpr int kXlsMaxRows = 65536;
// and columns with 8 bits: 256 columns.
inline constexpr int kXlsMaxColumns = 256;

// Cell text by 0-based row and column; an empty text leaves the cell empty.
using XlsCellText = std::function<QString(int row, int col)>;

// One worksheet: its tab name (at most 31 characters), size and cells; the
// cells of `numberColumns` that hold a plain decimal number are written as
// numbers, every other cell as text.
struct XlsSheet {
    QString name;
    int rows = 0;
    int cols = 0;
    XlsCellText cell;
    QList<int> numberColumns;
};

// Writes the worksheets, in order, as one .xls file (see writeXls below).
bool writeXls(const QString& path, const QList<XlsSheet>& sheets, QString* error = nullptr);
QByteArray xlsBytes(const QList<XlsSheet>& sheets);

// Writes rows x cols cells to `path` as an .xls file, replacing it. The file
// appears only when it was written completely. Returns false with `error`
// set when nothing was written (too many rows or columns, disk errors).
bool writeXls(const QString& path, int rows, int cols, const XlsCellText& cell, QString* error = nullptr);

// The workbook bytes of the same sheet, without touching the disk.
// Throws platform::RuntimeError when the sheet exceeds the format's limits.
QByteArray xlsBytes(int rows, int cols, const XlsCellText& cell);

} // namespace spreadsheet
