#pragma once
// The spreadsheet import of the search button (search source "엑셀참조"):
// every purchase serial number of an .xls or .csv file is looked up and each
// one found becomes an item record of the result grid.
#include "main/database/ItemGrid.h"
#include "main/database/ItemSearch.h"
#include "main/spreadsheet/Workbook.h"

#include <QString>

namespace database {

class Recordset;

// The file dialog of the import.
inline constexpr const char16_t* kImportDialogTitle = u"엑셀파일 불러오기";
inline constexpr const char16_t* kImportDialogFilter = u"엑셀파일 (*.xls)|*.xls|CSV파일 (*.csv)|*.csv";

// The serial number a cell holds: the trimmed text for kind 1; for the other
// kinds the text between the first and the second apostrophe, trimmed.
// Throws platform::RuntimeError when a CSV cell has no two apostrophes.
QString serialNumberOf(const QString& cellText, spreadsheet::SheetKind kind);

// The lookup statement of one purchase serial number (apostrophes doubled).
QString importQuery(const QString& purcSno);

// Fills grid row `row` from the current record of a search or import result:
// ticked, tag id when there is one, the purchase's columns, the department
// name, "Y"/"N" issue marks.
void fillItemRecord(ItemGrid& grid, int row, const Recordset& rs, const QString& deptName);

// The import. `fileName` is what the open-file dialog returned: empty when
// the operator cancelled, which does nothing and returns 0. Every error ends
// in the failure report ("[GetExcelData]"), with the workbook closed and the
// rows loaded so far kept. A serial number not in the database shows a
// message and the import goes on. Returns the number of rows loaded, -1 after a failure.
int GetExcelData(ItemGrid& vaSpread1, const QString& fileName, SearchUi& ui);

// `cmdLoad` with the search source "엑셀참조": clears LblPrtCnt, txtStart
// and txtEnd, then runs GetExcelData (a cancelled dialog clears nothing).
int cmdLoadExcel(ItemGrid& vaSpread1, const QString& fileName, SearchUi& ui);

} // namespace database
