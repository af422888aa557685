#include "main/spreadsheet/XlsWriter.h"

#include "platform/RuntimeError.h"

#include <QDate>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <QtEndian>
#include <optional>
#include <vector>

namespace spreadsheet {

namespace biff {

void put16(QByteArray& b, quint16 v) {
    char d[2];
    qToLittleEndian(v, d);
    b.append(d, 2);
}
void put32(QByteArray& b, quint32 v) {
    char d[4];
    qToLittleEndian(v, d);
    b.append(d, 4);
}
void record(QByteArray& s, quint16 type, const QByteArray& data) {
    put16(s, type);
    put16(s, static_cast<quint16>(data.size()));
    s.append(data);
}

QByteArray bofData(quint16 kind) {
    QByteArray d;
    put16(d, 0x0600); // BIFF8
    put16(d, kind);   // 0x0005 workbook globals, 0x0010 worksheet
    put16(d, 0x0DBB); // build
    put16(d, 0x07CC); // year
    put32(d, 0);      // file history
    put32(d, 0x06);   // lowest version that can read the file
    return d;
}

} // namespace biff

namespace {

using biff::put16;
using biff::put32;
using biff::record;

// ---------------------------------------------------------------------------
// Little-endian byte building.

void put8(QByteArray& b, quint8 v) {
    b.append(static_cast<char>(v));
}
void patch16(QByteArray& b, qsizetype at, quint16 v) {
    qToLittleEndian(v, b.data() + at);
}
void patch32(QByteArray& b, qsizetype at, quint32 v) {
    qToLittleEndian(v, b.data() + at);
}

// ---------------------------------------------------------------------------
// Workbook stream records.

constexpr quint16 kBof = 0x0809;
constexpr quint16 kEof = 0x000A;
constexpr quint16 kCodePage = 0x0042;
constexpr quint16 kWindow1 = 0x003D;
constexpr quint16 kFont = 0x0031;
constexpr quint16 kXf = 0x00E0;
constexpr quint16 kStyle = 0x0293;
constexpr quint16 kBoundSheet = 0x0085;
constexpr quint16 kSst = 0x00FC;
constexpr quint16 kContinue = 0x003C;
constexpr quint16 kExtSst = 0x00FF;
constexpr quint16 kDimensions = 0x0200;
constexpr quint16 kWindow2 = 0x023E;
constexpr quint16 kLabelSst = 0x00FD;
constexpr quint16 kNumber = 0x0203;
constexpr quint16 kFormat = 0x041E;

// Longest record body; longer data goes on in CONTINUE records.
constexpr int kMaxRecordData = 8224;
// A cell holds at most this many characters.
constexpr int kMaxCellChars = 32767;
// Number of style formats every workbook carries before its cell formats.
constexpr int kStyleXfCount = 15;
// The cell format of text cells: built-in number format 49, "@" (text), so
// that editing a cell in a spreadsheet keeps serial numbers as text.
constexpr quint16 kTextFormat = 49;
// Numbers: General; amounts: built-in format 3, "#,##0"; dates: the
// workbook's own format.
constexpr quint16 kAmountFormat = 3;
constexpr quint16 kDateFormat = 164;
// The cell formats (XF indexes) after the style formats, in that order.
constexpr quint16 kTextXf = kStyleXfCount;
constexpr quint16 kNumberXf = kStyleXfCount + 1;
constexpr quint16 kAmountXf = kStyleXfCount + 2;
constexpr quint16 kDateXf = kStyleXfCount + 3;

// Short Unicode string: 8-bit count, option byte, then the characters, as
// single bytes when all fit, else UTF-16LE.
QByteArray shortString(const QString& text) {
    QByteArray d;
    const QString t = text.left(255);
    bool compressed = true;
    for (QChar c : t)
        compressed = compressed && c.unicode() < 0x100;
    put8(d, static_cast<quint8>(t.size()));
    put8(d, compressed ? 0 : 1);
    for (QChar c : t) {
        if (compressed)
            put8(d, static_cast<quint8>(c.unicode()));
        else
            put16(d, c.unicode());
    }
    return d;
}

QByteArray font() {
    QByteArray d;
    put16(d, 200);    // 10 pt in twips
    put16(d, 0);      // no attributes
    put16(d, 0x7FFF); // automatic colour
    put16(d, 400);    // normal weight
    put16(d, 0);      // no super/subscript
    put8(d, 0);       // no underline
    put8(d, 0);       // family
    put8(d, 129);     // Hangul character set
    put8(d, 0);
    d.append(shortString(QStringLiteral("굴림")));
    return d;
}

QByteArray xf(bool style, quint16 format = kTextFormat) {
    QByteArray d;
    put16(d, 0);                       // font 0
    put16(d, style ? 0 : format);      // number format
    put16(d, style ? 0xFFF5 : 0x0001); // locked; style: parent none
    put8(d, 0x20);                     // general, bottom aligned
    put8(d, 0);                        // no rotation
    put8(d, 0);                        // no indent
    put8(d, style ? 0xF4 : 0x00);      // attributes defined here
    put32(d, 0);                       // no borders
    put32(d, 0);                       // border colours
    put16(d, 0x20C0);                  // pattern colours: automatic
    return d;
}

// The shared string table with its CONTINUE records, and the bucket index
// (EXTSST) that a spreadsheet application uses to find strings fast.
class SstWriter {
public:
    explicit SstWriter(QByteArray& stream) : m_s(stream) {}

    void write(const std::vector<QString>& strings, quint32 total) {
        m_bucket = qMax<int>(8, static_cast<int>(strings.size() / 128) + 1);
        begin(kSst);
        put(32, total);
        put(32, static_cast<quint32>(strings.size()));
        for (size_t i = 0; i < strings.size(); ++i)
            writeString(strings[i], i % static_cast<size_t>(m_bucket) == 0);
        end();

        QByteArray ext;
        put16(ext, static_cast<quint16>(m_bucket));
        for (const auto& [streamPos, recordOffset] : m_index) {
            put32(ext, streamPos);
            put16(ext, recordOffset);
            put16(ext, 0);
        }
        record(m_s, kExtSst, ext);
    }

private:
    void begin(quint16 type) {
        m_start = m_s.size();
        put16(m_s, type);
        put16(m_s, 0);
    }
    void end() { patch16(m_s, m_start + 2, static_cast<quint16>(m_s.size() - m_start - 4)); }
    int room() const { return kMaxRecordData - static_cast<int>(m_s.size() - m_start - 4); }
    void put(int bits, quint32 v) {
        if (bits == 8)
            put8(m_s, static_cast<quint8>(v));
        else if (bits == 16)
            put16(m_s, static_cast<quint16>(v));
        else
            put32(m_s, v);
    }

    void writeString(const QString& text, bool indexed) {
        QString t = text.left(kMaxCellChars);
        // The limit does not cut a surrogate pair in two.
        if (t.size() < text.size() && t.back().isHighSurrogate())
            t.chop(1);
        bool compressed = true;
        for (QChar c : t)
            compressed = compressed && c.unicode() < 0x100;
        const int unit = compressed ? 1 : 2;
        // The count and option byte never part from the first character.
        if (room() < 3 + (t.isEmpty() ? 0 : unit)) {
            end();
            begin(kContinue);
        }
        if (indexed)
            m_index.emplace_back(static_cast<quint32>(m_s.size()),
                                 static_cast<quint16>(m_s.size() - m_start));
        put(16, static_cast<quint32>(t.size()));
        put(8, compressed ? 0 : 1);
        qsizetype pos = 0;
        while (pos < t.size()) {
            qsizetype take = qMin<qsizetype>(room() / unit, t.size() - pos);
            // A surrogate pair stays in one record.
            if (take > 0 && pos + take < t.size() && t[pos + take - 1].isHighSurrogate())
                --take;
            if (take <= 0) {
                // Characters go on in a CONTINUE record that repeats the option byte.
                end();
                begin(kContinue);
                put(8, compressed ? 0 : 1);
                continue;
            }
            const qsizetype at = m_s.size();
            m_s.resize(at + take * unit);
            if (compressed) {
                for (qsizetype i = 0; i < take; ++i)
                    m_s[at + i] = static_cast<char>(t[pos + i].unicode());
            } else {
                qToLittleEndian<quint16>(t.utf16() + pos, take, m_s.data() + at);
            }
            pos += take;
        }
    }

    QByteArray& m_s;
    qsizetype m_start = 0;
    int m_bucket = 8;
    std::vector<std::pair<quint32, quint16>> m_index;
};

// The number a cell of a number, amount or date column stores, if its text
// reads as one; with the cell format it is shown in.
std::optional<std::pair<double, quint16>> numberOf(XlsColumn kind, const QString& text) {
    switch (kind) {
    case XlsColumn::Text:
        return std::nullopt;
    case XlsColumn::Number: {
        if (text.isEmpty() || text.size() > 17)
            return std::nullopt;
        for (QChar ch : text)
            if (!((ch >= u'0' && ch <= u'9') || ch == u'-' || ch == u'.'))
                return std::nullopt;
        bool ok = false;
        const double value = text.toDouble(&ok);
        return ok ? std::optional(std::pair{value, kNumberXf}) : std::nullopt;
    }
    case XlsColumn::Amount: {
        static const QRegularExpression amount(QStringLiteral("^-?[0-9]{1,3}(,?[0-9]{3})*(\\.[0-9]+)?$"));
        if (!amount.match(text).hasMatch())
            return std::nullopt;
        return std::pair{QString(text).remove(QLatin1Char(',')).toDouble(), kAmountXf};
    }
    case XlsColumn::Date: {
        const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        // Day 1 is 1900-01-01 counted with the phantom 1900-02-29: from
        // March 1900 on the serial is the day count from 1899-12-30.
        if (!date.isValid() || date < QDate(1900, 3, 1))
            return std::nullopt;
        return std::pair{static_cast<double>(QDate(1899, 12, 30).daysTo(date)), kDateXf};
    }
    }
    return std::nullopt;
}

QByteArray workbookStream(const QList<XlsSheet>& sheets) {
    // Collect the distinct texts in first-use order and each cell's index.
    QHash<QString, quint32> indexOf;
    std::vector<QString> strings;
    struct Cell {
        quint16 row;
        quint16 col;
        quint32 sst; // string index; kNumberCell for a number
        double number;
        quint16 xf;
    };
    constexpr quint32 kNumberCell = 0xFFFFFFFF;
    std::vector<std::vector<Cell>> cells(static_cast<size_t>(sheets.size()));
    quint32 textCells = 0;
    for (qsizetype si = 0; si < sheets.size(); ++si) {
        const XlsSheet& sheet = sheets[si];
        std::vector<Cell>& out = cells[static_cast<size_t>(si)];
        out.reserve(static_cast<size_t>(sheet.rows) * static_cast<size_t>(sheet.cols));
        for (int r = 0; r < sheet.rows; ++r) {
            for (int c = 0; c < sheet.cols; ++c) {
                const QString text = sheet.cell(r, c);
                if (text.isEmpty())
                    continue;
                const XlsColumn kind = c < static_cast<int>(sheet.columns.size())
                                           ? sheet.columns[static_cast<size_t>(c)]
                                           : XlsColumn::Text;
                if (const auto number = numberOf(kind, text)) {
                    out.push_back({static_cast<quint16>(r), static_cast<quint16>(c), kNumberCell,
                                   number->first, number->second});
                    continue;
                }
                auto it = indexOf.constFind(text);
                if (it == indexOf.constEnd()) {
                    it = indexOf.insert(text, static_cast<quint32>(strings.size()));
                    strings.push_back(text);
                }
                out.push_back({static_cast<quint16>(r), static_cast<quint16>(c), it.value(), 0, kTextXf});
                ++textCells;
            }
        }
    }

    QByteArray s;
    s.reserve(static_cast<qsizetype>(textCells * 14 + strings.size() * 24 + 4096));

    // Workbook globals.
    record(s, kBof, biff::bofData(0x0005));
    {
        QByteArray d;
        put16(d, 1200); // texts are UTF-16
        record(s, kCodePage, d);
    }
    {
        QByteArray d;
        put16(d, 0x0168);
        put16(d, 0x001E);
        put16(d, 0x3A5C);
        put16(d, 0x2328);
        put16(d, 0x0038); // scroll bars and sheet tabs shown
        put16(d, 0);      // active sheet
        put16(d, 0);      // first visible tab
        put16(d, 1);      // selected sheets
        put16(d, 0x0258); // tab bar width ratio
        record(s, kWindow1, d);
    }
    // Four fonts; the format skips font index 4.
    for (int i = 0; i < 4; ++i)
        record(s, kFont, font());
    {
        const QString pattern = QStringLiteral("yyyy-mm-dd");
        QByteArray d;
        put16(d, kDateFormat);
        put16(d, static_cast<quint16>(pattern.size()));
        put8(d, 0); // single-byte characters
        d.append(pattern.toLatin1());
        record(s, kFormat, d);
    }
    for (int i = 0; i < kStyleXfCount; ++i)
        record(s, kXf, xf(true));
    for (const quint16 format : {kTextFormat, quint16(0), kAmountFormat, kDateFormat})
        record(s, kXf, xf(false, format));
    {
        QByteArray d;
        put16(d, 0x8000); // built-in style on format 0
        put8(d, 0);       // "Normal"
        put8(d, 0xFF);
        record(s, kStyle, d);
    }
    std::vector<qsizetype> sheetPosAt;
    for (const XlsSheet& sheet : sheets) {
        sheetPosAt.push_back(s.size() + 4);
        QByteArray d;
        put32(d, 0); // patched below: where the sheet's BOF starts
        put8(d, 0);  // visible
        put8(d, 0);  // worksheet
        d.append(shortString(sheet.name.isEmpty() ? QStringLiteral("Sheet1") : sheet.name.left(31)));
        record(s, kBoundSheet, d);
    }
    SstWriter(s).write(strings, textCells);
    record(s, kEof, {});

    // The worksheets.
    for (qsizetype si = 0; si < sheets.size(); ++si) {
        const XlsSheet& sheet = sheets[si];
        patch32(s, sheetPosAt[static_cast<size_t>(si)], static_cast<quint32>(s.size()));
        record(s, kBof, biff::bofData(0x0010));
        {
            QByteArray d;
            put32(d, 0);
            put32(d, static_cast<quint32>(sheet.rows));
            put16(d, 0);
            put16(d, static_cast<quint16>(sheet.rows > 0 ? sheet.cols : 0));
            put16(d, 0);
            record(s, kDimensions, d);
        }
        {
            QByteArray d;
            put16(d, si == 0 ? 0x06B6 : 0x00B6); // grid lines, headers, zeros; the first active, selected
            put16(d, 0);
            put16(d, 0);
            put16(d, 0x0040); // automatic grid line colour
            put16(d, 0);
            put16(d, 0);
            put16(d, 0);
            put32(d, 0);
            record(s, kWindow2, d);
        }
        char buf[18];
        for (const Cell& c : cells[static_cast<size_t>(si)]) {
            // NUMBER (an IEEE double) or LABELSST (an index into the shared strings).
            const bool number = c.sst == kNumberCell;
            const quint16 size = number ? 14 : 10;
            qToLittleEndian<quint16>(number ? kNumber : kLabelSst, buf);
            qToLittleEndian<quint16>(size, buf + 2);
            qToLittleEndian<quint16>(c.row, buf + 4);
            qToLittleEndian<quint16>(c.col, buf + 6);
            qToLittleEndian<quint16>(c.xf, buf + 8);
            if (number)
                qToLittleEndian<double>(c.number, buf + 10);
            else
                qToLittleEndian<quint32>(c.sst, buf + 10);
            s.append(buf, 4 + size);
        }
        record(s, kEof, {});
    }
    return s;
}

// ---------------------------------------------------------------------------
// Compound document: 512-byte sectors, the workbook stream first, then the
// directory, the allocation table and, for files beyond about 7 MB, the
// sectors that list the allocation table's own sectors.

constexpr int kSector = 512;
constexpr quint32 kFree = 0xFFFFFFFF;
constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFatSector = 0xFFFFFFFD;
constexpr quint32 kDifSector = 0xFFFFFFFC;
constexpr quint32 kNoStream = 0xFFFFFFFF;
constexpr int kHeaderFatSlots = 109;
constexpr int kEntriesPerSector = kSector / 4;
// Streams shorter than this would belong in the small-block stream.
constexpr int kMiniStreamCutoff = 4096;

QByteArray directoryEntry(const QString& name, quint8 type, quint32 child, quint32 start, quint32 size) {
    QByteArray e(128, '\0');
    for (int i = 0; i < name.size(); ++i)
        qToLittleEndian<quint16>(name[i].unicode(), e.data() + 2 * i);
    qToLittleEndian<quint16>(static_cast<quint16>(name.isEmpty() ? 0 : (name.size() + 1) * 2),
                             e.data() + 0x40);
    e[0x42] = static_cast<char>(type);
    e[0x43] = 1; // black
    qToLittleEndian<quint32>(kNoStream, e.data() + 0x44);
    qToLittleEndian<quint32>(kNoStream, e.data() + 0x48);
    qToLittleEndian<quint32>(child, e.data() + 0x4C);
    qToLittleEndian<quint32>(start, e.data() + 0x74);
    qToLittleEndian<quint32>(size, e.data() + 0x78);
    return e;
}

QByteArray compoundDocument(QByteArray workbook) {
    if (workbook.size() < kMiniStreamCutoff)
        workbook.append(QByteArray(kMiniStreamCutoff - workbook.size(), '\0'));
    const quint32 streamSize = static_cast<quint32>(workbook.size());
    const quint32 w = static_cast<quint32>((workbook.size() + kSector - 1) / kSector);
    workbook.append(QByteArray(static_cast<qsizetype>(w) * kSector - workbook.size(), '\0'));

    // Table sectors needed for all sectors, the table's own included.
    quint32 fat = 0, difat = 0;
    for (;;) {
        const quint32 total = w + 1 + fat + difat;
        const quint32 f = (total + kEntriesPerSector - 1) / kEntriesPerSector;
        const quint32 d =
            f > kHeaderFatSlots ? (f - kHeaderFatSlots + kEntriesPerSector - 2) / (kEntriesPerSector - 1) : 0;
        if (f == fat && d == difat)
            break;
        fat = f;
        difat = d;
    }
    const quint32 dirSector = w;
    const quint32 firstFat = w + 1;
    const quint32 firstDifat = firstFat + fat;

    std::vector<quint32> table(static_cast<size_t>(fat) * kEntriesPerSector, kFree);
    for (quint32 i = 0; i < w; ++i)
        table[i] = i + 1 < w ? i + 1 : kEndOfChain;
    table[dirSector] = kEndOfChain;
    for (quint32 i = 0; i < fat; ++i)
        table[firstFat + i] = kFatSector;
    for (quint32 i = 0; i < difat; ++i)
        table[firstDifat + i] = kDifSector;

    QByteArray out;
    out.reserve(static_cast<qsizetype>(1 + w + 1 + fat + difat) * kSector);

    // Header.
    QByteArray h(kSector, '\0');
    static const unsigned char sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    memcpy(h.data(), sig, 8);
    patch16(h, 0x18, 0x003E);
    patch16(h, 0x1A, 0x0003);
    patch16(h, 0x1C, 0xFFFE);
    patch16(h, 0x1E, 9); // 512-byte sectors
    patch16(h, 0x20, 6); // 64-byte small blocks
    patch32(h, 0x2C, fat);
    patch32(h, 0x30, dirSector);
    patch32(h, 0x38, kMiniStreamCutoff);
    patch32(h, 0x3C, kEndOfChain);
    patch32(h, 0x40, 0);
    patch32(h, 0x44, difat ? firstDifat : kEndOfChain);
    patch32(h, 0x48, difat);
    for (int i = 0; i < kHeaderFatSlots; ++i)
        patch32(h, 0x4C + 4 * i, static_cast<quint32>(i) < fat ? firstFat + static_cast<quint32>(i) : kFree);
    out.append(h);

    out.append(workbook);

    QByteArray dir;
    dir.append(directoryEntry(QStringLiteral("Root Entry"), 5, 1, kEndOfChain, 0));
    dir.append(directoryEntry(QStringLiteral("Workbook"), 2, kNoStream, 0, streamSize));
    for (int i = 0; i < 2; ++i)
        dir.append(directoryEntry(QString(), 0, kNoStream, 0, 0));
    out.append(dir);

    QByteArray t;
    t.reserve(static_cast<qsizetype>(table.size()) * 4);
    for (quint32 v : table)
        put32(t, v);
    out.append(t);

    // Table sectors beyond the header's 109 slots, 127 per sector plus a link.
    quint32 next = kHeaderFatSlots;
    for (quint32 d = 0; d < difat; ++d) {
        QByteArray s;
        for (int i = 0; i < kEntriesPerSector - 1; ++i, ++next)
            put32(s, next < fat ? firstFat + next : kFree);
        put32(s, d + 1 < difat ? firstDifat + d + 1 : kEndOfChain);
        out.append(s);
    }
    return out;
}

} // namespace

QByteArray xlsBytes(const QList<XlsSheet>& sheets) {
    const QLocale english(QLocale::English);
    for (const XlsSheet& sheet : sheets) {
        if (sheet.rows > kXlsMaxRows)
            throw platform::RuntimeError(
                QStringLiteral("An .xls worksheet holds at most %1 rows; %2 rows were to be written.")
                    .arg(english.toString(kXlsMaxRows), english.toString(sheet.rows)));
        if (sheet.cols > kXlsMaxColumns)
            throw platform::RuntimeError(
                QStringLiteral("An .xls worksheet holds at most %1 columns; %2 columns were to be written.")
                    .arg(kXlsMaxColumns)
                    .arg(sheet.cols));
    }
    QList<XlsSheet> bounded = sheets;
    for (XlsSheet& sheet : bounded) {
        sheet.rows = qMax(0, sheet.rows);
        sheet.cols = qMax(0, sheet.cols);
    }
    if (bounded.isEmpty())
        bounded.append(XlsSheet{});
    return compoundDocument(workbookStream(bounded));
}

QByteArray xlsCompoundFile(const QByteArray& workbookStream) {
    return compoundDocument(workbookStream);
}

XlsColumns numberColumns(std::initializer_list<int> positions) {
    XlsColumns columns;
    for (const int p : positions) {
        if (p >= static_cast<int>(columns.size()))
            columns.resize(static_cast<size_t>(p) + 1, XlsColumn::Text);
        columns[static_cast<size_t>(p)] = XlsColumn::Number;
    }
    return columns;
}

QByteArray xlsBytes(int rows, int cols, const XlsCellText& cell, const XlsColumns& columns) {
    return xlsBytes({XlsSheet{QStringLiteral("Sheet1"), rows, cols, cell, columns}});
}

bool writeXls(const QString& path, const QList<XlsSheet>& sheets, QString* error) {
    try {
        const QByteArray bytes = xlsBytes(sheets);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            throw platform::RuntimeError(file.errorString());
        if (file.write(bytes) != bytes.size() || !file.commit())
            throw platform::RuntimeError(file.errorString());
        return true;
    } catch (const platform::RuntimeError& e) {
        if (error)
            *error = e.text();
        return false;
    } catch (const std::bad_alloc&) {
        if (error)
            *error = QStringLiteral("Out of memory");
        return false;
    }
}

bool writeXls(const QString& path, int rows, int cols, const XlsCellText& cell, QString* error,
              const XlsColumns& columns) {
    return writeXls(path, {XlsSheet{QStringLiteral("Sheet1"), rows, cols, cell, columns}}, error);
}

} // namespace spreadsheet
