#pragma once
// The result grid: one item record per row, 15 columns numbered from 1 as the
// operator sees them (tick, tag id, purchase serial number, category, size,
// names, amount, date, department, issue marks). Every procedure that reads or
// marks rows works on this model; the main window only shows it.
#include <QAbstractTableModel>
#include <QColor>
#include <QString>
#include <QStringList>
#include <array>
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
    void reserveRows(int count) { m_rows.reserve(static_cast<size_t>(qMax(0, count))); }
    // Sets the row count, dropping rows at the end or adding empty ones.
    void setRows(int count);

    QString text(int row, int col) const;
    void setText(int row, int col, const QString& text);
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
    struct Row {
        std::array<QString, kGridColumns> cells; // column 1 holds "1" or "0"
        QRgb background = 0;                     // 0 = default
        bool hasBackground = false;
    };
    bool valid(int row, int col) const;
    void changed(int row, int firstCol, int lastCol);

    std::vector<Row> m_rows;
    bool m_bulk = false;
};

} // namespace database
