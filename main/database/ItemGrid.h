#pragma once
// The result grid: one item record per row, 15 columns numbered from 1 as the
// operator sees them (tick, tag id, purchase serial number, category, size,
// names, amount, date, department, issue marks). Every procedure that reads or
// marks rows works on this model; the main window only shows it.
//
// A large site searches its whole register (a million rows), so a row is kept
// compact: the few category, size and department names are shared, the tick
// and the marks are bits, amounts and dates are numbers formatted when shown,
// serial numbers and tag ids are single-byte text in one store. A text that
// fits none of these is kept as it was given; every cell reads back exactly
// the text that was set.
#include <QAbstractTableModel>
#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace database {

inline constexpr int kGridColumns = 15;

// Column numbers of the item record.
enum GridColumn : int {
    ColTick = 1,        // "발행": 1 ticked, 0 not
    ColTagHd = 2,       // "TAG HD": never filled
    ColTagId = 3,       // "TAG ID": tag id without its prefix
    ColPurcSno = 4,     // "구입일련번호"
    ColCatNo = 5,       // "물품분류번호"
    ColSizNo = 6,       // "규격번호"
    ColCatNm = 7,       // "물품명"
    ColSizNm = 8,       // "규격명"
    ColAmount = 9,      // "구입금액", "#,##0"
    ColPurcYmd = 10,    // "구입일자", YYYY-MM-DD
    ColDeptNm = 11,     // "취득부서"
    ColOrganNm = 12,    // "자치단체명": never filled
    ColIssued = 13,     // "정상발행" Y/N
    ColTestIssued = 14, // "테스트발행" Y/N
    ColReissued = 15,   // "재발행" Y/N
};

// The 15 column headers, index 0 = column 1.
const QStringList& gridHeaders();

// "#,##0": a whole number with thousands separators.
QString groupedNumber(qint64 n);

class ItemGrid : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ItemGrid(QObject* parent = nullptr);

    // Rows and columns are 1-based here, as the operator counts them.
    int rows() const { return static_cast<int>(m_rows.size()); }
    void clear();
    // Appends an empty row (no tick, grid default background); returns its number.
    int addRow();
    // Room for this many rows, so that a big search does not move rows around.
    void reserveRows(int count);
    // Sets the row count, dropping rows at the end or adding empty ones.
    void setRows(int count);

    QString text(int row, int col) const;
    void setText(int row, int col, const QString& text);
    // The same as setText with groupedNumber(amount) in "구입금액" and the
    // date's digits as YYYY-MM-DD in "구입일자", without making the text; a
    // date without eight digits (10000000 to 99999999) changes nothing.
    void setAmount(int row, qint64 amount);
    void setDate(int row, quint32 yyyymmdd);
    // Appends a cell's text as UTF-8 (what printing a large grid needs
    // without a string per cell).
    void appendUtf8(int row, int col, std::string& out) const;
    // Column 1's numeric value.
    bool ticked(int row) const;
    void setTicked(int row, bool on);
    void setAllTicked(bool on);
    int tickedCount() const;

    // Background of a cell; invalid QColor = the grid's default.
    QColor background(int row, int col) const;
    void setRowBackground(int row, const QColor& color);

    // Row count above which the grid is filled without per-row view updates.
    void beginBulkLoad();
    void endBulkLoad();

    // QAbstractTableModel (0-based indexes for views).
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    // Columns whose texts are shared names, in the order of Row::names.
    static constexpr int kNameColumns = 7;
    struct Row {
        quint32 purcSno = 0; // place in m_store + 1; 0 = empty
        quint32 tagId = 0;
        quint32 names[kNameColumns] = {}; // index into m_names; 0 = empty
        qint64 amount = 0;
        quint32 date = 0;
        QRgb background = 0;
        // Two bits a column: tick (0 "0", 1 "1", 2 empty), the three marks
        // (0 empty, 1 "N", 2 "Y"), amount and date (0 empty, 1 the number);
        // 3 = the text is in m_other. Bit 12: the row has a background.
        quint16 codes = 0;
    };
    enum : quint32 { kOther = 0xffffffffu };
    bool valid(int row, int col) const;
    void changed(int row, int firstCol, int lastCol);
    quint32 nameIndex(const QString& text);
    quint32 storeText(const QString& text);
    void setOther(int row, int col, const QString& text);
    void setNumber(int row, int col, qint64 value);
    QString other(int row, int col) const;
    static int codeShift(int col);

    std::vector<Row> m_rows;
    // Texts of "TAG ID" and "구입일련번호": a length byte, then Latin-1 bytes.
    std::vector<char> m_store;
    std::vector<QString> m_names{QString()};
    std::vector<QByteArray> m_namesUtf8{QByteArray()};
    QHash<QString, quint32> m_nameIndex;
    // Cells whose text has no compact form, by row index << 4 | column.
    QHash<quint64, QString> m_other;
    bool m_bulk = false;
};

} // namespace database
