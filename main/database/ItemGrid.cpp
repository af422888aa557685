#include "main/database/ItemGrid.h"

#include <cstring>

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

namespace {

constexpr int kBackgroundBit = 1 << 12;
constexpr quint16 kOtherCode = 3;

// The place of a name column in Row::names, -1 for the other columns.
int nameSlot(int col) {
    switch (col) {
    case ColTagHd:
        return 0;
    case ColCatNo:
        return 1;
    case ColSizNo:
        return 2;
    case ColCatNm:
        return 3;
    case ColSizNm:
        return 4;
    case ColDeptNm:
        return 5;
    case ColOrganNm:
        return 6;
    default:
        return -1;
    }
}

// The digits of "#,##0" into buf (at least 27 chars); returns the length.
int groupedDigits(qint64 n, char* buf) {
    char digits[24];
    int len = 0;
    quint64 u = n < 0 ? 0 - static_cast<quint64>(n) : static_cast<quint64>(n);
    do {
        digits[len++] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u != 0);
    int out = 0;
    if (n < 0)
        buf[out++] = '-';
    for (int i = len - 1; i >= 0; --i) {
        buf[out++] = digits[i];
        if (i > 0 && i % 3 == 0)
            buf[out++] = ',';
    }
    return out;
}

// yyyymmdd as "yyyy-mm-dd" into buf (10 chars).
void dateDigits(quint32 ymd, char* buf) {
    const char* pattern = "####-##-##";
    for (int i = 9; i >= 0; --i) {
        if (pattern[i] == '#') {
            buf[i] = static_cast<char>('0' + ymd % 10);
            ymd /= 10;
        } else {
            buf[i] = '-';
        }
    }
}

// The number whose "#,##0" form is exactly text, if there is one.
bool parseGrouped(const QString& text, qint64& n) {
    if (text.isEmpty() || text.size() > 26)
        return false;
    qint64 v = 0;
    const bool negative = text[0] == u'-';
    for (qsizetype i = negative ? 1 : 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u',')
            continue;
        if (c < u'0' || c > u'9' || v > (Q_INT64_C(999999999999999999) - 9) / 10)
            return false;
        v = v * 10 + (c.unicode() - u'0');
    }
    n = negative ? -v : v;
    char buf[32];
    const int len = groupedDigits(n, buf);
    return text == QLatin1StringView(buf, len);
}

// The yyyymmdd of a text of the form "yyyy-mm-dd" whose first digit is not 0.
bool parseDate(const QString& text, quint32& ymd) {
    if (text.size() != 10 || text[0] == u'0')
        return false;
    quint32 v = 0;
    for (qsizetype i = 0; i < 10; ++i) {
        const QChar c = text[i];
        if (i == 4 || i == 7) {
            if (c != u'-')
                return false;
        } else if (c < u'0' || c > u'9') {
            return false;
        } else {
            v = v * 10 + (c.unicode() - u'0');
        }
    }
    ymd = v;
    return true;
}

QString tickText(quint16 code) {
    return code == 1 ? QStringLiteral("1") : code == 0 ? QStringLiteral("0") : QString();
}

QString markText(quint16 code) {
    return code == 1 ? QStringLiteral("N") : code == 2 ? QStringLiteral("Y") : QString();
}

} // namespace

QString groupedNumber(qint64 n) {
    char buf[32];
    return QString::fromLatin1(buf, groupedDigits(n, buf));
}

ItemGrid::ItemGrid(QObject* parent) : QAbstractTableModel(parent) {}

bool ItemGrid::valid(int row, int col) const {
    return row >= 1 && row <= rows() && col >= 1 && col <= kGridColumns;
}

void ItemGrid::changed(int row, int firstCol, int lastCol) {
    if (!m_bulk)
        Q_EMIT dataChanged(index(row - 1, firstCol - 1), index(row - 1, lastCol - 1));
}

int ItemGrid::codeShift(int col) {
    switch (col) {
    case ColTick:
        return 0;
    case ColIssued:
        return 2;
    case ColTestIssued:
        return 4;
    case ColReissued:
        return 6;
    case ColAmount:
        return 8;
    case ColPurcYmd:
        return 10;
    default:
        return -1;
    }
}

void ItemGrid::clear() {
    beginResetModel();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_store.clear();
    m_store.shrink_to_fit();
    m_names.assign(1, QString());
    m_namesUtf8.assign(1, QByteArray());
    m_nameIndex.clear();
    m_other.clear();
    endResetModel();
}

void ItemGrid::reserveRows(int count) {
    const size_t n = static_cast<size_t>(qMax(0, count));
    m_rows.reserve(n);
    // A serial number of a dozen characters a row, most rows without a tag.
    m_store.reserve(n * 12);
}

int ItemGrid::addRow() {
    const int r = rows();
    if (!m_bulk)
        beginInsertRows({}, r, r);
    m_rows.emplace_back();
    if (!m_bulk)
        endInsertRows();
    return r + 1;
}

void ItemGrid::setRows(int count) {
    count = qMax(0, count);
    if (count == rows())
        return;
    beginResetModel();
    if (count < rows())
        m_other.removeIf([count](const auto& it) { return (it.key() >> 4) >= static_cast<quint64>(count); });
    m_rows.resize(static_cast<size_t>(count));
    endResetModel();
}

quint32 ItemGrid::nameIndex(const QString& text) {
    if (text.isEmpty())
        return 0;
    auto it = m_nameIndex.constFind(text);
    if (it != m_nameIndex.constEnd())
        return *it;
    const quint32 n = static_cast<quint32>(m_names.size());
    m_names.push_back(text);
    m_namesUtf8.push_back(text.toUtf8());
    m_nameIndex.insert(text, n);
    return n;
}

quint32 ItemGrid::storeText(const QString& text) {
    if (text.isEmpty())
        return 0;
    if (text.size() > 255 || m_store.size() >= kOther - 300)
        return kOther;
    for (QChar c : text)
        if (c.unicode() >= 0x80)
            return kOther;
    const quint32 at = static_cast<quint32>(m_store.size());
    m_store.push_back(static_cast<char>(text.size()));
    for (QChar c : text)
        m_store.push_back(static_cast<char>(c.unicode()));
    return at + 1;
}

void ItemGrid::setOther(int row, int col, const QString& text) {
    m_other.insert(static_cast<quint64>(row - 1) << 4 | static_cast<quint64>(col), text);
}

QString ItemGrid::other(int row, int col) const {
    return m_other.value(static_cast<quint64>(row - 1) << 4 | static_cast<quint64>(col));
}

QString ItemGrid::text(int row, int col) const {
    if (!valid(row, col))
        return {};
    const Row& r = m_rows[static_cast<size_t>(row - 1)];
    const int slot = nameSlot(col);
    if (slot >= 0)
        return m_names[r.names[slot]];
    if (col == ColTagId || col == ColPurcSno) {
        const quint32 ref = col == ColTagId ? r.tagId : r.purcSno;
        if (ref == kOther)
            return other(row, col);
        if (ref == 0)
            return {};
        const char* p = m_store.data() + ref - 1;
        return QString::fromLatin1(p + 1, static_cast<unsigned char>(*p));
    }
    const int shift = codeShift(col);
    const quint16 code = (r.codes >> shift) & 3;
    if (code == kOtherCode)
        return other(row, col);
    if (col == ColTick)
        return tickText(code);
    if (col == ColAmount)
        return code ? groupedNumber(r.amount) : QString();
    if (col == ColPurcYmd) {
        if (!code)
            return {};
        char buf[10];
        dateDigits(r.date, buf);
        return QString::fromLatin1(buf, 10);
    }
    return markText(code);
}

void ItemGrid::appendUtf8(int row, int col, std::string& out) const {
    if (!valid(row, col))
        return;
    const auto append = [&out](const QByteArray& bytes) {
        out.append(bytes.constData(), static_cast<size_t>(bytes.size()));
    };
    const Row& r = m_rows[static_cast<size_t>(row - 1)];
    const int slot = nameSlot(col);
    if (slot >= 0) {
        append(m_namesUtf8[r.names[slot]]);
        return;
    }
    const quint16 code = codeShift(col) >= 0 ? (r.codes >> codeShift(col)) & 3 : 0;
    const quint32 ref = col == ColTagId ? r.tagId : col == ColPurcSno ? r.purcSno : 0;
    if (ref == kOther || code == kOtherCode) {
        append(other(row, col).toUtf8());
    } else if (ref != 0) {
        const char* p = m_store.data() + ref - 1;
        out.append(p + 1, static_cast<unsigned char>(*p));
    } else if (col == ColAmount && code) {
        char buf[32];
        out.append(buf, static_cast<size_t>(groupedDigits(r.amount, buf)));
    } else if (col == ColPurcYmd && code) {
        char buf[10];
        dateDigits(r.date, buf);
        out.append(buf, 10);
    } else if (col == ColTick) {
        out += code == 1 ? "1" : code == 0 ? "0" : "";
    } else if (col >= ColIssued) {
        out += code == 1 ? "N" : code == 2 ? "Y" : "";
    }
}

void ItemGrid::setText(int row, int col, const QString& text) {
    if (!valid(row, col))
        return;
    Row& r = m_rows[static_cast<size_t>(row - 1)];
    if (!m_other.isEmpty())
        m_other.remove(static_cast<quint64>(row - 1) << 4 | static_cast<quint64>(col));
    const int slot = nameSlot(col);
    if (slot >= 0) {
        r.names[slot] = nameIndex(text);
    } else if (col == ColTagId || col == ColPurcSno) {
        const quint32 ref = storeText(text);
        (col == ColTagId ? r.tagId : r.purcSno) = ref;
        if (ref == kOther)
            setOther(row, col, text);
    } else {
        quint16 code = kOtherCode;
        if (col == ColTick)
            code = text == QLatin1String("0") ? 0 : text == QLatin1String("1") ? 1 : text.isEmpty() ? 2 : 3;
        else if (col == ColAmount)
            code = text.isEmpty() ? 0 : parseGrouped(text, r.amount) ? 1 : 3;
        else if (col == ColPurcYmd)
            code = text.isEmpty() ? 0 : parseDate(text, r.date) ? 1 : 3;
        else
            code = text.isEmpty() ? 0 : text == QLatin1String("N") ? 1 : text == QLatin1String("Y") ? 2 : 3;
        const int shift = codeShift(col);
        r.codes = static_cast<quint16>((r.codes & ~(3 << shift)) | (code << shift));
        if (code == kOtherCode)
            setOther(row, col, text);
    }
    changed(row, col, col);
}

void ItemGrid::setNumber(int row, int col, qint64 value) {
    if (!valid(row, col))
        return;
    Row& r = m_rows[static_cast<size_t>(row - 1)];
    m_other.remove(static_cast<quint64>(row - 1) << 4 | static_cast<quint64>(col));
    if (col == ColAmount)
        r.amount = value;
    else
        r.date = static_cast<quint32>(value);
    const int shift = codeShift(col);
    r.codes = static_cast<quint16>((r.codes & ~(3 << shift)) | (1 << shift));
    changed(row, col, col);
}

void ItemGrid::setAmount(int row, qint64 amount) {
    setNumber(row, ColAmount, amount);
}

void ItemGrid::setDate(int row, quint32 yyyymmdd) {
    if (yyyymmdd >= 10000000 && yyyymmdd <= 99999999)
        setNumber(row, ColPurcYmd, yyyymmdd);
}

bool ItemGrid::ticked(int row) const {
    return valid(row, ColTick) && (m_rows[static_cast<size_t>(row - 1)].codes & 3) == 1;
}

void ItemGrid::setTicked(int row, bool on) {
    setText(row, ColTick, on ? QStringLiteral("1") : QStringLiteral("0"));
}

void ItemGrid::setAllTicked(bool on) {
    for (size_t i = 0; i < m_rows.size(); ++i) {
        Row& r = m_rows[i];
        if ((r.codes & 3) == kOtherCode)
            m_other.remove(static_cast<quint64>(i) << 4 | ColTick);
        r.codes = static_cast<quint16>((r.codes & ~3) | (on ? 1 : 0));
    }
    if (!m_rows.empty() && !m_bulk)
        Q_EMIT dataChanged(index(0, 0), index(rows() - 1, 0));
}

int ItemGrid::tickedCount() const {
    int n = 0;
    for (const Row& r : m_rows)
        n += (r.codes & 3) == 1;
    return n;
}

QColor ItemGrid::background(int row, int col) const {
    if (!valid(row, col))
        return {};
    const Row& r = m_rows[static_cast<size_t>(row - 1)];
    return (r.codes & kBackgroundBit) ? QColor::fromRgb(r.background) : QColor();
}

void ItemGrid::setRowBackground(int row, const QColor& color) {
    if (!valid(row, 1))
        return;
    Row& r = m_rows[static_cast<size_t>(row - 1)];
    r.codes = static_cast<quint16>(color.isValid() ? r.codes | kBackgroundBit : r.codes & ~kBackgroundBit);
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
