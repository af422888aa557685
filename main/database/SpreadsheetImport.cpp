#include "main/database/SpreadsheetImport.h"

#include "main/database/CsvReader.h"
#include "main/database/DbConn.h"
#include "main/database/Departments.h"
#include "main/core/Reported.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <cmath>
#include <freexl.h>

namespace database {

using platform::RuntimeError;

SheetKind sheetKind(const QString& fileName) {
    const QString last = fileName.right(3);
    if (last == QLatin1String("xls"))
        return SheetXls;
    if (last == QLatin1String("csv"))
        return SheetCsv;
    return SheetOther;
}

namespace {

QString freexlError(int code) {
    switch (code) {
    case FREEXL_FILE_NOT_FOUND:
        return QStringLiteral("file not found or not readable");
    case FREEXL_INSUFFICIENT_MEMORY:
        return QStringLiteral("out of memory");
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_CFBF_INVALID_SIGNATURE:
        return QStringLiteral("not an .xls workbook");
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        return QStringLiteral("the file holds no workbook");
    case FREEXL_CRAFTED_FILE:
        return QStringLiteral("the workbook is damaged");
    default:
        return QStringLiteral("unreadable .xls workbook (code %1)").arg(code);
    }
}

// A number cell as its text: whole numbers without decimals, others with up
// to 15 significant digits.
QString numberText(double v) {
    QString t = QString::number(v, 'g', 15);
    t.replace(QLatin1String("e+"), QLatin1String("E+"));
    t.replace(QLatin1String("e-"), QLatin1String("E-"));
    return t;
}

class XlsWorkbook : public Workbook {
public:
    explicit XlsWorkbook(const QString& path) {
        const QByteArray name = QFile::encodeName(path);
        const int rc = freexl_open(name.constData(), &m_handle);
        if (rc != FREEXL_OK) {
            if (m_handle)
                freexl_close(m_handle);
            m_handle = nullptr;
            throw RuntimeError(QStringLiteral("%1: %2").arg(path, freexlError(rc)));
        }
        unsigned int sheets = 0;
        if (freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0) {
            freexl_close(m_handle);
            throw RuntimeError(QStringLiteral("%1: the workbook has no worksheet").arg(path));
        }
        unsigned short cols = 0;
        if (freexl_select_active_worksheet(m_handle, 0) != FREEXL_OK ||
            freexl_worksheet_dimensions(m_handle, &m_rows, &cols) != FREEXL_OK) {
            freexl_close(m_handle);
            throw RuntimeError(QStringLiteral("%1: the first worksheet cannot be read").arg(path));
        }
        m_cols = cols;
        // The sheet's stated size may include trailing empty rows.
        while (m_rows > 0 && rowEmpty(static_cast<int>(m_rows)))
            --m_rows;
    }
    ~XlsWorkbook() override {
        if (m_handle)
            freexl_close(m_handle);
    }

    int lastUsedRow() const override { return static_cast<int>(m_rows); }

    QString cellText(int row, int col) const override {
        if (row < 1 || col < 1 || static_cast<unsigned>(row) > m_rows || static_cast<unsigned>(col) > m_cols)
            return {};
        FreeXL_CellValue v;
        if (freexl_get_cell_value(m_handle, static_cast<unsigned>(row - 1),
                                  static_cast<unsigned short>(col - 1), &v) != FREEXL_OK)
            throw RuntimeError(QStringLiteral("cell %1,%2 cannot be read").arg(row).arg(col));
        switch (v.type) {
        case FREEXL_CELL_INT:
            return QString::number(v.value.int_value);
        case FREEXL_CELL_DOUBLE:
            return numberText(v.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            return v.value.text_value ? QString::fromUtf8(v.value.text_value) : QString();
        default:
            return {};
        }
    }

private:
    bool rowEmpty(int row) const {
        for (unsigned c = 1; c <= m_cols; ++c)
            if (!cellText(row, static_cast<int>(c)).isEmpty())
                return false;
        return true;
    }

    const void* m_handle = nullptr;
    unsigned int m_rows = 0;
    unsigned int m_cols = 0;
};

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

class CsvWorkbook : public Workbook {
public:
    explicit CsvWorkbook(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw RuntimeError(QStringLiteral("%1: %2").arg(path, file.errorString()));
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw RuntimeError(QStringLiteral("%1: %2").arg(path, file.errorString()));
        m_records = parseCsv(decodeCsvText(bytes));
        m_last = static_cast<int>(m_records.size());
        while (m_last > 0) {
            bool empty = true;
            for (const QString& f : m_records[m_last - 1])
                empty = empty && f.isEmpty();
            if (!empty)
                break;
            --m_last;
        }
    }

    int lastUsedRow() const override { return m_last; }

    QString cellText(int row, int col) const override {
        if (row < 1 || row > m_last || col < 1)
            return {};
        const QStringList& r = m_records[row - 1];
        return col <= r.size() ? r[col - 1] : QString();
    }

private:
    QList<QStringList> m_records;
    int m_last = 0;
};

} // namespace

std::unique_ptr<Workbook> openWorkbook(const QString& path, SheetKind kind) {
    if (kind == SheetXls)
        return std::make_unique<XlsWorkbook>(path);
    if (kind == SheetCsv)
        return std::make_unique<CsvWorkbook>(path);
    throw RuntimeError(QStringLiteral("%1: only .xls and .csv files can be read").arg(path));
}

QString serialNumberOf(const QString& cellText, SheetKind kind) {
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
    sql += QStringLiteral("  on A.atcl_cat_no = B.atcl_cat_no) B");
    sql += QStringLiteral("  on (a.atcl_cat_no = b.atcl_cat_no");
    sql += QStringLiteral("  and a.atcl_siz_no = b.atcl_siz_no)");
    sql += QStringLiteral(" where A.purc_sno = '") + sqlText(purcSno) + QStringLiteral("' ");
    sql += QStringLiteral(" order by A.purc_sno");
    return sql;
}

void fillItemRecord(ItemGrid& grid, int row, const Recordset& rs, const QString& deptName) {
    const QString tagId = rs.text(QStringLiteral("tag_id")).trimmed();
    const QString yes = QStringLiteral("Y"), no = QStringLiteral("N");
    grid.setTicked(row, true);
    if (!tagId.isEmpty())
        grid.setText(row, ColTagId, tagId);
    grid.setText(row, ColPurcSno, rs.text(QStringLiteral("purc_sno")).trimmed());
    grid.setText(row, ColCatNo, rs.text(QStringLiteral("atcl_cat_no")).trimmed());
    grid.setText(row, ColSizNo, rs.text(QStringLiteral("atcl_siz_no")).trimmed());
    grid.setText(row, ColCatNm, rs.text(QStringLiteral("atcl_cat_nm")).trimmed());
    grid.setText(row, ColSizNm, rs.text(QStringLiteral("atcl_siz_nm")).trimmed());
    grid.setText(row, ColAmount, formatAmount(rs.text(QStringLiteral("chg_amt")).trimmed()));
    grid.setText(row, ColPurcYmd, formatDate(rs.text(QStringLiteral("purc_ymd")).trimmed()));
    grid.setText(row, ColDeptNm, deptName);
    grid.setText(row, ColIssued, tagId.isEmpty() ? no : yes);
    grid.setText(row, ColTestIssued, no);
    grid.setText(row, ColReissued, no);
}

int GetExcelData(ItemGrid& vaSpread1, const QString& fileName, SearchUi& ui) {
    auto progress = [&](int value) {
        if (ui.progress)
            ui.progress(value);
    };
    int found = 0;
    const bool ok = core::runReported(QStringLiteral("GetExcelData"), [&] {
        if (fileName.isEmpty())
            throw RuntimeError(QStringLiteral("Cancel was selected."));
        const SheetKind kind = sheetKind(fileName);
        // The wait cursor covers the opening of the file and the first lookup.
        core::WaitCursor wait;
        std::unique_ptr<Workbook> book = openWorkbook(fileName, kind);
        const int lastRow = book->lastUsedRow();
        const int firstRow = kind == SheetXls ? 1 : 2;
        const int column = kind == SheetXls ? 4 : 2;

        vaSpread1.clear();
        progress(0);
        ReadTransaction lookups;
        int shown = 0;
        for (int r = firstRow; r <= lastRow; ++r) {
            const QString value = serialNumberOf(book->cellText(r, column), kind);
            if (value.isEmpty())
                continue;
            Recordset rs(gDbConn, importQuery(value));
            wait.restore();
            if (rs.recordCount() > 0) {
                const int row = vaSpread1.addRow();
                fillItemRecord(vaSpread1, row, rs, GetDeptNm(rs.text(QStringLiteral("dept_code")).trimmed()));
                ++found;
                const int percent = qMin(100, static_cast<int>(std::lround(double(found) / lastRow * 100.0)));
                if (percent != shown) {
                    shown = percent;
                    progress(percent);
                }
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
        progress(100);
        ui.OptPrt = 0;
        ui.LblPrtCnt = QString::number(found);
        ui.txtStart = QStringLiteral("1");
        ui.txtEnd = QString::number(found);
        core::currentOperator().showMessage(QString::number(found) +
                                             QStringLiteral("건의 자료가 검색 되었습니다."));
    });
    return ok ? found : -1;
}

int cmdLoadExcel(ItemGrid& vaSpread1, const QString& fileName, SearchUi& ui) {
    ui.LblPrtCnt.clear();
    ui.txtStart.clear();
    ui.txtEnd.clear();
    return GetExcelData(vaSpread1, fileName, ui);
}

} // namespace database
