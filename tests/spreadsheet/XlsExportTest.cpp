// The grid export and the .xls writer, checked by an independent reader.
#include "main/database/ItemGrid.h"
#include "main/database/SpreadsheetExport.h"
#include "main/database/SpreadsheetImport.h"
#include "main/spreadsheet/XlsWriter.h"
#include "tests/support/RecordingOperator.h"
#include "tests/support/TestSupport.h"
#include "tests/support/XlsRead.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

using namespace database;
using namespace spreadsheet;
using testsupport::readWithXlrd;

namespace {

void fillRow(ItemGrid& grid, int row, int n, bool ticked) {
    grid.setTicked(row, ticked);
    grid.setText(row, ColPurcSno, QStringLiteral("2023%1").arg(n, 6, 10, QLatin1Char('0')));
    grid.setText(row, ColCatNo, QStringLiteral("4311150%1").arg(n % 10));
    grid.setText(row, ColSizNo, QStringLiteral("21400%1").arg(n % 100));
    grid.setText(row, ColCatNm, QStringLiteral("노트북컴퓨터"));
    grid.setText(row, ColSizNm, QStringLiteral("15인치 %1형").arg(n % 7));
    grid.setText(row, ColAmount, QStringLiteral("1,234,%1").arg(n % 1000, 3, 10, QLatin1Char('0')));
    grid.setText(row, ColPurcYmd, QStringLiteral("2023-01-15"));
    grid.setText(row, ColDeptNm, QStringLiteral("정보통신과"));
    grid.setText(row, ColIssued, QStringLiteral("N"));
    grid.setText(row, ColTestIssued, QStringLiteral("N"));
    grid.setText(row, ColReissued, QStringLiteral("N"));
}

} // namespace

class XlsExportTest : public QObject {
    Q_OBJECT

    testsupport::RecordingOperator m_op;
    testsupport::TempProgramDir* m_dir = nullptr;

private slots:
    void init() {
        m_op = testsupport::RecordingOperator();
        core::setCurrentOperator(&m_op);
        m_dir = new testsupport::TempProgramDir;
    }
    void cleanup() {
        delete m_dir;
        core::setCurrentOperator(nullptr);
    }

    void twoRowsReadBackWithHangulAndTicks() {
        ItemGrid grid;
        fillRow(grid, grid.addRow(), 1, true);
        fillRow(grid, grid.addRow(), 2, false);
        grid.setText(2, ColTagId, QStringLiteral("GG413500000000000123") + QStringLiteral("01"));
        grid.setText(2, ColIssued, QStringLiteral("Y"));
        const QString path = m_dir->file(proposedExportName(QDate(2024, 3, 7)));
        QVERIFY(path.endsWith(QStringLiteral("/20240307태그발행결과.xls")));

        QVERIFY(cmdSaveExcel_Click(grid, path));
        QCOMPARE(m_op.messages, QStringList{QStringLiteral("엑셀저장에 성공하였습니다.")});
        QCOMPARE(grid.rows(), 2);

        const auto sheet = readWithXlrd(path);
        QVERIFY2(sheet.ok, qPrintable(sheet.error));
        QCOMPARE(sheet.sheets, 1);
        QCOMPARE(sheet.nrows, 3);
        QCOMPARE(sheet.rows[0], gridHeaders());
        QCOMPARE(sheet.rows[1][0], QStringLiteral("1"));
        QCOMPARE(sheet.rows[2][0], QStringLiteral("0"));
        QCOMPARE(sheet.rows[1][1], QString()); // "TAG HD" stays empty
        QCOMPARE(sheet.rows[2][2], QStringLiteral("GG41350000000000012301"));
        QCOMPARE(sheet.rows[1][3], QStringLiteral("2023000001"));
        QCOMPARE(sheet.rows[1][6], QStringLiteral("노트북컴퓨터"));
        QCOMPARE(sheet.rows[2][7], QStringLiteral("15인치 2형"));
        // Amounts and dates are numbers and dates a spreadsheet sums and sorts.
        QCOMPARE(sheet.rows[1][8], QStringLiteral("number:1234001"));
        QCOMPARE(sheet.rows[1][9], QStringLiteral("date:2023-01-15"));
        QCOMPARE(sheet.rows[1][10], QStringLiteral("정보통신과"));
        QCOMPARE(sheet.rows[2][12], QStringLiteral("Y"));

        // The project's own reader sees the same sheet.
        const auto book = openWorkbook(path, SheetXls);
        QCOMPARE(book->lastUsedRow(), 3);
        QCOMPARE(book->cellText(1, 4), QStringLiteral("구입일련번호"));
        QCOMPARE(book->cellText(3, 11), QStringLiteral("정보통신과"));
    }

    void largestSheetReadBack() {
        ItemGrid grid;
        grid.beginBulkLoad();
        for (int n = 1; n <= kExportMaxRows; ++n)
            fillRow(grid, grid.addRow(), n, n % 3 != 0);
        grid.endBulkLoad();
        const QString path = m_dir->file(QStringLiteral("big.xls"));
        QVERIFY(cmdSaveExcel_Click(grid, path));
        // Beyond 109 allocation-table sectors the document needs its extra table list.
        QVERIFY(QFileInfo(path).size() > 7 * 1024 * 1024);

        const auto sheet = readWithXlrd(path, {0, 1, -1});
        QVERIFY2(sheet.ok, qPrintable(sheet.error));
        QCOMPARE(sheet.nrows, kExportMaxRows + 1);
        QCOMPARE(sheet.rows[0], gridHeaders());
        QCOMPARE(sheet.rows[1][3], QStringLiteral("2023000001"));
        QCOMPARE(sheet.rows[2][0], QStringLiteral("0")); // 65,535 is a multiple of 3
        QCOMPARE(sheet.rows[2][3], QStringLiteral("2023065535"));
        QCOMPARE(sheet.rows[2][7], QStringLiteral("15인치 %1형").arg(kExportMaxRows % 7));
        QCOMPARE(grid.rows(), kExportMaxRows);

        // One row more does not fit: a message naming the limit, and no file.
        const QString refused = m_dir->file(QStringLiteral("refused.xls"));
        fillRow(grid, grid.addRow(), kExportMaxRows + 1, true);
        m_op.messages.clear();
        QVERIFY(!exportAllowed(grid));
        QVERIFY(!cmdSaveExcel_Click(grid, refused));
        QCOMPARE(m_op.messages.size(), 2);
        QVERIFY(m_op.messages[0].contains(QStringLiteral("65,536행")));
        QVERIFY(m_op.messages[0].contains(QStringLiteral("65,536건")));
        QVERIFY(!QFileInfo::exists(refused));
        QString error;
        QVERIFY(!exportGrid(grid, refused, &error));
        QVERIFY(error.contains(QStringLiteral("65,536")));
        QVERIFY(!QFileInfo::exists(refused));
    }

    void stringTableSpanningManyRecords() {
        // Long and many strings push the shared string table through
        // continuation records, splitting strings of one- and two-byte
        // characters and never a surrogate pair.
        QList<QStringList> cells;
        for (int r = 0; r < 300; ++r) {
            QStringList row;
            row << QString(1000 + r * 7, QChar(u'가' + r % 50)) + QString::number(r);
            row << QString(900 + r * 3, QLatin1Char('a' + r % 26)) + QString::number(r);
            QString emoji;
            for (int i = 0; i < 301 + r; ++i)
                emoji += QString::fromUtf16(u"\U0001F600");
            row << emoji;
            row << QStringLiteral("Ä%1ß").arg(r);
            cells << row;
        }
        const QString path = m_dir->file(QStringLiteral("strings.xls"));
        QString error;
        QVERIFY2(writeXls(
                     path, cells.size(), 4, [&](int r, int c) { return cells[r][c]; }, &error),
                 qPrintable(error));
        const auto sheet = readWithXlrd(path);
        QVERIFY2(sheet.ok, qPrintable(sheet.error));
        QCOMPARE(sheet.nrows, 300);
        for (int r = 0; r < 300; ++r)
            QCOMPARE(sheet.rows[r], cells[r]);
        const auto book = openWorkbook(path, SheetXls);
        QCOMPARE(book->cellText(300, 1), cells[299][0]);
        QCOMPARE(book->cellText(123, 3), cells[122][2]);
    }

    void emptyGridCancelAndUnwritableFile() {
        ItemGrid grid;
        const QString path = m_dir->file(QStringLiteral("none.xls"));
        QVERIFY(!exportAllowed(grid));
        QVERIFY(!cmdSaveExcel_Click(grid, path));
        QCOMPARE(m_op.messages, QStringList(2, QStringLiteral("엑셀파일로 저장할 데이타가 없습니다.")));
        QVERIFY(!QFileInfo::exists(path));

        fillRow(grid, grid.addRow(), 1, true);
        m_op.messages.clear();
        // A cancelled dialog is no failure: nothing shown, nothing logged.
        QVERIFY(!cmdSaveExcel_Click(grid, QString()));
        QCOMPARE(m_op.messages, QStringList());
        QVERIFY(!QFileInfo::exists(m_dir->file(QStringLiteral("detail_error.log"))));

        m_op.messages.clear();
        const QString unwritable = m_dir->file(QStringLiteral("no-such-folder/x.xls"));
        QVERIFY(!cmdSaveExcel_Click(grid, unwritable));
        QCOMPARE(m_op.messages.size(), 1);
        QVERIFY2(
            m_op.messages[0].startsWith(QStringLiteral("엑셀저장에 실패하였습니다.\r\n") + unwritable + ": "),
            qPrintable(m_op.messages[0]));
    }
};

QTEST_GUILESS_MAIN(XlsExportTest)
#include "XlsExportTest.moc"
