// The spreadsheet import against a real embedded item database.
#include "main/database/SpreadsheetImport.h"
#include "main/database/DbConn.h"
#include "main/database/EmbeddedDb.h"
#include "main/database/ItemGrid.h"
#include "main/database/SpreadsheetExport.h"
#include "main/spreadsheet/XlsReader.h"
#include "main/spreadsheet/XlsWriter.h"
#include "platform/Cp949.h"
#include "tests/support/RecordingOperator.h"
#include "tests/support/TestSupport.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

using namespace database;
using namespace spreadsheet;

class SpreadsheetImportTest : public QObject {
    Q_OBJECT

    testsupport::RecordingOperator m_op;
    testsupport::TempProgramDir* m_dir = nullptr;
    SearchUi m_ui;
    QList<int> m_progress;

    QString writeXlsColumnD(const QString& name, const QStringList& values) {
        const QString path = m_dir->file(name);
        const bool ok = writeXls(path, values.size(), 5, [&](int r, int c) {
            return c == 3 ? values[r] : QStringLiteral("x%1").arg(r);
        });
        return ok ? path : QString();
    }

    QStringList purcSnos(const ItemGrid& grid) {
        QStringList out;
        for (int r = 1; r <= grid.rows(); ++r)
            out << grid.text(r, ColPurcSno);
        return out;
    }

private slots:
    void init() {
        m_op = testsupport::RecordingOperator();
        core::setCurrentOperator(&m_op);
        m_dir = new testsupport::TempProgramDir;
        m_dir->write(QStringLiteral("items.db"), {});
        gDbConn.open(QStringLiteral("items.db"), {}, {}, QStringLiteral("1"));
        createSchema(gDbConn);
        gDbConn.execute(QStringLiteral("insert into slfanrfiditem values ('43211503', '노트북컴퓨터')"));
        gDbConn.execute(
            QStringLiteral("insert into slfanrfidspec values ('43211503', '21400001', '15인치')"));
        gDbConn.execute(QStringLiteral("insert into slfanrfiddept values ('D01', '정보통신과', null)"));
        gDbConn.execute(
            QStringLiteral("insert into slfanrfidmaster values "
                           "('A123', '43211503', '21400001', 'D01', '20230115', 1234567, null, null),"
                           "('B200', '43211503', '21400001', 'D01', '20220301', 990, 'Y', "
                           "'GG41350000000000012301'),"
                           "('C300', '43211503', '21400009', 'D99', '20210704', 15000, null, null)"));
        m_ui = SearchUi();
        m_progress.clear();
        m_ui.progress = [this](int p) { m_progress << p; };
    }
    void cleanup() {
        gDbConn.close();
        delete m_dir;
        core::setCurrentOperator(nullptr);
    }

    void csvSkipsFirstLineAndReadsBetweenApostrophes() {
        // Saved by an office PC: CP949, no byte-order mark, upper-case ending.
        m_dir->write(QStringLiteral("LIST.CSV"),
                     platform::toCp949(u"번호,'B200'\r\n1,'A123'\r\n2,\"  ' C300 ' \",비고\r\n"));
        ItemGrid grid;
        QCOMPARE(cmdLoadExcel(grid, m_dir->file(QStringLiteral("LIST.CSV")), m_ui), 2);
        QCOMPARE(m_op.messages, QStringList{QStringLiteral("2건의 자료가 검색 되었습니다.")});
        QCOMPARE(purcSnos(grid), (QStringList{"A123", "C300"}));

        QVERIFY(grid.ticked(1) && grid.ticked(2));
        QCOMPARE(grid.text(1, ColTagId), QString());
        QCOMPARE(grid.text(1, ColCatNm), QStringLiteral("노트북컴퓨터"));
        QCOMPARE(grid.text(1, ColSizNm), QStringLiteral("15인치"));
        QCOMPARE(grid.text(1, ColAmount), QStringLiteral("1,234,567"));
        QCOMPARE(grid.text(1, ColPurcYmd), QStringLiteral("2023-01-15"));
        QCOMPARE(grid.text(1, ColDeptNm), QStringLiteral("정보통신과"));
        QCOMPARE(grid.text(2, ColDeptNm), QStringLiteral("전체")); // unknown department code
        QCOMPARE(grid.text(2, ColCatNm), QString());               // no such size: names empty
        QCOMPARE(grid.text(1, ColIssued), QStringLiteral("N"));

        QCOMPARE(m_ui.OptPrt, 0);
        QCOMPARE(m_ui.LblPrtCnt, QStringLiteral("2"));
        QCOMPARE(m_ui.txtStart, QStringLiteral("1"));
        QCOMPARE(m_ui.txtEnd, QStringLiteral("2"));
        QCOMPARE(m_progress.first(), 0);
        QCOMPARE(m_progress.last(), 100);
        QVERIFY(!m_op.waitCursor);
    }

    void exportedFileImportsAgainWithItsHeaderRow() {
        ItemGrid grid;
        m_dir->write(QStringLiteral("seed.csv"), "h\n,'A123'\n,'B200'\n,'C300'\n");
        QCOMPARE(GetExcelData(grid, m_dir->file(QStringLiteral("seed.csv")), m_ui), 3);
        const QString path = m_dir->file(proposedExportName(QDate(2024, 5, 2)));
        QVERIFY(cmdSaveExcel_Click(grid, path));

        m_op.messages.clear();
        ItemGrid again;
        QCOMPARE(GetExcelData(again, path, m_ui), 3);
        // The column titles are no purchase: the header row is skipped.
        QCOMPARE(m_op.messages, QStringList{QStringLiteral("3건의 자료가 검색 되었습니다.")});
        for (int r = 1; r <= 3; ++r)
            for (int c = 1; c <= kGridColumns; ++c)
                QCOMPARE(again.text(r, c), grid.text(r, c));
    }

    void csvInUnicodeTextOrWithControlCharacters() {
        // "Unicode text" (UTF-16 with its mark) is read like any other text.
        QString text = QStringLiteral("번호,'B200'\r\n1,'A123'\r\n");
        QByteArray utf16("\xFF\xFE");
        for (const QChar c : text)
            utf16 += QByteArray(1, char(c.unicode() & 0xFF)) + QByteArray(1, char(c.unicode() >> 8));
        m_dir->write(QStringLiteral("unicode.csv"), utf16);
        ItemGrid grid;
        QCOMPARE(GetExcelData(grid, m_dir->file(QStringLiteral("unicode.csv")), m_ui), 1);
        QCOMPARE(purcSnos(grid), QStringList{"A123"});

        // A NUL never reaches a statement: the line is named, nothing is looked up.
        m_op.messages.clear();
        // Not "nul.csv": NUL is a device name on Windows, whatever the ending.
        m_dir->write(QStringLiteral("control.csv"), QByteArray("h\n1,'A123'\n2,'B2\0' or 1=1'\n", 27));
        QCOMPARE(GetExcelData(grid, m_dir->file(QStringLiteral("control.csv")), m_ui), -1);
        QCOMPARE(m_op.messages.size(), 1);
        QVERIFY2(m_op.messages[0].contains(QStringLiteral("3행: 제어 문자(0x00)")),
                 qPrintable(m_op.messages[0]));
    }

    void blankCellsSkippedAndUnknownValueReported() {
        const QString path =
            writeXlsColumnD(QStringLiteral("d.xls"), {"A123", "", "ZZZ9", "   ", " B200 ", ""});
        QVERIFY(!path.isEmpty());
        ItemGrid grid;
        grid.setRows(5); // replaced by the import
        // While a message waits for the operator, another program can write.
        QStringList writes;
        m_op.onMessage = [&](const QString&) {
            QSqlDatabase other =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(m_dir->file(QStringLiteral("items.db")));
            other.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
            QSqlQuery q(other);
            writes << (other.open() && q.exec(QStringLiteral("update slfanrfiddept set dept_nm = dept_nm"))
                           ? QStringLiteral("ok")
                           : q.lastError().text());
            q = QSqlQuery();
            other.close();
            other = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("other"));
        };
        QCOMPARE(GetExcelData(grid, path, m_ui), 2);
        QCOMPARE(writes, QStringList(2, QStringLiteral("ok")));
        QCOMPARE(m_op.messages, (QStringList{QStringLiteral("구입일련번호[ZZZ9]가 존재하지 않습니다."),
                                             QStringLiteral("2건의 자료가 검색 되었습니다.")}));
        QCOMPARE(purcSnos(grid), (QStringList{"A123", "B200"}));
        QCOMPARE(m_ui.txtStart, QStringLiteral("1"));
        QCOMPARE(m_ui.txtEnd, QStringLiteral("2"));
        // Found rows against six used rows (other columns fill the last one).
        QCOMPARE(m_progress, (QList<int>{0, 17, 33, 100}));
    }

    void apostropheInValueIsOnlyData() {
        const QString path = writeXlsColumnD(QStringLiteral("q.xls"), {"X' or '1'='1", "A123"});
        ItemGrid grid;
        QCOMPARE(GetExcelData(grid, path, m_ui), 1);
        QCOMPARE(m_op.messages.first(), QStringLiteral("구입일련번호[X' or '1'='1]가 존재하지 않습니다."));
    }

    void failuresEndInTheReport_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("rowsKept");
        QTest::newRow("neither xls nor csv") << "list.txt" << QByteArray("h\n,'A123'\n") << 4;
        QTest::newRow("csv quote never closed")
            << "quote.csv" << QByteArray("h\n1,'A123'\n2,\"'B200'\n3,'C300'\n") << 4;
        QTest::newRow("missing file") << "missing.csv" << QByteArray() << 4;
        QTest::newRow("not an xls") << "bad.xls" << QByteArray("not a workbook at all") << 4;
        QTest::newRow("xls cut short") << "cut.xls" << QByteArray("cut") << 4;
        QTest::newRow("xls reader crashes") << "crash.xls" << QByteArray("kill -SEGV $$") << 4;
        QTest::newRow("xls reader hangs") << "hang.xls" << QByteArray("sleep 20") << 4;
        QTest::newRow("xls reader half an answer")
            << "half.xls" << QByteArray("printf 'VXLS1\\n9 9\\n1 4 900\\nA1'") << 4;
        QTest::newRow("csv row without two apostrophes")
            << "rows.csv" << QByteArray("h\n1,'A123'\n2,B200\n3,'C300'\n") << 1;
        QTest::newRow("csv row with one apostrophe") << "one.csv" << QByteArray("h\n1,'A123\n") << 0;
        QTest::newRow("csv in UTF-16 without its mark")
            << "utf16.csv" << QByteArray("h\0\n\0001\0,\0'\0A\0'\0\n\0", 16) << 4;
    }
    void failuresEndInTheReport() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(int, rowsKept);
        if (content == "cut") { // a real workbook, its second half lost
            const QString whole = writeXlsColumnD(QStringLiteral("whole.xls"), {"A123", "B200"});
            content = m_dir->read(QStringLiteral("whole.xls"));
            content.truncate(content.size() / 2);
        }
        if (!content.isEmpty())
            m_dir->write(name, content);
        // A reader that goes wrong: the shell stands in for it and runs the
        // "workbook" as its script.
        const spreadsheet::XlsReaderLimits limits = spreadsheet::xlsReaderLimits();
        if (name.startsWith(QLatin1String("crash")) || name.startsWith(QLatin1String("hang")) ||
            name.startsWith(QLatin1String("half")))
            spreadsheet::setXlsReaderLimits({QStringLiteral("/bin/sh"), 1000});
        ItemGrid grid;
        grid.setRows(4);
        const int found = GetExcelData(grid, m_dir->file(name), m_ui);
        spreadsheet::setXlsReaderLimits(limits);
        QCOMPARE(found, -1);
        QCOMPARE(grid.rows(), rowsKept);
        QCOMPARE(m_op.messages.size(), 1);
        QVERIFY2(m_op.messages[0].startsWith(QStringLiteral("[GetExcelData][")),
                 qPrintable(m_op.messages[0]));
        QVERIFY(m_op.messages[0].endsWith(QLatin1Char(']')));
        QVERIFY2(m_op.messages[0].contains(name), qPrintable(m_op.messages[0]));
        QCOMPARE(platform::fromCp949(m_dir->read(QStringLiteral("detail_error.log"))).count(m_op.messages[0]),
                 1);
        QVERIFY(!m_op.waitCursor);
        QVERIFY(m_ui.LblPrtCnt.isEmpty());
        if (rowsKept == 1)
            QCOMPARE(grid.text(1, ColPurcSno), QStringLiteral("A123"));
    }
};

QTEST_GUILESS_MAIN(SpreadsheetImportTest)
#include "SpreadsheetImportTest.moc"
