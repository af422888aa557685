// The .xls reader (vantrel-xlsread) on workbooks built here record by record:
// shared string tables cut into CONTINUE records anywhere, the cells of every
// kind on both of its ways through a workbook, and damaged tables (the
// reader's child process keeps a crash on worse ones away from the program).
#include "main/spreadsheet/Workbook.h"
#include "main/spreadsheet/XlsWriter.h"
#include "platform/RuntimeError.h"
#include "tests/support/TestSupport.h"

#include <QTest>
#include <bit>
#include <cstring>
#include <functional>

using namespace spreadsheet;

namespace {

using biff::put32;

// Little-endian fields, each {width in bytes, value}.
QByteArray le(std::initializer_list<std::pair<int, quint64>> fields) {
    QByteArray b;
    for (const auto& [width, value] : fields)
        for (int i = 0; i < width; ++i)
            b.append(char(value >> (8 * i)));
    return b;
}
QByteArray record(int type, const QByteArray& data) {
    QByteArray b;
    biff::record(b, quint16(type), data);
    return b;
}

// One shared string as stored: compressed or 16-bit characters, then
// rich-text runs and phonetic bytes. A claimed length or phonetic size other
// than what is stored makes a damaged table.
struct Str {
    QString text;
    bool wide = false;
    int runs = 0;
    int phonetic = 0;
    int claimedLength = -1;
    int claimedPhonetic = -1;
};

// How the characters of a string go on after a record end.
enum class Rest { Same, Wide, Narrow };

// How the table is cut: at most `room` bytes a record after the counts (and
// at most the 8,224 bytes of a record).
struct Cut {
    int room = 8224;
    Rest rest = Rest::Same;
    bool splitChars = false; // the two bytes of a character in two records
    char halfFlag = 1;       // the option byte before the second byte of one
};

QByteArray sstRecords(const QList<Str>& strings, const Cut& cut, int extraCount = 0) {
    QList<QByteArray> recs{QByteArray()};
    put32(recs[0], strings.size() * 2);
    put32(recs[0], strings.size() + extraCount);
    const auto room = [&] {
        return std::min(8224, cut.room + (recs.size() == 1 ? 8 : 0)) - int(recs.last().size());
    };
    const auto raw = [&](quint32 b) {
        if (room() <= 0)
            recs.append(QByteArray());
        recs.last().append(char(b));
    };
    for (const Str& s : strings) {
        bool wide = s.wide;
        const int length = s.claimedLength >= 0 ? s.claimedLength : int(s.text.size());
        const int phonetic = s.claimedPhonetic >= 0 ? s.claimedPhonetic : s.phonetic;
        QByteArray header = le({{2, length}, {1, (wide ? 1 : 0) | (s.runs ? 8 : 0) | (phonetic ? 4 : 0)}});
        if (s.runs)
            header += le({{2, s.runs}});
        if (phonetic)
            header += le({{4, phonetic}});
        for (const char c : header)
            raw(quint8(c));
        for (qsizetype i = 0; i < s.text.size(); ++i) {
            const ushort u = s.text[i].unicode();
            if (room() <= 0 || (wide && !cut.splitChars && room() < 2)) {
                recs.append(QByteArray());
                if (cut.rest == Rest::Wide)
                    wide = true;
                if (cut.rest == Rest::Narrow) {
                    wide = false;
                    for (qsizetype j = i; j < s.text.size(); ++j)
                        wide = wide || s.text[j].unicode() > 0xFF;
                }
                recs.last().append(char(wide ? 1 : 0));
            }
            recs.last().append(char(u & 0xFF));
            if (!wide)
                continue;
            if (room() <= 0) {
                recs.append(QByteArray());
                recs.last().append(cut.halfFlag);
            }
            recs.last().append(char(u >> 8));
        }
        for (int i = 0; i < s.runs * 4 + s.phonetic; ++i)
            raw(0x40 + i % 7);
    }
    QByteArray out;
    for (qsizetype i = 0; i < recs.size(); ++i)
        out += record(i == 0 ? 0x00FC : 0x003C, recs[i]);
    return out;
}

QByteArray bof(int kind) {
    return record(0x0809, biff::bofData(quint16(kind)));
}

// Cell records: row, column and cell format, then what the cell holds.
QByteArray cell(int type, int row, int col, int xf, const QByteArray& value) {
    return record(type, le({{2, row}, {2, col}, {2, xf}}) + value);
}
QByteArray labelSst(int row, int col, quint32 index) {
    return cell(0x00FD, row, col, 15, le({{4, index}}));
}
QByteArray label(int row, int col, const QString& text) {
    QByteArray v = le({{2, text.size()}, {1, 1}});
    for (const QChar c : text)
        v += le({{2, c.unicode()}});
    return cell(0x0204, row, col, 15, v);
}
QByteArray number(int row, int col, int xf, double value) {
    return cell(0x0203, row, col, xf, le({{8, std::bit_cast<quint64>(value)}}));
}
QByteArray rk(int row, int col, int xf, quint32 raw) {
    return cell(0x027E, row, col, xf, le({{4, raw}}));
}
QByteArray mulRk(int row, int col, const QList<QPair<int, quint32>>& values) {
    QByteArray d = le({{2, row}, {2, col}});
    for (const auto& [xf, raw] : values)
        d += le({{2, xf}, {4, raw}});
    return record(0x00BD, d + le({{2, col + values.size() - 1}}));
}
QByteArray boolErr(int row, int col, int value, bool error) {
    return cell(0x0205, row, col, 15, le({{1, value}, {1, error}}));
}
quint32 rkInt(int v) {
    return quint32(v) << 2 | 2;
}

struct Book {
    QList<Str> strings;
    Cut cut;
    int extraCount = 0;
    QByteArray globals; // between the BOF and the BOUNDSHEET
    QByteArray early;   // cells before the DIMENSIONS record
    QByteArray cells;
    int rows = 0;
    int cols = 0;
    bool dimensions = true;

    QByteArray bytes() {
        QByteArray s = bof(0x0005) + globals;
        const qsizetype sheetAt = s.size() + 4;
        s += record(0x0085, le({{4, 0}, {1, 0}, {1, 0}, {1, 1}, {1, 0}}) + 'S');
        s += sstRecords(strings, cut, extraCount) + record(0x000A, {});
        const quint32 at = quint32(s.size());
        std::memcpy(s.data() + sheetAt, &at, 4);
        s += bof(0x0010) + early;
        if (dimensions)
            s += record(0x0200, le({{4, 0}, {4, rows}, {2, 0}, {2, cols}, {2, 0}}));
        s += cells + record(0x000A, {});
        return xlsCompoundFile(s);
    }
};

// Strings of every kind, two of them far longer than a record.
QList<Str> allKinds(bool longOnes) {
    QList<Str> s{
        {QStringLiteral("A123")},
        {QStringLiteral("구입일련번호"), true},
        {QStringLiteral("Ä ß é ÿ"), false},
        {QStringLiteral("Ä ß é ÿ 16-bit"), true},
        {QStringLiteral("굵은 글씨와 보통 글씨"), true, 3},
        {QStringLiteral("가나다"), true, 0, 30},
        {QStringLiteral("rich and phonetic"), false, 2, 9},
        {QString::fromUtf16(u"\U0001F600").repeated(5) + QStringLiteral("x"), true},
    };
    if (longOnes) {
        s.append({QStringLiteral("abcdefghij").repeated(2000) + QStringLiteral("end")});
        s.append({QStringLiteral("가나다라").repeated(2250) + QStringLiteral("끝"), true, 1, 20});
        s.append({QStringLiteral("after the long ones")});
    }
    return s;
}

// A sheet of one string per row: the string table's cell and a LABEL beside it.
Book stringSheet(const QList<Str>& strings, const Cut& cut) {
    Book b;
    b.strings = strings;
    b.cut = cut;
    b.rows = int(strings.size());
    b.cols = 2;
    for (int i = 0; i < strings.size(); ++i)
        b.cells += labelSst(i, 0, i) + label(i, 1, QStringLiteral("행 %1").arg(i + 1));
    return b;
}

// The workbook, or null with the reader's message.
std::unique_ptr<Workbook> tryOpen(const QString& path, QString& error) {
    try {
        return openWorkbook(path, SheetXls);
    } catch (const platform::RuntimeError& e) {
        error = e.text();
        return nullptr;
    }
}

} // namespace

class XlsReaderTest : public QObject {
    Q_OBJECT

    testsupport::TempProgramDir* m_dir = nullptr;

    QString save(const QString& name, const QByteArray& bytes) {
        m_dir->write(name, bytes);
        return m_dir->file(name);
    }

private slots:
    void init() { m_dir = new testsupport::TempProgramDir; }
    void cleanup() { delete m_dir; }

    void longCellsFromTheWriter_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kept"); // characters the cell keeps; -1 all
        const QString emoji = QString::fromUtf16(u"\U0001F600");
        // Around one, two and three full records of characters and the cell limit.
        for (const int n : {8216, 8217, 16441, 16442, 32767})
            QTest::addRow("%d Latin", n) << QString(n, QLatin1Char('a' + n % 26)) << -1;
        for (const int n : {4108, 4109, 8217, 12331, 32767})
            QTest::addRow("%d Hangul", n) << QString(n, QChar(u'가' + n % 100)) << -1;
        QTest::addRow("mixed") << QStringLiteral("번호 A-12 ").repeated(2500) << -1;
        QTest::addRow("emoji") << emoji.repeated(10000) << -1;
        QTest::addRow("over the cell limit") << QString(40000, QLatin1Char('z')) << 32767;
        // The limit falls inside the last pair: it goes whole.
        QTest::addRow("emoji over the cell limit") << emoji.repeated(16384) << 32766;
    }
    void longCellsFromTheWriter() {
        QFETCH(QString, text);
        QFETCH(int, kept);
        const QStringList cells{text, QStringLiteral("뒤"), text.left(9000), QStringLiteral("x")};
        const QString path = m_dir->file(QStringLiteral("long.xls"));
        QVERIFY(writeXls(path, 2, 2, [&](int r, int c) { return cells[r * 2 + c]; }));
        QString error;
        const auto book = tryOpen(path, error);
        QVERIFY2(book, qPrintable(error));
        QCOMPARE(book->lastUsedRow(), 2);
        QCOMPARE(book->cellText(1, 1), kept < 0 ? text : text.left(kept));
        QCOMPARE(book->cellText(1, 2), cells[1]);
        QCOMPARE(book->cellText(2, 1), cells[2]);
        QCOMPARE(book->cellText(2, 2), cells[3]);
    }

    void stringTableCutAnywhere_data() {
        QTest::addColumn<int>("room");
        QTest::addColumn<int>("rest");
        QTest::addColumn<bool>("splitChars");
        QTest::addColumn<bool>("longOnes");
        QTest::newRow("short strings, split once") << 40 << int(Rest::Same) << false << false;
        // An empty string among them: freexl refuses such a table.
        QTest::newRow("short strings and an empty one") << 8224 << int(Rest::Same) << false << false;
        QTest::newRow("long strings continuing 16-bit") << 8224 << int(Rest::Wide) << false << true;
        // Three bytes: every header fills a record, every continuation
        // starts with its option byte.
        QTest::newRow("every 3 bytes") << 3 << int(Rest::Same) << false << true;
        QTest::newRow("every 4 bytes, halves of characters") << 4 << int(Rest::Same) << true << true;
        QTest::newRow("every 5 bytes, compressed when possible") << 5 << int(Rest::Narrow) << true << true;
    }
    void stringTableCutAnywhere() {
        QFETCH(int, room);
        QFETCH(int, rest);
        QFETCH(bool, splitChars);
        QFETCH(bool, longOnes);
        QList<Str> strings = allKinds(longOnes);
        if (QByteArray(QTest::currentDataTag()).contains("empty"))
            strings.insert(2, Str{});
        Book b = stringSheet(strings, {room, Rest(rest), splitChars});
        QString error;
        const auto book = tryOpen(save(QStringLiteral("cut.xls"), b.bytes()), error);
        QVERIFY2(book, qPrintable(error));
        QCOMPARE(book->lastUsedRow(), strings.size());
        for (int i = 0; i < strings.size(); ++i) {
            QCOMPARE(book->cellText(i + 1, 1), strings[i].text);
            QCOMPARE(book->cellText(i + 1, 2), QStringLiteral("행 %1").arg(i + 1));
        }
    }

    // Numbers, dates, times, booleans and labels come out the same whether
    // the workbook's string table is read by freexl (short strings) or by the
    // helper itself (a string over three records).
    void cellsTheSameEitherWay_data() {
        QTest::addColumn<bool>("from1904");
        QTest::addColumn<bool>("dimensions");
        QTest::addColumn<bool>("early");
        QTest::newRow("1900 dates, cells before DIMENSIONS") << false << true << true;
        QTest::newRow("1904 dates, no DIMENSIONS record") << true << false << false;
    }
    void cellsTheSameEitherWay() {
        QFETCH(bool, from1904);
        QFETCH(bool, dimensions);
        QFETCH(bool, early);
        QByteArray globals = record(0x0022, le({{2, from1904}}));
        const QStringList patterns{QStringLiteral("yyyy\\-mm\\-dd"), QStringLiteral("h:mm"),
                                   QStringLiteral("yyyy-mm-dd hh:mm:ss"),
                                   QStringLiteral("#,##0;[Red]-#,##0")};
        for (int i = 0; i < patterns.size(); ++i)
            globals +=
                record(0x041E, le({{2, 164 + i}, {2, patterns[i].size()}, {1, 0}}) + patterns[i].toLatin1());
        // Cell formats 0-15 general, then built-in date, time, date-time and the four above.
        const QList<int> xfFormats{14, 20, 22, 164, 165, 166, 167};
        for (int i = 0; i < 16 + xfFormats.size(); ++i)
            globals +=
                record(0x00E0, le({{2, 0}, {2, i < 16 ? 0 : xfFormats[i - 16]}}) + QByteArray(16, '\0'));
        const QList<double> values{0, 60, 61, 45000.999995, -3.5, 1e20, 2958465.5};
        QByteArray cells;
        int row = 0;
        for (const double v : values) {
            for (int f = 0; f < 8; ++f)
                cells += number(row, f, f == 0 ? 15 : 15 + f, v);
            ++row;
        }
        for (const quint32 raw : {rkInt(45000), rkInt(-7), rkInt(12345) | 1u, 0x3FF00001u}) {
            for (int f = 0; f < 8; ++f)
                cells += rk(row, f, f == 0 ? 15 : 15 + f, raw);
            ++row;
        }
        cells += mulRk(row, 1, {{16, rkInt(43000)}, {17, 0x3FE00000u}, {15, rkInt(-1)}, {22, rkInt(99999)}});
        cells += boolErr(row, 6, 1, false) + boolErr(row, 7, 0, false);
        ++row;
        cells += boolErr(row, 0, 0x07, true) + label(row, 1, QStringLiteral("글자 label"));
        ++row;

        QStringList texts[2];
        for (const bool own : {false, true}) {
            Book b;
            b.strings = {Str{QStringLiteral("짧은 글"), true}};
            if (own)
                b.strings.append(Str{QStringLiteral("긴 글").repeated(7000), true});
            b.globals = globals;
            b.cells = cells + labelSst(row, 0, 0) + labelSst(row, 1, own ? 1 : 0);
            b.rows = row + 1;
            b.cols = 8;
            b.dimensions = dimensions;
            if (early)
                b.early = number(0, 0, 15, 7) + label(row - 1, 5, QStringLiteral("early"));
            QString error;
            const auto book = tryOpen(save(QStringLiteral("kinds.xls"), b.bytes()), error);
            QVERIFY2(book, qPrintable(error));
            QCOMPARE(book->lastUsedRow(), row + 1);
            QCOMPARE(book->cellText(row + 1, 2), b.strings.last().text);
            for (int r = 1; r <= row; ++r)
                for (int c = 1; c <= 8; ++c)
                    texts[own] << book->cellText(r, c);
        }
        QCOMPARE(texts[1], texts[0]);
        // Not all empty: a date and a number.
        QCOMPARE(texts[1][2 * 8 + 1], from1904 ? QStringLiteral("1904-03-02") : QStringLiteral("1900-03-01"));
        QCOMPARE(texts[1][4 * 8], QStringLiteral("-3.5"));
    }

    void damagedStringTableIsReported() {
        const std::pair<const char*, std::function<void(Book&)>> damages[] = {
            {"more strings counted than stored", [](Book& b) { b.extraCount = 1; }},
            {"characters past the table's end", [](Book& b) { b.strings.last().claimedLength = 30000; }},
            {"phonetic data past the table's end",
             [](Book& b) {
                 Str& s = b.strings.last();
                 s.phonetic = 3;
                 s.claimedPhonetic = 4000;
             }},
            {"half a character, then a compressed one",
             [](Book& b) {
                 b.cut = {64, Rest::Same, true, 0};
             }},
            {"lone surrogate", [](Book& b) { b.strings[1].text[2] = QChar(0xD800); }},
            {"string index past the table", [](Book& b) { b.cells += labelSst(0, 0, 99); }},
            {"cell outside the sheet", [](Book& b) { b.cells += labelSst(b.rows, 0, 0); }},
        };
        for (const auto& [what, damage] : damages) {
            Book b = stringSheet(allKinds(true), {64});
            damage(b);
            const QString path = save(QStringLiteral("damaged.xls"), b.bytes());
            QString error;
            QVERIFY2(!tryOpen(path, error), what);
            QCOMPARE(error, path + QStringLiteral(": 통합문서가 손상되어 읽을 수 없습니다."));
        }
    }
};

QTEST_GUILESS_MAIN(XlsReaderTest)
#include "XlsReaderTest.moc"
