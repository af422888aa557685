#include "main/database/SpreadsheetImport.h"

#include "main/core/Reported.h"
#include "main/database/DbConn.h"
#include "main/database/Departments.h"

#include <QFile>
#include <QSqlDatabase>
#include <cmath>

namespace database {

using platform::RuntimeError;
using namespace spreadsheet;

namespace {

// On the embedded database every statement otherwise takes and drops the
// file lock, which costs more than the lookup itself: a read transaction
// spans the lookups of an import. Nothing is written inside it, and it is
// ended while a message waits for the operator, so that no other program
// waits on the lock meanwhile.
class ReadTransaction {
public:
    ReadTransaction() { begin(); }
    ~ReadTransaction() { end(); }
    void begin() {
        if (!m_on)
            m_on = gDbConn.isOpen() && gDbConn.isEmbedded() && gDbConn.database().transaction();
    }
    void end() {
        if (m_on)
            gDbConn.database().rollback();
        m_on = false;
    }

private:
    bool m_on = false;
};

} // namespace

QString serialNumberOf(const QString& cellText, SheetKind kind) {
    for (const QChar c : cellText)
        if (c.unicode() < 0x20 && c != u'\t')
            throw RuntimeError(QStringLiteral("제어 문자(0x%1)가 들어 있는 값은 구입일련번호가 아닙니다.")
                                   .arg(c.unicode(), 2, 16, QLatin1Char('0')));
    if (kind == SheetXls)
        return cellText.trimmed();
    // A blank cell is skipped like a blank .xls cell.
    if (cellText.trimmed().isEmpty())
        return {};
    const qsizetype first = cellText.indexOf(QLatin1Char('\''));
    const qsizetype second = first < 0 ? -1 : cellText.indexOf(QLatin1Char('\''), first + 1);
    if (second < 0)
        throw RuntimeError(QStringLiteral("the value %1 is not enclosed in apostrophes").arg(cellText));
    return cellText.mid(first + 1, second - first - 1).trimmed();
}

QString importQuery(const QString& purcSno) {
    QString sql;
    sql += QStringLiteral(
        " select A.purc_sno, A.atcl_cat_no, nvl(B.atcl_cat_nm,'') atcl_cat_nm, A.atcl_siz_no, "
        "nvl(B.atcl_siz_nm,'') atcl_siz_nm, A.dept_code, A.purc_ymd, A.chg_amt, A.tag_proc, A.tag_id");
    sql += QStringLiteral(" from slfanrfidmaster A left outer join ");
    sql += QStringLiteral(
        " (select A.atcl_cat_no, nvl(B.atcl_cat_nm,'') atcl_cat_nm, A.atcl_siz_no, A.atcl_siz_nm "
        "from slfanrfidspec A left outer join slfanrfiditem B");
    sql += kItemSpecJoinEnd;
    sql += QStringLiteral(" where A.purc_sno = '") + sqlText(purcSno) + QStringLiteral("' ");
    sql += QStringLiteral(" order by A.purc_sno");
    return sql;
}

void fillItemRecord(ItemGrid& grid, int row, const Recordset& rs, const QString& deptName) {
    const auto text = [&](const char* name) { return rs.text(QLatin1String(name)).trimmed(); };
    fillItemRow(grid, row,
                ItemFields{text("tag_id"), text("purc_sno"), text("atcl_cat_no"), text("atcl_siz_no"),
                           text("atcl_cat_nm"), text("atcl_siz_nm"), text("chg_amt"), text("purc_ymd")},
                deptName);
}

int GetExcelData(ItemGrid& vaSpread1, const QString& fileName, SearchUi& ui) {
    // A cancelled file dialog is not a failure: nothing to report.
    if (fileName.isEmpty())
        return 0;
    int found = 0;
    const bool ok = core::runReported(QStringLiteral("GetExcelData"), [&] {
        const SheetKind kind = sheetKind(fileName);
        // The wait cursor covers the opening of the file and the first lookup.
        core::WaitCursor wait;
        std::unique_ptr<Workbook> book = openWorkbook(fileName, kind);
        const int lastRow = book->lastUsedRow();
        const int firstRow = kind == SheetXls ? 1 : 2;
        const int column = kind == SheetXls ? 4 : 2;

        vaSpread1.clear();
        ui.showProgress(0);
        gDbConn.reconnectIfLost();
        ReadTransaction lookups;
        for (int r = firstRow; r <= lastRow; ++r) {
            QString value;
            try {
                value = serialNumberOf(book->cellText(r, column), kind);
            } catch (const RuntimeError& e) {
                throw RuntimeError(QStringLiteral("%1: %2행: %3").arg(fileName).arg(r).arg(e.text()));
            }
            // The program's own export begins with the grid's column titles.
            if (value.isEmpty() || (r == firstRow && value == gridHeaders()[ColPurcSno - 1]))
                continue;
            Recordset rs(gDbConn, importQuery(value));
            wait.restore();
            if (rs.recordCount() > 0) {
                const int row = vaSpread1.addRow();
                fillItemRecord(vaSpread1, row, rs, GetDeptNm(rs.text(QStringLiteral("dept_code")).trimmed()));
                ++found;
                ui.advance(found, lastRow);
            } else {
                lookups.end();
                core::currentOperator().showMessage(QStringLiteral("구입일련번호[") + value +
                                                    QStringLiteral("]가 존재하지 않습니다."));
                lookups.begin();
            }
        }
        wait.restore();
        lookups.end();
        book.reset();
        ui.loaded(found);
    });
    return ok ? found : -1;
}

int cmdLoadExcel(ItemGrid& vaSpread1, const QString& fileName, SearchUi& ui) {
    if (fileName.isEmpty())
        return 0;
    ui.LblPrtCnt.clear();
    ui.txtStart.clear();
    ui.txtEnd.clear();
    return GetExcelData(vaSpread1, fileName, ui);
}

} // namespace database
