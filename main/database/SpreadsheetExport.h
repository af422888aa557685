#pragma once
// The export of `cmdSaveExcel`: the result grid with its column headers
// written to an .xls file named after the day.
#include "main/database/ItemGrid.h"

#include <QDate>
#include <QString>

namespace database {

// The save-file dialog of the export.
inline constexpr const char16_t* kExportDialogTitle = u"태그발행결과 저장";
inline constexpr const char16_t* kExportDialogFilter = u"엑셀파일 (*.xls)|*.xls";

// Grid rows one .xls sheet can take below the header row.
inline constexpr int kExportMaxRows = 65535;

// "YYYYMMDD태그발행결과.xls" for the day.
QString proposedExportName(const QDate& today = QDate::currentDate());

// A dialog filter "name|pattern|name|pattern" in the form of Qt's file
// dialogs: "name;;name" (each name already shows its pattern).
QString qtDialogFilter(QStringView filter);

// Writes the header row and every grid row, each cell as the grid shows it
// (the tick as 1 or 0). Returns false with `error` set when no file was
// written; the grid is never changed.
bool exportGrid(const ItemGrid& grid, const QString& path, QString* error = nullptr);

// The message for a grid too large for one sheet.
QString tooManyRowsMessage(int rows);

// Whether the export may go on to its file dialog: shows "엑셀파일로 저장할
// 데이타가 없습니다." for an empty grid and the row limit for a grid too
// large, and returns false in both cases.
bool exportAllowed(const ItemGrid& grid);

// `cmdSaveExcel` after its file dialog: `fileName` empty means the operator
// cancelled, which does nothing. Shows "엑셀저장에 성공하였습니다." or
// "엑셀저장에 실패하였습니다." with the reason on a second line; returns true
// when the file was written.
bool cmdSaveExcel_Click(const ItemGrid& vaSpread1, const QString& fileName);

} // namespace database
