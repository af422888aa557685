#include "main/database/ItemSearch.h"

#include "main/core/Logs.h"
#include "main/core/Reported.h"
#include "main/database/DbConn.h"
#include "main/database/Departments.h"

#include <QHash>
#include <cmath>

namespace database {

using platform::RuntimeError;

namespace {

// A number as the formats read it: plain decimal notation only.
std::optional<double> numberOf(const QString& text) {
    // Most values are plain digits: read them without the general parser.
    if (!text.isEmpty() && text.size() <= 15) {
        qint64 n = 0;
        bool digits = true;
        for (QChar c : text) {
            if (c < u'0' || c > u'9') {
                digits = false;
                break;
            }
            n = n * 10 + (c.unicode() - u'0');
        }
        if (digits)
            return static_cast<double>(n);
    }
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    for (QChar c : t)
        if (!(c.isDigit() || c == u'-' || c == u'+' || c == u'.'))
            return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

QString ymd(const QDate& date, const QDate& fallback) {
    return (date.isValid() ? date : fallback).toString(QStringLiteral("yyyyMMdd"));
}

} // namespace

QString formatWhole(const std::optional<double>& value) {
    if (!value)
        return {};
    return QString::number(static_cast<qint64>(std::llround(*value)));
}

QString formatAmount(const QString& value) {
    const std::optional<double> v = numberOf(value);
    if (!v)
        return value;
    const qint64 n = std::llround(*v);
    QString digits = QString::number(n < 0 ? -n : n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return n < 0 ? QLatin1Char('-') + digits : digits;
}

QString formatDate(const QString& value) {
    const std::optional<double> v = numberOf(value);
    if (!v)
        return value;
    // The number's digits fill the "#" places from the right; extra digits
    // go in front, missing ones leave their places out.
    QString digits = QString::number(static_cast<qint64>(std::llround(std::fabs(*v))));
    if (digits == QLatin1String("0"))
        digits.clear();
    static const QString pattern = QStringLiteral("####-##-##");
    QString out;
    qsizetype d = digits.size();
    for (qsizetype i = pattern.size() - 1; i >= 0; --i) {
        if (pattern[i] == u'#') {
            if (d > 0)
                out.prepend(digits[--d]);
        } else {
            out.prepend(pattern[i]);
        }
    }
    return digits.left(d) + out;
}

QString deptCodeOf(const QString& cboDeptText) {
    const qsizetype open = cboDeptText.indexOf(QLatin1Char('('));
    const qsizetype close = open < 0 ? -1 : cboDeptText.indexOf(QLatin1Char(')'), open + 1);
    if (open < 0 || close < 0)
        throw RuntimeError(QStringLiteral("Invalid procedure call or argument"));
    return cboDeptText.mid(open + 1, close - open - 1);
}

namespace {

// The purchases, joined with their names when `names`, and the search
// conditions.
QString searchSource(const SearchConditions& c, bool names) {
    QString sql;
    sql += QStringLiteral(" from slfanrfidmaster A");
    if (names) {
        sql += QStringLiteral(" left outer join ");
        sql += QStringLiteral(
            " (select A.atcl_cat_no, B.atcl_cat_nm, A.atcl_siz_no, nvl(A.atcl_siz_nm, '') atcl_siz_nm "
            "from slfanrfidspec A left outer join slfanrfiditem B");
        sql += kItemSpecJoinEnd;
    }

    sql += QStringLiteral(" where A.purc_ymd >= '") + ymd(c.TDBDate2From, QDate(1900, 1, 1)) +
           QStringLiteral("' ");
    sql += QStringLiteral("   and A.purc_ymd <= '") + ymd(c.TDBDate2To, QDate::currentDate()) +
           QStringLiteral("' ");

    const QString code = deptCodeOf(c.CboDept);
    if (code != QLatin1String("00"))
        sql += QStringLiteral(" and A.dept_code = '") + sqlText(code) + QStringLiteral("'");

    if (!c.txtCatNo.isEmpty())
        sql += QStringLiteral(" and   A.atcl_cat_no = '") + sqlText(c.txtCatNo) + QStringLiteral("'");
    if (!c.txtPurcSNo.isEmpty())
        sql += QStringLiteral(" and   A.purc_sno = '") + sqlText(c.txtPurcSNo) + QStringLiteral("'");
    if (!c.txtCatNm.isEmpty())
        sql += QStringLiteral(" and   B.atcl_cat_nm like'%") + sqlText(c.txtCatNm) + QStringLiteral("%' ");

    const QString from = formatWhole(c.TDBNumFrom), to = formatWhole(c.TDBNumTo);
    if (!from.isEmpty() && !to.isEmpty())
        sql += QStringLiteral(" and   A.chg_amt >= '") + from + QStringLiteral("' and A.chg_amt <= '") + to +
               QStringLiteral("'");
    else if (!from.isEmpty())
        sql += QStringLiteral(" and   A.chg_amt = '") + from + QStringLiteral("'");
    else if (!to.isEmpty())
        sql += QStringLiteral(" and   A.chg_amt = '") + to + QStringLiteral("'");

    if (c.OptSearch == 0)
        sql += QStringLiteral(" and (A.tag_id is NULL or A.tag_id = '') ");
    else if (c.OptSearch == 1)
        sql += QStringLiteral(" and (A.tag_id is NOT NULL or A.tag_id <> '') ");
    return sql;
}

} // namespace

QString searchQuery(const SearchConditions& c) {
    QString sql =
        QStringLiteral(" select A.purc_sno, A.atcl_cat_no, nvl(B.atcl_cat_nm,'') atcl_cat_nm, A.atcl_siz_no, "
                       "nvl(B.atcl_siz_nm, '') atcl_siz_nm, A.dept_code, A.purc_ymd, A.chg_amt, A.tag_proc, "
                       "A.tag_id");
    sql += searchSource(c, true);
    if (c.OptSort == 1)
        sql += QStringLiteral(" order by B.atcl_cat_nm, A.purc_sno");
    else if (c.OptSort == 2)
        sql += QStringLiteral(" order by A.atcl_cat_no, A.purc_sno");
    else
        sql += QStringLiteral(" order by A.purc_sno");
    return sql;
}

QString searchCountQuery(const SearchConditions& c) {
    // A purchase has at most one item size (its key) and a size one item, so
    // the names' join changes the count only through the name condition;
    // without it the database counts from the purchases' index alone.
    return QStringLiteral(" select count(*) row_count") + searchSource(c, !c.txtCatNm.isEmpty());
}

namespace {

// A text of plain digits (at most `maxDigits`) as its number.
template <typename Number> bool plainDigits(const QString& text, int maxDigits, Number& value) {
    if (text.isEmpty() || text.size() > maxDigits)
        return false;
    Number v = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + (c.unicode() - u'0');
    }
    value = v;
    return true;
}

} // namespace

void fillItemRow(ItemGrid& grid, int row, const ItemFields& item, const QString& deptName) {
    const QString yes = QStringLiteral("Y"), no = QStringLiteral("N");
    grid.setTicked(row, true);
    if (!item.tagId.isEmpty())
        grid.setText(row, ColTagId, item.tagId);
    grid.setText(row, ColPurcSno, item.purcSno);
    grid.setText(row, ColCatNo, item.catNo);
    grid.setText(row, ColSizNo, item.sizNo);
    grid.setText(row, ColCatNm, item.catNm);
    grid.setText(row, ColSizNm, item.sizNm);
    // Plain digits are what a register holds; their formats need no text.
    // (Up to fifteen: the amount column's width, and what a double holds exactly.)
    qint64 amount = 0;
    if (plainDigits(item.amount, 15, amount))
        grid.setAmount(row, amount);
    else
        grid.setText(row, ColAmount, formatAmount(item.amount));
    quint32 date = 0;
    if (item.purcYmd.size() == 8 && item.purcYmd[0] != u'0' && plainDigits(item.purcYmd, 8, date))
        grid.setDate(row, date);
    else
        grid.setText(row, ColPurcYmd, formatDate(item.purcYmd));
    grid.setText(row, ColDeptNm, deptName);
    grid.setText(row, ColIssued, item.tagId.isEmpty() ? no : yes);
    grid.setText(row, ColTestIssued, no);
    grid.setText(row, ColReissued, no);
}

void cmdLoadDb(ItemGrid& vaSpread1, const SearchConditions& c, SearchUi& ui) {
    ui.LblPrtCnt.clear();
    ui.txtStart.clear();
    ui.txtEnd.clear();
    GetDBData(vaSpread1, c, ui);
}

namespace {

// Keeps the view from redrawing per cell while many rows arrive; the rows
// added so far are shown when the scope ends, also after an error.
class BulkLoad {
public:
    explicit BulkLoad(ItemGrid& grid) : m_grid(grid) { m_grid.beginBulkLoad(); }
    ~BulkLoad() { m_grid.endBulkLoad(); }

private:
    ItemGrid& m_grid;
};

} // namespace

void SearchUi::showProgress(int percent) {
    m_shown = percent;
    if (progress)
        progress(percent);
}

void SearchUi::advance(int done, int total) {
    const int percent = qMin(100, static_cast<int>(std::lround(double(done) / total * 100.0)));
    if (percent != m_shown)
        showProgress(percent);
}

void SearchUi::loaded(int count) {
    if (m_shown != 100)
        showProgress(100);
    OptPrt = 0;
    LblPrtCnt = QString::number(count);
    txtStart = QStringLiteral("1");
    txtEnd = QString::number(count);
    core::currentOperator().showMessage(QString::number(count) +
                                        QStringLiteral("건의 자료가 검색 되었습니다."));
}

void GetDBData(ItemGrid& vaSpread1, const SearchConditions& c, SearchUi& ui) {
    const QString from = formatWhole(c.TDBNumFrom), to = formatWhole(c.TDBNumTo);
    if (!from.isEmpty() && !to.isEmpty() && to.toLongLong() < from.toLongLong()) {
        core::currentOperator().showMessage(QStringLiteral("구입단가를 다시 입력하십시오"));
        core::currentOperator().setFocus(QStringLiteral("TDBNum(0)"));
        return;
    }

    core::runReported(QStringLiteral("GetDBData"), [&] {
        vaSpread1.clear();
        ui.showProgress(0);
        core::WaitCursor wait;

        const QString sql = searchQuery(c);
        const QString code = deptCodeOf(c.CboDept);
        const QString deptName = c.CboDept.left(c.CboDept.indexOf(QLatin1Char('(')));

        gDbConn.reconnectIfLost();
        // The count first, for the progress; then the rows flow from the
        // database into the grid, never held twice.
        const int expected = Recordset(gDbConn, searchCountQuery(c)).text(0).toInt();
        if (expected == 0) {
            wait.restore();
            core::currentOperator().showMessage(QStringLiteral("해당 데이터가 존재하지 않습니다."));
            return;
        }
        DeptNames departments;
        if (code == QLatin1String("00"))
            departments.load();
        RowStream rs(gDbConn, sql);
        wait.restore();

        const int cPurcSno = rs.column(QStringLiteral("purc_sno")),
                  cCatNo = rs.column(QStringLiteral("atcl_cat_no")),
                  cCatNm = rs.column(QStringLiteral("atcl_cat_nm")),
                  cSizNo = rs.column(QStringLiteral("atcl_siz_no")),
                  cSizNm = rs.column(QStringLiteral("atcl_siz_nm")),
                  cDept = rs.column(QStringLiteral("dept_code")),
                  cYmd = rs.column(QStringLiteral("purc_ymd")), cAmt = rs.column(QStringLiteral("chg_amt")),
                  cTagId = rs.column(QStringLiteral("tag_id"));
        // The department names were read before the rows: the table does not
        // change while a search runs, and no query can run on the connection
        // while the rows arrive. Each code is named once per search.
        QHash<QString, QString> deptNames;
        auto deptNameOf = [&](const QString& deptCode) {
            auto it = deptNames.constFind(deptCode);
            if (it == deptNames.constEnd())
                it = deptNames.insert(deptCode, departments.nameOf(deptCode));
            return *it;
        };
        int count = 0;
        {
            BulkLoad bulk(vaSpread1);
            vaSpread1.reserveRows(expected);
            core::LogBatch statusLog(QStringLiteral("error.log"));
            while (rs.next()) {
                const ItemFields item{rs.text(cTagId).trimmed(), rs.text(cPurcSno).trimmed(),
                                      rs.text(cCatNo).trimmed(), rs.text(cSizNo).trimmed(),
                                      rs.text(cCatNm).trimmed(), rs.text(cSizNm).trimmed(),
                                      rs.text(cAmt).trimmed(),   rs.text(cYmd).trimmed()};
                const int row = vaSpread1.addRow();
                ++count;
                statusLog.add({u"TAG_ID:", item.tagId, u" PURC_SND:", item.purcSno, u" ATCL_CAT_NO:",
                               item.catNo, u" ATCL_CAT_NM:", item.catNm, u" ATCL_SIZ_NM:", item.sizNm,
                               u" CHG_AMT:", item.amount, u" PURC_YMD:", item.purcYmd});
                fillItemRow(vaSpread1, row, item,
                            code == QLatin1String("00") ? deptNameOf(rs.text(cDept).trimmed()) : deptName);
                ui.advance(count, expected);
            }
        }
        if (count == 0) {
            core::currentOperator().showMessage(QStringLiteral("해당 데이터가 존재하지 않습니다."));
            return;
        }
        ui.loaded(count);
    });
}

} // namespace database
