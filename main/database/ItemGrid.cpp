#include "main/database/ItemGrid.h"

namespace database {

const QStringList& gridHeaders() {
    static const QStringList headers = {
        QStringLiteral("발행"),         QStringLiteral("TAG HD"),       QStringLiteral("TAG ID"),
        QStringLiteral("구입일련번호"), QStringLiteral("물품분류번호"), QStringLiteral("규격번호"),
        QStringLiteral("물품명"),       QStringLiteral("규격명"),       QStringLiteral("구입금액"),
        QStringLiteral("구입일자"),     QStringLiteral("취득부서"),     QStringLiteral("자치단체명"),
        QStringLiteral("정상발행"),     QStringLiteral("테스트발행"),   QStringLiteral("재발행")};
    return headers;
}

ItemGrid::ItemGrid(QObject* parent) : QAbstractTableModel(parent) {}

bool ItemGrid::valid(int row, int col) const {
    return row >= 1 && row <= rows() && col >= 1 && col <= kGridColumns;
}

void ItemGrid::changed(int row, int firstCol, int lastCol) {
    if (!m_bulk)
        Q_EMIT dataChanged(index(row - 1, firstCol - 1), index(row - 1, lastCol - 1));
}

void ItemGrid::clear() {
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    endResetModel();
}

int ItemGrid::addRow() {
    const int r = rows();
    if (!m_bulk)
        beginInsertRows({}, r, r);
    Row row;
    row.cells[0] = QStringLiteral("0");
    m_rows.push_back(std::move(row));
    if (!m_bulk)
        endInsertRows();
    return r + 1;
}

void ItemGrid::setRows(int count) {
    count = qMax(0, count);
    if (count == rows())
        return;
    beginResetModel();
    const int old = rows();
    m_rows.resize(static_cast<size_t>(count));
    for (int r = old; r < count; ++r)
        m_rows[static_cast<size_t>(r)].cells[0] = QStringLiteral("0");
    endResetModel();
}

QString ItemGrid::text(int row, int col) const {
    return valid(row, col) ? m_rows[static_cast<size_t>(row - 1)].cells[static_cast<size_t>(col - 1)]
                           : QString();
}

void ItemGrid::setText(int row, int col, const QString& text) {
    if (!valid(row, col))
        return;
    m_rows[static_cast<size_t>(row - 1)].cells[static_cast<size_t>(col - 1)] = text;
    changed(row, col, col);
}

bool ItemGrid::ticked(int row) const {
    return text(row, ColTick) == QLatin1String("1");
}

void ItemGrid::setTicked(int row, bool on) {
    setText(row, ColTick, on ? QStringLiteral("1") : QStringLiteral("0"));
}

void ItemGrid::setAllTicked(bool on) {
    for (Row& r : m_rows)
        r.cells[0] = on ? QStringLiteral("1") : QStringLiteral("0");
    if (!m_rows.empty() && !m_bulk)
        Q_EMIT dataChanged(index(0, 0), index(rows() - 1, 0));
}

int ItemGrid::tickedCount() const {
    int n = 0;
    for (const Row& r : m_rows)
        n += r.cells[0] == QLatin1String("1");
    return n;
}

QColor ItemGrid::background(int row, int col) const {
    if (!valid(row, col))
        return {};
    const Row& r = m_rows[static_cast<size_t>(row - 1)];
    return r.hasBackground ? QColor::fromRgb(r.background) : QColor();
}

void ItemGrid::setRowBackground(int row, const QColor& color) {
    if (!valid(row, 1))
        return;
    Row& r = m_rows[static_cast<size_t>(row - 1)];
    r.hasBackground = color.isValid();
    r.background = color.isValid() ? color.rgb() : 0;
    changed(row, 1, kGridColumns);
}

void ItemGrid::beginBulkLoad() {
    beginResetModel();
    m_bulk = true;
}

void ItemGrid::endBulkLoad() {
    m_bulk = false;
    endResetModel();
}

int ItemGrid::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows();
}

int ItemGrid::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kGridColumns;
}

QVariant ItemGrid::data(const QModelIndex& idx, int role) const {
    const int row = idx.row() + 1, col = idx.column() + 1;
    if (!idx.isValid() || !valid(row, col))
        return {};
    if (col == ColTick) {
        if (role == Qt::CheckStateRole)
            return ticked(row) ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return text(row, col);
    case Qt::BackgroundRole: {
        const QColor c = background(row, col);
        return c.isValid() ? QVariant(c) : QVariant();
    }
    default:
        return {};
    }
}

bool ItemGrid::setData(const QModelIndex& idx, const QVariant& value, int role) {
    const int row = idx.row() + 1, col = idx.column() + 1;
    if (!idx.isValid() || !valid(row, col))
        return false;
    if (col == ColTick && role == Qt::CheckStateRole) {
        setTicked(row, value.toInt() == Qt::Checked);
        return true;
    }
    return false;
}

Qt::ItemFlags ItemGrid::flags(const QModelIndex& idx) const {
    if (!idx.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (idx.column() == 0)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant ItemGrid::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < kGridColumns ? gridHeaders()[section] : QVariant();
    return section + 1;
}

} // namespace database
