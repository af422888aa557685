#pragma once
// The .xls writer: a workbook of one or more worksheets (BIFF8 records inside
// a compound document). Text cells are kept in the workbook's shared string
// table as Unicode, so Hangul survives whatever code page the reading
// workstation uses; number, amount and date columns hold numbers and dates a
// spreadsheet sums and sorts.
#include <QList>
#include <QString>
#include <functional>
#include <initializer_list>
#include <vector>

namespace spreadsheet {

// The legacy workbook addresses rows with 16 bits: 65,536 rows per sheet.
inline constexpr int kXlsMaxRows = 65536;
// and columns with 8 bits: 256 columns.
inline constexpr int kXlsMaxColumns = 256;

// Cell text by 0-based row and column; an empty text leaves the cell empty.
using XlsCellText = std::function<QString(int row, int col)>;

// How the cells of a column are stored. Number: a plain decimal number
// becomes that number; Amount: "1,234,000" becomes the number 1234000 shown
// as "#,##0"; Date: "2024-03-05" becomes that date shown as "yyyy-mm-dd". A
// cell that reads as none of these (a column title) stays text.
enum class XlsColumn { Text, Number, Amount, Date };
// By 0-based column; columns beyond its end are text.
using XlsColumns = std::vector<XlsColumn>;

// Number columns at the given 0-based positions, text elsewhere.
XlsColumns numberColumns(std::initializer_list<int> positions);

// One worksheet: its tab name (at most 31 characters), size, cells and how
// its columns are stored.
struct XlsSheet {
    QString name;
    int rows = 0;
    int cols = 0;
    XlsCellText cell;
    XlsColumns columns;
};

// Writes the worksheets, in order, as one .xls file (see writeXls below).
bool writeXls(const QString& path, const QList<XlsSheet>& sheets, QString* error = nullptr);
QByteArray xlsBytes(const QList<XlsSheet>& sheets);

// Writes rows x cols cells to `path` as an .xls file, replacing it. The file
// appears only when it was written completely. Returns false with `error`
// set when nothing was written (too many rows or columns, disk errors).
bool writeXls(const QString& path, int rows, int cols, const XlsCellText& cell, QString* error = nullptr,
              const XlsColumns& columns = {});

// The workbook bytes of the same sheet, without touching the disk.
// Throws platform::RuntimeError when the sheet exceeds the format's limits.
QByteArray xlsBytes(int rows, int cols, const XlsCellText& cell, const XlsColumns& columns = {});

// A BIFF8 workbook stream (records from the globals' BOF to the last
// sheet's EOF) as the bytes of an .xls file: the compound document around it.
QByteArray xlsCompoundFile(const QByteArray& workbookStream);

// The BIFF8 record building the writer uses, for whoever builds a stream.
namespace biff {
void put16(QByteArray& b, quint16 v);
void put32(QByteArray& b, quint32 v);
// A record: its type, the length of `data`, then `data`.
void record(QByteArray& s, quint16 type, const QByteArray& data);
// The body of a BOF record: 0x0005 workbook globals, 0x0010 worksheet.
QByteArray bofData(quint16 kind);
} // namespace biff

} // namespace spreadsheet
