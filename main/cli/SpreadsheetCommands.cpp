// Spreadsheet commands: import runs the search button's spreadsheet import
// and prints the grid it fills; export runs an item search and saves its
// grid as the export button does.
#include "main/cli/Command.h"
#include "main/cli/SearchOptions.h"
#include "main/database/DbConn.h"
#include "main/database/SpreadsheetExport.h"
#include "main/database/SpreadsheetImport.h"

#include <QDir>
#include <QFileInfo>

namespace {

int importCommand(const QStringList& args) {
    const QString cmd = QStringLiteral("import");
    const cli::Options o(args, {});
    if (!o.ok())
        return cli::usageError(cmd, o.error());
    if (o.positional().size() != 1)
        return cli::usageError(cmd, QStringLiteral("give one .xls or .csv file"));
    cli::installPrintingOperator();
    if (!cli::openSettingsDatabase(cmd))
        return cli::kFailed;
    database::ItemGrid grid;
    database::SearchUi ui;
    const int found = database::cmdLoadExcel(grid, QFileInfo(o.positional().first()).absoluteFilePath(), ui);
    cli::printGrid(grid);
    database::gDbConn.close();
    return found < 0 ? cli::kFailed : cli::kOk;
}

int exportCommand(const QStringList& args) {
    const QString cmd = QStringLiteral("export");
    const cli::Options o(args, cli::searchValueOptions());
    if (!o.ok())
        return cli::usageError(cmd, o.error());
    if (o.positional().size() != 1)
        return cli::usageError(cmd, QStringLiteral("give one .xls file or a folder"));
    database::SearchConditions c;
    QString problem;
    if (!cli::readSearchOptions(o, c, problem))
        return cli::usageError(cmd, problem);

    // A folder gets the file name the export dialog proposes.
    QString path = QFileInfo(o.positional().first()).absoluteFilePath();
    if (QFileInfo(path).isDir())
        path = QDir(path).filePath(database::proposedExportName());

    cli::installPrintingOperator();
    if (!cli::openSettingsDatabase(cmd))
        return cli::kFailed;
    database::ItemGrid grid;
    cli::runSearch(o, c, grid);
    const bool written = database::cmdSaveExcel_Click(grid, path);
    database::gDbConn.close();
    if (!written)
        return cli::kFailed;
    cli::out(QStringLiteral("%1\t%2 rows").arg(QDir::toNativeSeparators(path)).arg(grid.rows()));
    return cli::kOk;
}

const cli::CommandRegistration importRegistration({
    QStringLiteral("import"),
    QStringLiteral("FILE"),
    QStringLiteral("look up the purchase serial numbers of an .xls (column D) or .csv file (column B, "
                   "between apostrophes, first line skipped) and print the grid they fill"),
    importCommand,
});

const cli::CommandRegistration exportRegistration({
    QStringLiteral("export"),
    QStringLiteral("FILE|FOLDER ") + cli::searchOptionsUsage(),
    QStringLiteral("run the item search and save the grid with its headers as an .xls file "
                   "(a folder gets YYYYMMDD태그발행결과.xls)"),
    exportCommand,
});

} // namespace
