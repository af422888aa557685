#pragma once
// The item search: the search conditions of the main window become one
// statement whose rows fill the result grid as item records, ticked for issue.
#include "main/database/ItemGrid.h"

#include <QDate>
#include <QString>
#include <functional>
#include <optional>

namespace database {

// The search boxes of the main window as the search reads them.
// The longest texts the search boxes take: the columns' own widths.
inline constexpr int kCatNoLength = 10;   // 물품분류번호
inline constexpr int kPurcSnoLength = 20; // 구입일련번호
inline constexpr int kCatNmLength = 200;  // 물품명

struct SearchConditions {
    QDate TDBDate2From{1900, 1, 1}; // purchase date from, always applied
    QDate TDBDate2To = QDate::currentDate();
    QString CboDept = QString::fromUtf16(u"전체(00)"); // "name(code)"
    QString txtCatNo;                                  // category number, exact
    QString txtPurcSNo;                                // purchase serial number, exact
    QString txtCatNm;                                  // part of the item name
    std::optional<double> TDBNumFrom;                  // amount from / to; empty box = no value
    std::optional<double> TDBNumTo;
    int OptSearch = 0; // 0 "발행대상" not issued, 1 "발행완료" issued, 2 "전체"
    int OptSort = 0;   // 0 "구입일련번호", 1 "물품명", 2 "물품분류번호"
};

// The main-window controls a search sets besides the grid.
struct SearchUi {
    QString LblPrtCnt; // number of rows found
    QString txtStart;  // issue range
    QString txtEnd;
    int OptPrt = -1; // 0 ("전체") once rows were loaded; -1 = left as it was
    // ProgressBar1: 0 at the start, then the share of rows loaded, 0..100.
    std::function<void(int)> progress;

    // Passes `percent` to `progress` when there is one.
    void showProgress(int percent);
    // `done` of `total` rows loaded: the progress, when its whole percent changed.
    void advance(int done, int total);
    // The load ended with `count` rows: the progress full, the count, the
    // issue range over all rows, "전체", and the operator told.
    void loaded(int count);

private:
    int m_shown = -1;
};

// The amount box value formatted "#0": whole number, empty for an empty box.
QString formatWhole(const std::optional<double>& value);
// "#,##0": thousands separators, no decimals; text that is no number stays.
QString formatAmount(const QString& value);
// "####-##-##" over the digits of an eight-digit date (YYYY-MM-DD).
QString formatDate(const QString& value);

// The department code of a `CboDept` entry: between the first "(" and the
// next ")". Throws platform::RuntimeError when there is no such pair.
QString deptCodeOf(const QString& cboDeptText);

// The end of the join of purchases with their item and size names, as the
// search and the import lookup both write it.
inline constexpr QStringView kItemSpecJoinEnd = u"  on A.atcl_cat_no = B.atcl_cat_no) B"
                                                u"  on (a.atcl_cat_no = b.atcl_cat_no"
                                                u"  and a.atcl_siz_no = b.atcl_siz_no)";

// One purchase of a search or import result, its texts trimmed.
struct ItemFields {
    QString tagId;
    QString purcSno;
    QString catNo;
    QString sizNo;
    QString catNm;
    QString sizNm;
    QString amount;  // as stored; the grid shows it with thousands separators
    QString purcYmd; // as stored; the grid shows it as YYYY-MM-DD
};

// Fills grid row `row` with an item record: ticked, tag id when there is one,
// the purchase's columns, the department name, "Y"/"N" issue marks.
void fillItemRow(ItemGrid& grid, int row, const ItemFields& item, const QString& deptName);

// The search statement for the conditions (the amount check is not made here).
QString searchQuery(const SearchConditions& c);
// The number of rows that statement finds, as one row with one column.
QString searchCountQuery(const SearchConditions& c);

// `cmdLoad` with the search source "DB": clears LblPrtCnt, txtStart and
// txtEnd, then runs GetDBData.
void cmdLoadDb(ItemGrid& vaSpread1, const SearchConditions& c, SearchUi& ui);

// The database search into the grid: the amount check, the query, one
// status-log line and one item record per row, the progress, the final
// texts. Failures end in the failure report "[GetDBData]"; rows loaded
// before a failure stay in the grid.
void GetDBData(ItemGrid& vaSpread1, const SearchConditions& c, SearchUi& ui);

} // namespace database
