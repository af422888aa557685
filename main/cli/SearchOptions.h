#pragma once
// What several vantrelctl commands share around the item search: the search
// options (the main window's search boxes as command-line options), opening
// the database of the program directory's settings, and printing the grid.
#include "main/cli/Command.h"
#include "main/database/ItemGrid.h"
#include "main/database/ItemSearch.h"

namespace cli {

// Value options of the search; their usage text.
QStringList searchValueOptions();
QString searchOptionsUsage();

// Fills the conditions from parsed options, the department excepted (see
// below); false with `problem` set for a bad value.
bool readSearchOptions(const Options& o, database::SearchConditions& c, QString& problem);
// The department option as `CboDept` holds it: "name(code)". A bare code is
// named from the open database.
QString deptOptionText(const Options& o);

// The search button's work on the open database: the department of the
// options into the conditions, then the search into the grid.
database::SearchUi runSearch(const Options& o, database::SearchConditions& c, database::ItemGrid& grid);

// Opens `gDbConn` with the account of the program directory's settings;
// prints why and returns false when it cannot.
bool openSettingsDatabase(const QString& command);

// The grid as tab-separated UTF-8 lines on stdout: the headers, then the rows.
void printGrid(const database::ItemGrid& grid);

} // namespace cli
