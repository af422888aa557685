// Timing of the spreadsheet import and export on a large item database:
//   bench_spreadsheet DIR
// DIR is a program directory whose "db_setup.ini" names the database (made by
// scripts/bench-spreadsheet with vantrelctl init-db). Imports an .xls with
// 10,000 purchase serial numbers, exports a grid of 65,535 rows, prints both
// times and fails when either takes longer than the limit.
#include "main/database/DbConn.h"
#include "main/database/ItemGrid.h"
#include "main/database/ItemSearch.h"
#include "main/database/Login.h"
#include "main/database/SpreadsheetExport.h"
#include "main/database/SpreadsheetImport.h"
#include "main/settings/DbSettings.h"
#include "main/spreadsheet/XlsWriter.h"
#include "platform/ProgramDir.h"
#include "platform/RuntimeError.h"
#include "tests/support/RecordingOperator.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <cstdio>
#include <ctime>

using namespace database;
using namespace spreadsheet;

namespace {

constexpr int kImportValues = 10000;
constexpr double kLimitSeconds = 2.0;

void say(const QString& line) {
    const QByteArray b = line.toUtf8() + '\n';
    fwrite(b.constData(), 1, static_cast<size_t>(b.size()), stdout);
    fflush(stdout);
}

// Processor time of this process: on a busy machine the wall clock also
// counts other programs' work.
double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

int fail(const QString& why) {
    say(QStringLiteral("bench_spreadsheet: ") + why);
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return fail(QStringLiteral("usage: bench_spreadsheet PROGRAM-DIR"));
    const QString dir = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    platform::setProgramDir(dir);
    testsupport::RecordingOperator op;
    core::setCurrentOperator(&op);

    try {
        const settings::DbInfo account = settings::readDbInfo();
        openDbConn(account.sDatabase, account.sUser, account.sPassword, settings::readDbKind());

        // Every tenth purchase, into column D of an .xls made by the project's writer.
        Recordset all(gDbConn, QStringLiteral("select purc_sno from slfanrfidmaster order by purc_sno"));
        QStringList serials;
        for (int n = 0; !all.eof() && serials.size() < kImportValues; all.moveNext(), ++n)
            if (n % 10 == 0)
                serials << all.text(0);
        if (serials.size() < kImportValues)
            return fail(QStringLiteral("the database holds too few purchases (init-db --demo-rows 100000)"));
        const QString importFile = QDir(dir).filePath(QStringLiteral("bench-import.xls"));
        if (!writeXls(importFile, kImportValues, 4,
                      [&](int r, int c) { return c == 3 ? serials[r] : QString(); }))
            return fail(QStringLiteral("cannot write ") + importFile);

        ItemGrid grid;
        SearchUi ui;
        QElapsedTimer t;
        t.start();
        double cpu = cpuSeconds();
        const int found = cmdLoadExcel(grid, importFile, ui);
        const double importSeconds = t.nsecsElapsed() / 1e9;
        const double importCpu = cpuSeconds() - cpu;
        if (found != kImportValues)
            return fail(QStringLiteral("import found %1 of %2 (%3)")
                            .arg(found)
                            .arg(kImportValues)
                            .arg(op.messages.join(u'|')));
        say(QStringLiteral("import of %1 serial numbers against %2 purchases: %3 s (processor %4 s)")
                .arg(kImportValues)
                .arg(Recordset(gDbConn, QStringLiteral("select count(*) from slfanrfidmaster")).text(0))
                .arg(importSeconds, 0, 'f', 2)
                .arg(importCpu, 0, 'f', 2));

        // A full grid of distinct purchases, as the search fills it.
        QHash<QString, QString> deptNames;
        for (Recordset d(gDbConn, QStringLiteral("select dept_code, dept_nm from slfanrfiddept")); !d.eof();
             d.moveNext())
            deptNames.insert(d.text(0), d.text(1));
        SearchConditions everything;
        everything.OptSearch = 2;
        Recordset rows(gDbConn, searchQuery(everything));
        ItemGrid big;
        big.beginBulkLoad();
        for (; !rows.eof() && big.rows() < kExportMaxRows; rows.moveNext())
            fillItemRecord(big, big.addRow(), rows,
                           deptNames.value(rows.text(QStringLiteral("dept_code")).trimmed()));
        big.endBulkLoad();
        if (big.rows() != kExportMaxRows)
            return fail(QStringLiteral("the search gave only %1 rows").arg(big.rows()));
        const QString exportFile = QDir(dir).filePath(proposedExportName());
        op.messages.clear();
        t.restart();
        cpu = cpuSeconds();
        const bool written = cmdSaveExcel_Click(big, exportFile);
        const double exportSeconds = t.nsecsElapsed() / 1e9;
        const double exportCpu = cpuSeconds() - cpu;
        if (!written)
            return fail(QStringLiteral("export failed: ") + op.messages.join(u'|'));
        say(QStringLiteral("export of %1 rows (%2 bytes): %3 s (processor %4 s)")
                .arg(big.rows())
                .arg(QFileInfo(exportFile).size())
                .arg(exportSeconds, 0, 'f', 2)
                .arg(exportCpu, 0, 'f', 2));
        gDbConn.close();

        if (importSeconds > kLimitSeconds || exportSeconds > kLimitSeconds)
            return fail(QStringLiteral("slower than %1 s").arg(kLimitSeconds));
        return 0;
    } catch (const platform::RuntimeError& e) {
        return fail(e.text());
    }
}
