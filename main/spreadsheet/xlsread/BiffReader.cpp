#include "BiffReader.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace xlsread {

namespace {

using Bytes = std::vector<unsigned char>;

std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// Larger files go to freexl, which reads them from the disk as it goes.
constexpr long kMaxFileBytes = 200L << 20;

bool readFile(const char* path, Bytes& out) {
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = size >= 0 && size <= kMaxFileBytes && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        out.resize(static_cast<size_t>(size));
        ok = std::fread(out.data(), 1, out.size(), f) == out.size();
    }
    std::fclose(f);
    return ok;
}

// ---------------------------------------------------------------------------
// Compound file: the "Workbook" stream, when it lies in the regular sectors.

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;

class CompoundFile {
public:
    explicit CompoundFile(const Bytes& f) : m_f(f) {}

    bool workbook(Bytes& out) {
        static const unsigned char sig[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
        if (m_f.size() < 512 || std::memcmp(m_f.data(), sig, 8) != 0)
            return false;
        const unsigned shift = le16(&m_f[0x1E]);
        if (shift != 9 && shift != 12)
            return false;
        m_sector = size_t(1) << shift;
        if (m_f.size() < 2 * m_sector)
            return false;
        m_sectors = m_f.size() / m_sector - 1;
        if (!readTable())
            return false;
        Bytes dir;
        if (!chain(le32(&m_f[0x30]), SIZE_MAX, dir))
            return false;
        const std::uint32_t cutoff = le32(&m_f[0x38]);
        for (size_t e = 0; e + 128 <= dir.size(); e += 128) {
            const unsigned char* d = &dir[e];
            static const char name[] = "Workbook";
            bool match = le16(d + 0x40) == sizeof name * 2 && d[0x42] == 2;
            for (size_t i = 0; match && i < sizeof name; ++i)
                match = le16(d + 2 * i) == static_cast<unsigned char>(name[i]);
            if (!match)
                continue;
            const std::uint32_t size = le32(d + 0x78);
            // Small streams live in the mini stream: freexl reads those.
            return size >= cutoff && chain(le32(d + 0x74), size, out) && out.size() == size;
        }
        return false;
    }

private:
    bool sectorOk(std::uint32_t s) const { return s < m_sectors; }
    const unsigned char* sector(std::uint32_t s) const { return &m_f[(size_t(s) + 1) * m_sector]; }

    bool readTable() {
        const std::uint32_t count = le32(&m_f[0x2C]);
        if (count > m_sectors)
            return false;
        std::vector<std::uint32_t> ids;
        for (std::uint32_t i = 0; i < 109 && ids.size() < count; ++i)
            ids.push_back(le32(&m_f[0x4C + 4 * i]));
        std::uint32_t next = le32(&m_f[0x44]);
        const size_t perSector = m_sector / 4;
        for (size_t steps = 0; ids.size() < count; ++steps) {
            if (!sectorOk(next) || steps > m_sectors)
                return false;
            const unsigned char* s = sector(next);
            for (size_t i = 0; i + 1 < perSector && ids.size() < count; ++i)
                ids.push_back(le32(s + 4 * i));
            next = le32(s + 4 * (perSector - 1));
        }
        m_table.reserve(ids.size() * perSector);
        for (const std::uint32_t id : ids) {
            if (!sectorOk(id))
                return false;
            const unsigned char* s = sector(id);
            for (size_t i = 0; i < perSector; ++i)
                m_table.push_back(le32(s + 4 * i));
        }
        return true;
    }

    // Follows a sector chain for at most `limit` bytes; a chain that loops
    // or leaves the file is refused.
    bool chain(std::uint32_t s, size_t limit, Bytes& out) const {
        for (size_t steps = 0; out.size() < limit && s != kEndOfChain; ++steps) {
            if (!sectorOk(s) || steps >= m_sectors)
                return false;
            const size_t take = std::min(m_sector, limit - out.size());
            out.insert(out.end(), sector(s), sector(s) + take);
            s = s < m_table.size() ? m_table[s] : kEndOfChain - 1;
        }
        return true;
    }

    const Bytes& m_f;
    size_t m_sector = 512;
    size_t m_sectors = 0;
    std::vector<std::uint32_t> m_table;
};

// ---------------------------------------------------------------------------
// Workbook stream records.

constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kSst = 0x00FC;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kFormat = 0x041E;
constexpr std::uint16_t kXf = 0x00E0;
constexpr std::uint16_t kDateMode = 0x0022;
constexpr std::uint16_t kDimensions = 0x0200;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kBoolErr = 0x0205;
constexpr std::uint16_t kRk = 0x027E;
constexpr std::uint16_t kMulRk = 0x00BD;
constexpr std::uint16_t kLabel = 0x0204;
constexpr std::uint16_t kLabelSst = 0x00FD;
constexpr std::uint16_t kMaxRecord = 8224;

struct Record {
    std::uint16_t type;
    std::uint32_t offset; // of its header in the stream
    const unsigned char* data;
    std::uint16_t size;
};

// The records one by one as freexl sees them: up to a zero record, a record
// running past the stream's end or one longer than the format allows.
class Records {
public:
    explicit Records(const Bytes& s) : m_s(s) {}

    bool next(Record& rec) {
        if (m_pos + 4 > m_s.size())
            return false;
        const std::uint16_t type = le16(&m_s[m_pos]);
        const std::uint16_t size = le16(&m_s[m_pos + 2]);
        if ((type == 0 && size == 0) || size > kMaxRecord || m_pos + 4 + size > m_s.size())
            return false;
        rec = {type, static_cast<std::uint32_t>(m_pos), m_s.data() + m_pos + 4, size};
        m_pos += 4 + size;
        return true;
    }

private:
    const Bytes& m_s;
    size_t m_pos = 0;
};

// UTF-16 to UTF-8; false for a lone surrogate, which freexl refuses too.
bool toUtf8(const std::u16string& u, std::string& out) {
    out.clear();
    out.reserve(u.size() * 3);
    for (size_t i = 0; i < u.size(); ++i) {
        std::uint32_t c = u[i];
        if (c >= 0xD800 && c < 0xDC00) {
            if (i + 1 >= u.size() || u[i + 1] < 0xDC00 || u[i + 1] >= 0xE000)
                return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (u[++i] - 0xDC00);
        } else if (c >= 0xDC00 && c < 0xE000) {
            return false;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    // Cell texts end at a NUL, as freexl hands them out.
    out.resize(std::strlen(out.c_str()));
    return true;
}

// ---------------------------------------------------------------------------
// The shared string table: the SST record and the CONTINUE records after it
// read as one. Characters going on in the next record find it starting with
// a fresh option byte (compressed or 16-bit); the count, options and the
// rich-text and phonetic data after the characters go on without one.

struct Sst {
    bool complete = false;     // every string was there
    bool freexlReadsIt = true; // every string read lies as freexl expects
    bool valid = true;         // every string is proper UTF-16
    std::vector<std::string> strings;
};

Sst readSst(const std::vector<Record>& recs) {
    Sst out;
    if (recs.empty() || recs[0].size < 8)
        return out;
    const std::uint32_t count = le32(recs[0].data + 4);
    if (count > 1024 * 1024) // freexl gives up on these as too large
        return out;
    size_t r = 0, p = 8;
    int crossed = 0;
    const auto used = [&] { return p >= recs[r].size; };
    // Steps into the next record; false at the table's end.
    const auto next = [&] {
        if (r + 1 >= recs.size())
            return false;
        ++r;
        p = 0;
        ++crossed;
        return true;
    };
    const auto take = [&](unsigned char& b) {
        while (used())
            if (!next())
                return false;
        b = recs[r].data[p++];
        return true;
    };
    std::u16string units;
    std::string text;
    out.strings.reserve(std::min<std::uint32_t>(count, 65536));
    for (std::uint32_t i = 0; i < count; ++i) {
        while (used()) // a string may start the next record
            if (!next())
                return out;
        crossed = 0;
        unsigned char h[7] = {};
        if (!take(h[0]) || !take(h[1]) || !take(h[2]))
            return out;
        const unsigned length = h[0] | h[1] << 8;
        const unsigned char options = h[2];
        std::uint64_t extra = 0;
        if (options & 0x08) {
            if (!take(h[3]) || !take(h[4]))
                return out;
            extra += 4ULL * (h[3] | h[4] << 8);
        }
        if (options & 0x04) {
            unsigned char e[4];
            for (unsigned char& b : e)
                if (!take(b))
                    return out;
            extra += le32(e);
        }
        const bool headerSplit = crossed > 0;

        crossed = 0;
        bool wide = options & 0x01;
        bool half = false;
        unsigned low = 0;
        units.clear();
        while (units.size() < length) {
            if (used()) {
                if (!next() || used())
                    return out;
                wide = recs[r].data[p++] & 0x01;
                if (crossed > 1) // characters over three records or more
                    out.freexlReadsIt = false;
                if (half && !wide)
                    return out;
                continue;
            }
            const unsigned char c = recs[r].data[p++];
            if (!wide) {
                units.push_back(c);
            } else if (half) {
                units.push_back(static_cast<char16_t>(low | c << 8));
                half = false;
            } else if (!used()) {
                units.push_back(static_cast<char16_t>(c | recs[r].data[p++] << 8));
            } else {
                // The two bytes of a character on both sides of a record end.
                low = c;
                half = true;
                out.freexlReadsIt = false;
            }
        }
        const int charSplits = crossed;

        crossed = 0;
        while (extra > 0) {
            while (used())
                if (!next())
                    return out;
            const size_t n = static_cast<size_t>(std::min<std::uint64_t>(extra, recs[r].size - p));
            p += n;
            extra -= n;
        }
        const int extraSplits = crossed;

        // freexl reads a string right when it is not empty, its count and
        // options lie in one record and either its characters go on into one
        // more record at most that also holds the rest of it, or only its
        // rich-text and phonetic data go on, ending before that record does.
        if (length == 0 || headerSplit || (charSplits == 1 && extraSplits > 0) || extraSplits > 1 ||
            (extraSplits == 1 && used()))
            out.freexlReadsIt = false;
        if (!toUtf8(units, text))
            out.valid = false;
        out.strings.push_back(text);
    }
    out.complete = true;
    return out;
}

// ---------------------------------------------------------------------------
// Cells, as freexl gives them.

// A BIFF8 Unicode string of `length` characters at pos; false when it runs
// past the record.
bool unicodeString(const Record& rec, size_t pos, unsigned length, std::string& text) {
    if (pos >= rec.size)
        return false;
    const unsigned char options = rec.data[pos++];
    pos += (options & 0x08 ? 2 : 0) + (options & 0x04 ? 4 : 0);
    const size_t unit = options & 0x01 ? 2 : 1;
    if (pos + length * unit > rec.size)
        return false;
    std::u16string u(length, u'\0');
    for (unsigned i = 0; i < length; ++i)
        u[i] = unit == 1 ? rec.data[pos + i] : static_cast<char16_t>(le16(rec.data + pos + 2 * i));
    return toUtf8(u, text);
}

enum class Kind { Number, Date, DateTime, Time };

// freexl's reading of a number format: its letters decide.
Kind formatKind(const std::string& f) {
    int y = 0, m = 0, d = 0, h = 0, s = 0;
    for (const char c : f) {
        switch (c | 0x20) {
        case 'y':
            ++y;
            break;
        case 'm':
            ++m;
            break;
        case 'd':
            ++d;
            break;
        case 'h':
            ++h;
            break;
        case 's':
            ++s;
            break;
        default:
            break;
        }
    }
    if (y && m && d && h)
        return Kind::DateTime;
    if ((y && m) || (m && d))
        return Kind::Date;
    if ((h && m) || (m && s))
        return Kind::Time;
    return Kind::Number;
}

// Days on from the workbook's first day with every fourth year a leap year
// (so 1900 has its 29 February), counted from 1 as freexl does; through the
// day numbers of that calendar rather than day by day.
std::string dateText(bool from1904, int count) {
    long long y = from1904 ? 1904 : 1900, m = 1, d = from1904 ? 2 : 1;
    if (count > 1) {
        const long long a = (14 - m) / 12, yy = y + 4800 - a, mm = m + 12 * a - 3;
        const long long day = d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - 32083 + (count - 1);
        const long long c = day + 32082, dd = (4 * c + 3) / 1461, e = c - 1461 * dd / 4,
                        mo = (5 * e + 2) / 153;
        d = e - (153 * mo + 2) / 5 + 1;
        m = mo + 3 - 12 * (mo / 10);
        y = dd - 4800 + mo / 10;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld", y, m, d);
    return buf;
}

// Seconds in a whole number of the width freexl counts them in, so that a
// fraction far out of range comes out as it does there.
std::string timeText(double fraction) {
    int secs = static_cast<int>(static_cast<std::uint32_t>(std::lround(fraction * (24 * 60 * 60))));
    const int h = secs / 3600;
    secs -= h * 3600;
    const int m = secs / 60;
    secs -= m * 60;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, m, secs);
    return buf;
}

int wholeDays(double v) {
    const double f = std::floor(v);
    return f >= INT_MIN && f <= INT_MAX ? static_cast<int>(f) : INT_MIN;
}

std::string numberText(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", v);
    return buf;
}

class SheetReader {
public:
    SheetReader(std::vector<std::string> strings, bool from1904, const std::vector<std::uint16_t>& xfFormats,
                const std::vector<std::pair<std::uint16_t, Kind>>& formats)
        : m_1904(from1904), m_xf(xfFormats), m_formats(formats) {
        m_sheet.strings = std::move(strings);
    }

    // false: the record is damaged.
    bool record(const Record& rec) {
        const unsigned char* d = rec.data;
        switch (rec.type) {
        case kDimensions:
            if (rec.size < 12)
                return false;
            m_sheet.rows = le32(d + 4);
            m_sheet.cols = le16(d + 10);
            // Cells before it are dropped, as freexl drops them.
            m_sheet.cells.clear();
            m_sheet.texts.clear();
            m_dimensions = true;
            return true;
        case kNumber:
            return rec.size >= 14 && number(le16(d), le16(d + 2), le16(d + 4), d + 6);
        case kRk:
            return rec.size >= 10 && rk(le16(d), le16(d + 2), le16(d + 4), d + 6);
        case kMulRk: {
            if (rec.size < 6)
                return false;
            const std::uint16_t row = le16(d);
            std::uint16_t col = le16(d + 2);
            if (!m_dimensions)
                grow(row, col);
            for (size_t off = 4; off + 6 < rec.size; off += 6, ++col)
                if (!rk(row, col, le16(d + off), d + off + 2, false))
                    return false;
            return true;
        }
        case kBoolErr:
            return rec.size >= 7 && put(le16(d), le16(d + 2), d[6] ? "1" : "0");
        case kLabel: {
            if (rec.size < 8)
                return false;
            std::string text;
            return unicodeString(rec, 8, le16(d + 6), text) && put(le16(d), le16(d + 2), text);
        }
        case kLabelSst: {
            if (rec.size < 10)
                return false;
            const std::uint32_t index = le32(d + 6);
            return index < m_sheet.strings.size() && put(le16(d), le16(d + 2), {}, true, index);
        }
        default:
            return true;
        }
    }

    // The sheet when all its records are read; problem set when it is damaged.
    OwnSheet finish() {
        auto& cells = m_sheet.cells;
        if (!m_dimensions) {
            // No DIMENSIONS record: as far as the cells go.
            m_sheet.rows = m_maxRow + 1;
            m_sheet.cols = static_cast<std::uint16_t>(m_maxCol + 1);
            for (const OwnSheet::Cell& c : cells)
                if (!inside(static_cast<std::uint32_t>(c.key >> 16), c.key & 0xFFFF))
                    return damaged();
        }
        // freexl would hold every cell of the sheet at 16 bytes each.
        if (16.0 * m_sheet.rows * m_sheet.cols > 256.0 * 1024 * 1024) {
            OwnSheet s;
            s.own = true;
            s.problem = "too-large";
            return s;
        }
        // Row by row; of two records for one cell the later counts.
        const auto byKey = [](const OwnSheet::Cell& a, const OwnSheet::Cell& b) { return a.key < b.key; };
        if (!std::is_sorted(cells.begin(), cells.end(), byKey))
            std::stable_sort(cells.begin(), cells.end(), byKey);
        size_t kept = 0;
        for (size_t i = 0; i < cells.size(); ++i) {
            if (kept > 0 && cells[kept - 1].key == cells[i].key)
                --kept;
            cells[kept++] = cells[i];
        }
        cells.resize(kept);
        m_sheet.own = true;
        return std::move(m_sheet);
    }

    OwnSheet damaged() {
        OwnSheet s;
        s.own = true;
        s.problem = "damaged";
        return s;
    }

private:
    Kind kindOf(std::uint16_t xf) const {
        if (xf >= m_xf.size())
            return Kind::Number;
        const std::uint16_t f = m_xf[xf];
        if (f >= 14 && f <= 17)
            return Kind::Date;
        if ((f >= 18 && f <= 21) || (f >= 45 && f <= 47))
            return Kind::Time;
        if (f == 22)
            return Kind::DateTime;
        for (const auto& [index, kind] : m_formats)
            if (index == f)
                return kind;
        return Kind::Number;
    }

    bool number(std::uint16_t row, std::uint16_t col, std::uint16_t xf, const unsigned char* p) {
        double v;
        std::uint64_t bits = std::uint64_t(le32(p + 4)) << 32 | le32(p);
        std::memcpy(&v, &bits, 8);
        return put(row, col, doubleText(xf, v));
    }

    bool rk(std::uint16_t row, std::uint16_t col, std::uint16_t xf, const unsigned char* p,
            bool undeclared = true) {
        const std::uint32_t raw = le32(p);
        if ((raw & 0x03) == 0x02) {
            const int n = static_cast<std::int32_t>(raw) >> 2;
            std::string text;
            switch (kindOf(xf)) {
            case Kind::Date:
                text = dateText(m_1904, n);
                break;
            case Kind::DateTime:
                text = dateText(m_1904, n) + " 00:00:00";
                break;
            case Kind::Time:
                text = "00:00:00";
                break;
            case Kind::Number:
                text = std::to_string(n);
                break;
            }
            return put(row, col, text, undeclared);
        }
        double v;
        if (raw & 0x02) {
            v = (static_cast<std::int32_t>(raw) >> 2) / 100.0;
        } else {
            const std::uint64_t bits = std::uint64_t(raw & 0xFFFFFFFC) << 32;
            std::memcpy(&v, &bits, 8);
            if (raw & 0x01)
                v /= 100.0;
        }
        return put(row, col, doubleText(xf, v), undeclared);
    }

    std::string doubleText(std::uint16_t xf, double v) const {
        const int days = wholeDays(v);
        switch (kindOf(xf)) {
        case Kind::Date:
            return dateText(m_1904, days);
        case Kind::DateTime:
            return dateText(m_1904, days) + " " + timeText(v - days);
        case Kind::Time:
            return timeText(v - days);
        case Kind::Number:
            break;
        }
        return numberText(v);
    }

    bool inside(std::uint32_t row, std::uint32_t col) const {
        return row < m_sheet.rows && col < m_sheet.cols &&
               static_cast<std::uint32_t>(m_sheet.rows * m_sheet.cols) != 0;
    }

    void grow(std::uint16_t row, std::uint16_t col) {
        m_maxRow = std::max<std::uint32_t>(m_maxRow, row);
        m_maxCol = std::max<std::uint32_t>(m_maxCol, col);
    }

    // A cell's text, or its shared string. A cell before the sheet's
    // dimensions are known widens them.
    bool put(std::uint16_t row, std::uint16_t col, const std::string& text, bool undeclared = true,
             std::uint32_t shared = OwnSheet::kShared) {
        if (!m_dimensions) {
            if (undeclared)
                grow(row, col);
        } else if (!inside(row, col)) {
            return false;
        }
        const std::uint64_t key = std::uint64_t(row) << 16 | col;
        if (shared != OwnSheet::kShared) {
            m_sheet.cells.push_back({key, shared, OwnSheet::kShared});
        } else {
            if (m_sheet.texts.size() + text.size() > 0xFFFFFFF0u)
                throw std::bad_alloc();
            m_sheet.cells.push_back({key, static_cast<std::uint32_t>(m_sheet.texts.size()),
                                     static_cast<std::uint32_t>(text.size())});
            m_sheet.texts += text;
        }
        return true;
    }

    const bool m_1904;
    const std::vector<std::uint16_t>& m_xf;
    const std::vector<std::pair<std::uint16_t, Kind>>& m_formats;
    OwnSheet m_sheet;
    bool m_dimensions = false;
    std::uint32_t m_maxRow = 0, m_maxCol = 0;
};

} // namespace

OwnSheet readOwn(const char* path) {
    Bytes stream;
    {
        Bytes file;
        if (!readFile(path, file) || !CompoundFile(file).workbook(stream))
            return {};
    }
    Record rec;
    Records globals(stream);
    if (!globals.next(rec) || rec.type != kBof || rec.size < 4 || le16(rec.data) != 0x0600)
        return {};

    // The globals: the string table, number formats, cell formats, date
    // system and the first sheet's place.
    std::vector<Record> sstRecs;
    std::vector<std::uint16_t> xfFormats;
    std::vector<std::pair<std::uint16_t, Kind>> formats;
    bool from1904 = false;
    std::vector<std::uint32_t> sheets;
    std::uint16_t previous = 0;
    while (globals.next(rec)) {
        if (rec.type == kContinue) {
            if (previous == kSst)
                sstRecs.push_back(rec);
            continue;
        }
        previous = rec.type;
        switch (rec.type) {
        case kSst:
            if (!sstRecs.empty())
                return {}; // a second table: left to freexl
            sstRecs.push_back(rec);
            break;
        case kXf:
            if (xfFormats.size() < 8192)
                xfFormats.push_back(rec.size >= 4 ? le16(rec.data + 2) : 0);
            break;
        case kFormat: {
            std::string text;
            if (rec.size >= 4 && formats.size() < 2048 && unicodeString(rec, 4, le16(rec.data + 2), text)) {
                const Kind kind = formatKind(text);
                if (kind != Kind::Number)
                    formats.emplace_back(le16(rec.data), kind);
            }
            break;
        }
        case kDateMode:
            from1904 = rec.size >= 2 && le16(rec.data) != 0;
            break;
        case kBoundSheet:
            if (rec.size >= 4)
                sheets.push_back(le32(rec.data));
            break;
        default:
            break;
        }
    }
    // A table freexl reads right, or one too damaged to tell, goes to freexl.
    Sst sst = readSst(sstRecs);
    if (sst.freexlReadsIt)
        return {};

    SheetReader reader(std::move(sst.strings), from1904, xfFormats, formats);
    if (!sst.complete || !sst.valid)
        return reader.damaged();
    if (sheets.empty()) {
        OwnSheet s;
        s.own = true;
        s.problem = "no-worksheet";
        return s;
    }
    // Each substream after the globals starts with its BOF record; the first
    // sheet's is where its BOUNDSHEET record points.
    bool between = false, active = false;
    Records sheet(stream);
    sheet.next(rec);
    while (sheet.next(rec)) {
        if (between) {
            if (rec.type != kBof)
                return reader.damaged();
            between = false;
            active = rec.offset == sheets[0];
            continue;
        }
        if (rec.type == kEof) {
            between = true;
            if (active)
                break;
            continue;
        }
        if (active && !reader.record(rec))
            return reader.damaged();
    }
    return reader.finish();
}

} // namespace xlsread
