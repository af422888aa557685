#include "main/database/SpreadsheetExport.h"

#include "main/core/Reported.h"
#include "main/spreadsheet/XlsWriter.h"

#include <QLocale>

namespace database {

QString proposedExportName(const QDate& today) {
    return today.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("태그발행결과.xls");
}

QString qtDialogFilter(QStringView filter) {
    const QList<QStringView> parts = filter.split(u'|');
    QStringList names;
    for (qsizetype i = 0; i < parts.size(); i += 2)
        names.append(parts[i].toString());
    return names.join(QStringLiteral(";;"));
}

bool exportGrid(const ItemGrid& grid, const QString& path, QString* error) {
    if (grid.rows() > kExportMaxRows) {
        if (error)
            *error = tooManyRowsMessage(grid.rows());
        return false;
    }
    const QStringList& headers = gridHeaders();
    spreadsheet::XlsColumns columns(kGridColumns, spreadsheet::XlsColumn::Text);
    columns[ColAmount - 1] = spreadsheet::XlsColumn::Amount;
    columns[ColPurcYmd - 1] = spreadsheet::XlsColumn::Date;
    // Row 0 is the header row; the grid's rows follow in grid order.
    return spreadsheet::writeXls(
        path, grid.rows() + 1, kGridColumns,
        [&](int row, int col) { return row == 0 ? headers[col] : grid.text(row, col + 1); }, error, columns);
}

QString tooManyRowsMessage(int rows) {
    const QLocale en(QLocale::English);
    return QStringLiteral("엑셀파일(.xls)에는 최대 %1행(제목 1행과 자료 %2건)까지 저장할 수 있습니다. "
                          "현재 자료는 %3건입니다.")
        .arg(en.toString(kExportMaxRows + 1), en.toString(kExportMaxRows), en.toString(rows));
}

bool exportAllowed(const ItemGrid& grid) {
    if (grid.rows() == 0) {
        core::currentOperator().showMessage(QStringLiteral("엑셀파일로 저장할 데이타가 없습니다."));
        return false;
    }
    if (grid.rows() > kExportMaxRows) {
        core::currentOperator().showMessage(tooManyRowsMessage(grid.rows()));
        return false;
    }
    return true;
}

bool cmdSaveExcel_Click(const ItemGrid& vaSpread1, const QString& fileName) {
    // A cancelled file dialog is not a failure: nothing to report.
    if (fileName.isEmpty() || !exportAllowed(vaSpread1))
        return false;
    bool written = false;
    core::runReported(QStringLiteral("cmdSaveExcel_Click"), [&] {
        QString why;
        written = exportGrid(vaSpread1, fileName, &why);
        core::currentOperator().showMessage(
            written
                ? QStringLiteral("엑셀저장에 성공하였습니다.")
                : QStringLiteral("엑셀저장에 실패하였습니다.") +
                      (why.isEmpty() ? QString()
                                     : QStringLiteral("\r\n%1: %2").arg(fileName, core::operatorText(why))));
    });
    return written;
}

} // namespace database
