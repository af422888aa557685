// The grid keeps its rows compact, yet every cell must read back the text
// the search gave it: here a purchase table with every issue state, empty,
// missing and odd values is searched, and each cell is compared with the
// texts made from the table's own rows by a plain reference of the formats.
// Then every column takes texts of every shape and gives them back.
#include "main/database/ItemSearch.h"
#include "tests/support/ItemDatabase.h"

#include <QLocale>
#include <QRegularExpression>
#include <QtTest>
#include <cmath>

using namespace database;

namespace {

bool isPlainNumber(const QString& t) {
    static const QRegularExpression re(QStringLiteral("^[-+.0-9]+$"));
    bool ok = false;
    const double v = t.toDouble(&ok);
    return re.match(t).hasMatch() && ok && std::isfinite(v);
}

// "#,##0" of a number text; any other text as it is.
QString referenceAmount(const QString& t) {
    if (!isPlainNumber(t))
        return t;
    return QLocale(QLocale::English).toString(static_cast<qlonglong>(std::llround(t.toDouble())));
}

// "####-##-##": the digits right-aligned under the pattern, unfilled places
// left out, extra digits in front.
QString referenceDate(const QString& t) {
    if (!isPlainNumber(t))
        return t;
    QString digits = QString::number(static_cast<qlonglong>(std::llround(std::fabs(t.toDouble()))));
    if (digits == QLatin1String("0"))
        digits.clear();
    const QString head = digits.size() > 8 ? digits.left(digits.size() - 8) : QString();
    const QString last8 = digits.right(8).rightJustified(8, u' ');
    QString out = last8.left(4) + u'-' + last8.mid(4, 2) + u'-' + last8.mid(6);
    return head + out.remove(u' ');
}

} // namespace

class GridTextsTest : public QObject {
    Q_OBJECT

private slots:
    void searchedCellsAreTheReferenceTexts() {
        testsupport::ItemDb db;
        db.exec(QStringLiteral("insert into slfanrfiditem values ('C1', '노트북컴퓨터'), ('C2', ''),"
                               " ('C3', ' Tom''s 책장 '), ('C4', null)"));
        db.exec(QStringLiteral("insert into slfanrfidspec values ('C1', 'S1', '15인치'), ('C2', 'S1', null),"
                               " ('C3', 'S1', ''), ('C4', 'S1', '30~40평'), ('C9', 'S2', 'x')"));
        db.exec(QStringLiteral("insert into slfanrfiddept values ('D01', '총무과', null),"
                               " ('D02', '정보통신과', '20100630')"));
        struct Purchase {
            const char* sno;
            const char* cat;
            const char* dept;
            const char* ymd;
            const char* amount; // SQL literal
            const char* tag;    // SQL literal
        };
        const Purchase purchases[] = {
            {"P01", "C1", "D01", "20240115", "1054500", "null"},
            {"P02", "C2", "D02", "20231231", "0", "''"},
            {"P03", "C3", "D99", "2024011", "-1234", "'GG41350000000000000101'"},
            {"P04", "C4", "D01", "202401150", "12.5", "' GG41 '"},
            {"P05", "C9", "", "2024-01-15", "'abc'", "'태그'"},
            {"P06", "C5", "D01", "1999.5", "null", "null"},
            {"P07", "C1", "D01", "19000101", "'00123'", "'X'"},
            {"P08", "C1", "D01", "20240115", "999999999999999", "null"},
            {"P09", "C1", "D01", "20240115", "'1e3'", "null"},
            {"P10", "C1", "D01", "20240115", "'+5'", "null"},
        };
        for (const Purchase& p : purchases)
            db.exec(QStringLiteral(
                        "insert into slfanrfidmaster values ('%1', '%2', 'S1', '%3', '%4', %5, 'N', %6)")
                        .arg(p.sno, p.cat, p.dept, p.ymd, p.amount, p.tag));
        // A long serial number and one in Hangul, and many ordinary rows.
        db.exec(
            QStringLiteral("insert into slfanrfidmaster values ('P11%1', 'C1', 'S1', 'D01', '20200101', 5,"
                           " 'N', null), ('P12가나', 'C3', 'S1', 'D02', '20200101', 5, 'N', null)")
                .arg(QString(300, u'7')));
        for (int i = 0; i < 200; ++i)
            db.exec(
                QStringLiteral("insert into slfanrfidmaster values ('Q%1', 'C%2', 'S1', 'D0%3', '2022%4', %5,"
                               " 'N', %6)")
                    .arg(i, 3, 10, QLatin1Char('0'))
                    .arg(1 + i % 4)
                    .arg(1 + i % 2)
                    .arg(1010 + i % 300)
                    .arg(i * 1013)
                    .arg(i % 3 ? QStringLiteral("null") : QStringLiteral("'GG%1'").arg(i)));

        ItemGrid grid;
        SearchConditions c;
        c.OptSearch = 2;
        SearchUi ui;
        cmdLoadDb(grid, c, ui);

        // The reference: the table's rows read plainly, formatted as above.
        QSqlQuery q(gDbConn.database());
        QVERIFY(q.exec(QStringLiteral(
            "select A.purc_sno, A.atcl_cat_no, A.atcl_siz_no, I.atcl_cat_nm, S.atcl_siz_nm, A.chg_amt,"
            " A.purc_ymd, case when D.dept_code is null then '전체' else D.dept_nm end, A.tag_id from "
            "slfanrfidmaster A"
            " left join slfanrfidspec S on S.atcl_cat_no = A.atcl_cat_no and S.atcl_siz_no = A.atcl_siz_no"
            " left join slfanrfiditem I on I.atcl_cat_no = A.atcl_cat_no"
            " left join slfanrfiddept D on D.dept_code = A.dept_code order by A.purc_sno")));
        int row = 0;
        while (q.next()) {
            ++row;
            const auto v = [&](int i) { return q.value(i).toString().trimmed(); };
            const QString tag = v(8);
            const QStringList expected = {"1",
                                          "",
                                          tag,
                                          v(0),
                                          v(1),
                                          v(2),
                                          v(3),
                                          v(4),
                                          referenceAmount(v(5)),
                                          referenceDate(v(6)),
                                          q.value(7).toString(),
                                          "",
                                          tag.isEmpty() ? "N" : "Y",
                                          "N",
                                          "N"};
            for (int col = 1; col <= kGridColumns; ++col) {
                QCOMPARE(grid.text(row, col), expected[col - 1]);
                std::string utf8;
                grid.appendUtf8(row, col, utf8);
                QCOMPARE(QByteArray::fromStdString(utf8), expected[col - 1].toUtf8());
            }
        }
        QCOMPARE(grid.rows(), row);
        QCOMPARE(ui.LblPrtCnt, QString::number(row));
        QCOMPARE(grid.tickedCount(), row);
    }

    void everyColumnGivesBackWhatItWasGiven() {
        const QStringList texts = {"",
                                   "0",
                                   "1",
                                   "N",
                                   "Y",
                                   "y",
                                   " ",
                                   "1,234",
                                   "1234",
                                   "-1,234",
                                   "-0",
                                   "01,234",
                                   "1,23",
                                   "999,999,999,999,999,999",
                                   "2024-01-15",
                                   "0024-01-15",
                                   "2024-1-15",
                                   "9999-99-99",
                                   "노트북",
                                   "GG4135\u00e9",
                                   QString(300, u'x'),
                                   QString(255, u'7'),
                                   "\u0663",
                                   "1\n2"};
        ItemGrid grid;
        grid.setRows(3);
        for (int col = 1; col <= kGridColumns; ++col) {
            for (const QString& t : texts) {
                grid.setText(2, col, t);
                QCOMPARE(grid.text(2, col), t);
                std::string utf8;
                grid.appendUtf8(2, col, utf8);
                QCOMPARE(QByteArray::fromStdString(utf8), t.toUtf8());
                QCOMPARE(grid.ticked(2), col == ColTick && t == QLatin1String("1"));
            }
            grid.setText(2, col, QStringLiteral("-"));
        }
        for (int col = 1; col <= kGridColumns; ++col) {
            QCOMPARE(grid.text(1, col), col == ColTick ? QStringLiteral("0") : QString());
            QCOMPARE(grid.text(2, col), QStringLiteral("-"));
        }
        grid.setAmount(3, -1234567);
        grid.setDate(3, 20240105);
        QCOMPARE(grid.text(3, ColAmount), QStringLiteral("-1,234,567"));
        QCOMPARE(grid.text(3, ColPurcYmd), QStringLiteral("2024-01-05"));

        // Rows dropped and added again come back empty.
        grid.setRows(1);
        grid.setRows(3);
        for (int col = 1; col <= kGridColumns; ++col)
            QCOMPARE(grid.text(2, col), col == ColTick ? QStringLiteral("0") : QString());
        grid.setAllTicked(true);
        QCOMPARE(grid.tickedCount(), 3);
        grid.setRowBackground(2, QColor(255, 255, 0));
        QCOMPARE(grid.background(2, ColCatNm), QColor(255, 255, 0));
        QVERIFY(!grid.background(1, ColCatNm).isValid());
        grid.setRowBackground(2, QColor());
        QVERIFY(!grid.background(2, ColCatNm).isValid());
    }
};

QTEST_GUILESS_MAIN(GridTextsTest)
#include "GridTextsTest.moc"
