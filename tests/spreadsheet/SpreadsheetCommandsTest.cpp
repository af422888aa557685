// vantrelctl import and export as a support engineer runs them, on a demo
// database made by vantrelctl init-db.
#include "tests/support/TestSupport.h"
#include "tests/support/XlsRead.h"

#include <QDate>
#include <QDir>
#include <QProcess>
#include <QTest>

using testsupport::readWithXlrd;

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

Run vantrelctl(const QString& dir, const QStringList& args) {
    QProcess p;
    p.start(testsupport::binDir() + QStringLiteral("/vantrelctl"),
            QStringList{QStringLiteral("--dir"), dir} + args);
    Run r;
    if (!p.waitForFinished(120000))
        return r;
    r.code = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

class SpreadsheetCommandsTest : public QObject {
    Q_OBJECT

    testsupport::TempProgramDir m_dir;

private slots:
    void initTestCase() {
        const Run r =
            vantrelctl(m_dir.path(), {QStringLiteral("init-db"), m_dir.file(QStringLiteral("items.db")),
                                      QStringLiteral("--demo-rows"), QStringLiteral("300")});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        m_dir.write(QStringLiteral("db_setup.ini"),
                    "[DB_INFO]\r\nDATABASE=items.db\r\nUSER=demo\r\nPASSWORD=x\r\n");
    }

    void exportToFolderThenImportAgain() {
        const Run ex = vantrelctl(m_dir.path(),
                                  {QStringLiteral("export"), m_dir.path(), QStringLiteral("--state"),
                                   QStringLiteral("all"), QStringLiteral("--sort"), QStringLiteral("name")});
        QVERIFY2(ex.code == 0, qPrintable(ex.err));
        QVERIFY(ex.err.contains(QStringLiteral("message: 300건의 자료가 검색 되었습니다.")));
        QVERIFY(ex.err.contains(QStringLiteral("message: 엑셀저장에 성공하였습니다.")));
        const QString file = m_dir.file(QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) +
                                        QStringLiteral("태그발행결과.xls"));
        QVERIFY(ex.out.startsWith(QDir::toNativeSeparators(file)));

        const auto sheet = readWithXlrd(file);
        QVERIFY2(sheet.ok, qPrintable(sheet.error));
        QCOMPARE(sheet.nrows, 301);

        const Run im = vantrelctl(m_dir.path(), {QStringLiteral("import"), file});
        QVERIFY2(im.code == 0, qPrintable(im.err));
        QVERIFY(!im.err.contains(QStringLiteral("구입일련번호[구입일련번호]")));
        QVERIFY(im.err.contains(QStringLiteral("message: 300건의 자료가 검색 되었습니다.")));
        // The grid printed by the import holds the exported sheet, row for row.
        const QStringList lines = im.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 301);
        // The sheet holds amounts and dates as numbers and dates.
        for (int r = 0; r < 301; r += 50) {
            QStringList printed = lines[r].split(QLatin1Char('\t'));
            if (r > 0) {
                printed[8] = QStringLiteral("number:") + printed[8].remove(QLatin1Char(','));
                printed[9] = QStringLiteral("date:") + printed[9];
            }
            QCOMPARE(printed, sheet.rows[r]);
        }
    }

    void failures() {
        m_dir.write(QStringLiteral("plain.csv"), "header\n1,20200001\n");
        const Run bad =
            vantrelctl(m_dir.path(), {QStringLiteral("import"), m_dir.file(QStringLiteral("plain.csv"))});
        QCOMPARE(bad.code, 1);
        QVERIFY(bad.err.contains(QStringLiteral("message: [GetExcelData][")));

        // A search that finds nothing leaves nothing to save.
        const Run empty =
            vantrelctl(m_dir.path(), {QStringLiteral("export"), m_dir.file(QStringLiteral("e.xls")),
                                      QStringLiteral("--purc-sno"), QStringLiteral("none")});
        QCOMPARE(empty.code, 1);
        QVERIFY(empty.err.contains(QStringLiteral("message: 엑셀파일로 저장할 데이타가 없습니다.")));
        QVERIFY(!QFile::exists(m_dir.file(QStringLiteral("e.xls"))));

        // A file that cannot be written: the message names it and says why.
        const QString nowhere = m_dir.file(QStringLiteral("no-such-folder/e.xls"));
        const Run unwritable = vantrelctl(m_dir.path(), {QStringLiteral("export"), nowhere});
        QCOMPARE(unwritable.code, 1);
        QVERIFY2(unwritable.err.contains(QStringLiteral("message: 엑셀저장에 실패하였습니다. / ") + nowhere +
                                         ": "),
                 qPrintable(unwritable.err));
    }
};

QTEST_GUILESS_MAIN(SpreadsheetCommandsTest)
#include "SpreadsheetCommandsTest.moc"
