#pragma once
// A spreadsheet file opened for reading: the first worksheet of an .xls
// workbook or the records of a .csv file, as cell texts.
#include <QString>
#include <memory>

namespace spreadsheet {

// Import file kinds, from the last three characters of the file name
// (upper or lower case): "xls" 1, "csv" 2, anything else 0.
enum SheetKind : int { SheetOther = 0, SheetXls = 1, SheetCsv = 2 };
SheetKind sheetKind(const QString& fileName);

// The first worksheet of an opened import file, read as text.
class Workbook {
public:
    virtual ~Workbook() = default;
    // The last row that holds anything (1-based); 0 for an empty sheet.
    virtual int lastUsedRow() const = 0;
    // A cell's value as text (1-based row and column); empty outside the data.
    virtual QString cellText(int row, int col) const = 0;
};

// Opens an .xls (kind 1) or .csv (kind 2) file; throws
// platform::RuntimeError naming the file when it cannot be read.
std::unique_ptr<Workbook> openWorkbook(const QString& path, SheetKind kind);

} // namespace spreadsheet
