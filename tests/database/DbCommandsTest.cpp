// vantrelctl init-db and search as a user runs them: the demo database is
// reproducible from its seed, and the search prints the grid it fills.
#include "platform/Cp949.h"
#include "tests/support/TestSupport.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QtTest>

class DbCommandsTest : public QObject {
    Q_OBJECT

    struct Run {
        int code;
        QString out;
        QString err;
    };
    static Run vantrelctl(const QString& dir, const QStringList& args) {
        QProcess p;
        p.setWorkingDirectory(dir);
        p.start(testsupport::binDir() + QStringLiteral("/vantrelctl"), QStringList{"--dir", dir} + args);
        p.waitForFinished(120000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    // Every table's rows in a fixed order, as one hash.
    static QByteArray contentHash(const QString& file) {
        QCryptographicHash h(QCryptographicHash::Sha256);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("dump"));
            db.setDatabaseName(file);
            db.open();
            for (const char* t : {"slfanrfidmaster", "slfanrfidspec", "slfanrfiditem", "slfanrfiddept",
                                  "slfanrfidcommon", "slfanrfidauth", "sys_sequences"}) {
                QSqlQuery q(db);
                q.exec(QStringLiteral("select * from %1 order by 1, 2").arg(QLatin1String(t)));
                while (q.next())
                    for (int i = 0; i < q.record().count(); ++i)
                        h.addData(q.value(i).toString().toUtf8() + '|');
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("dump"));
        return h.result().toHex();
    }

private slots:
    void initDbIsReproducible() {
        testsupport::TempProgramDir dir;
        QCOMPARE(vantrelctl(dir.path(), {"init-db", "a.db", "--demo-rows", "300", "--seed", "5"}).code, 0);
        QCOMPARE(vantrelctl(dir.path(), {"init-db", "b.db", "--demo-rows", "300", "--seed", "5"}).code, 0);
        QCOMPARE(vantrelctl(dir.path(), {"init-db", "c.db", "--demo-rows", "300", "--seed", "6"}).code, 0);
        QCOMPARE(contentHash(dir.file("a.db")), contentHash(dir.file("b.db")));
        QVERIFY(contentHash(dir.file("a.db")) != contentHash(dir.file("c.db")));
        // An existing file is never overwritten.
        const QByteArray before = dir.read("a.db");
        const Run again = vantrelctl(dir.path(), {"init-db", "a.db"});
        QCOMPARE(again.code, 1);
        QVERIFY(again.err.contains(QStringLiteral("already exists")));
        QCOMPARE(dir.read("a.db"), before);
        QCOMPARE(vantrelctl(dir.path(), {"init-db", "x.db", "--demo-rows", "many"}).code, 2);
    }

    void searchPrintsTheGrid() {
        testsupport::TempProgramDir dir;
        QCOMPARE(vantrelctl(dir.path(), {"init-db", "items.db", "--demo-rows", "400", "--seed", "3"}).code,
                 0);
        dir.writeText(QStringLiteral("db_setup.ini"),
                      QStringLiteral("[DB_INFO]\r\nDATABASE=items.db\r\nUSER=rfid\r\nPASSWORD=secret\r\n"));

        const Run all = vantrelctl(dir.path(), {"search", "--state", "all"});
        QCOMPARE(all.code, 0);
        const QStringList lines = all.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.first().split(QLatin1Char('\t')).size(), 15);
        QVERIFY(lines.first().startsWith(QStringLiteral("발행\tTAG HD\tTAG ID\t구입일련번호")));
        QCOMPARE(lines.size(), 401);
        QCOMPARE(all.err.trimmed(), QStringLiteral("message: 400건의 자료가 검색 되었습니다."));
        QCOMPARE(platform::fromCp949(dir.read("error.log")).count(QStringLiteral("\r\n")), 400);

        // Issued rows only, with their tag ids; an apostrophe in the name box.
        const Run issued = vantrelctl(dir.path(), {"search", "--state", "issued"});
        QCOMPARE(issued.code, 0);
        for (const QString& line : issued.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1)) {
            const QStringList f = line.split(QLatin1Char('\t'));
            QVERIFY2(f[2].startsWith(QStringLiteral("GG413500")) && f[12] == QStringLiteral("Y"),
                     qPrintable(line));
        }
        const Run quoted = vantrelctl(dir.path(), {"search", "--state", "all", "--name", "'스마트"});
        QCOMPARE(quoted.code, 0);
        for (const QString& line : quoted.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(1))
            QVERIFY(line.split(QLatin1Char('\t'))[6].contains(QStringLiteral("'스마트보드'")));

        const Run none = vantrelctl(dir.path(), {"search", "--from", "20300101", "--to", "20301231"});
        QCOMPARE(none.code, 1);
        QCOMPARE(none.err.trimmed(), QStringLiteral("message: 해당 데이터가 존재하지 않습니다."));
        QCOMPARE(vantrelctl(dir.path(), {"search", "--state", "done"}).code, 2);
        QCOMPARE(vantrelctl(dir.path(), {"search", "--from", "2020-01-01"}).code, 2);
    }

    void searchWithoutADatabase() {
        testsupport::TempProgramDir dir;
        dir.writeText(QStringLiteral("db_setup.ini"), QStringLiteral("[DB_INFO]\r\nDATABASE=gone.db\r\n"));
        const Run r = vantrelctl(dir.path(), {"search"});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(QStringLiteral("gone.db")));
        QVERIFY(!QFile::exists(dir.file("gone.db")));
    }
};

QTEST_GUILESS_MAIN(DbCommandsTest)
#include "DbCommandsTest.moc"
