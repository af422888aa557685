// The updater's log: settings file, levels, file names, daily files and their
// deletion, the size cut, the line layout, the trace viewer and two threads.
#include "UpdaterTestSupport.h"

#include "platform/Cp949.h"
#include "updater/UpdaterLog.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

using namespace updater;
using updatertest::readFile;

namespace {

QString today() {
    return QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
}

} // namespace

class UpdaterLogTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString program() const { return m_dir.path() + QStringLiteral("/Brannow"); }
    QString dir() const { return m_dir.path() + QLatin1Char('/'); }

    // Writes "Brannow.INI" beside the program file and opens the log.
    void open(const QByteArray& settings) {
        QFile f(dir() + QStringLiteral("Brannow.INI"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[LOCAL_LOG]\r\n" + settings);
        f.close();
        LogOpen(program());
    }

private slots:
    void init() {
        QDir d(m_dir.path());
        d.removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    void noSettingsFileWritesNothing() {
        LogOpen(program());
        QCOMPARE(logSettings().level, 0);
        LogWrite(1, QStringLiteral("CBrannowDlg::GetServerInfo"), QStringLiteral("x"));
        LogWriteFmt(1, QStringLiteral("CBrannowDlg::GetServerInfo"), "%d", 1);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).size(), 0);
    }

    void levelsFilter_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QList<int>>("written");
        QTest::newRow("default level") << QByteArray() << QList<int>{1};
        QTest::newRow("level 2") << QByteArray("LOG_LEVEL=2\r\n") << QList<int>{1, 2};
        QTest::newRow("level 3") << QByteArray("LOG_LEVEL=3\r\n") << QList<int>{1, 2, 3};
        QTest::newRow("level 0") << QByteArray("LOG_LEVEL=0\r\n") << QList<int>{};
    }
    void levelsFilter() {
        QFETCH(QByteArray, settings);
        QFETCH(QList<int>, written);
        open(settings);
        for (int level = 1; level <= 3; ++level) {
            LogWrite(level, QStringLiteral("s"), QStringLiteral("plain %1").arg(level));
            LogWriteFmt(level, QStringLiteral("s"), "fmt %d", level);
        }
        const QByteArray log = readFile(dir() + QStringLiteral("Brannow.LOG"));
        QList<int> seen;
        for (const QByteArray& line : log.split('\n')) {
            if (line.isEmpty())
                continue;
            const int level = line.split(',').at(2).toInt();
            QVERIFY2(line.endsWith("plain " + QByteArray::number(level) + "\r") ||
                         line.endsWith("fmt " + QByteArray::number(level) + "\r"),
                     line.constData());
            if (seen.isEmpty() || seen.last() != level)
                seen.append(level);
        }
        QCOMPARE(seen, written);
    }

    void lineLayout() {
        open("LOG_LEVEL=3\r\n");
        LogWrite(2, QStringLiteral("CPosKey::POS_KeyPress"), QStringLiteral("◆POS_KeyPress 한글"));
        LogWrite(1, QStringLiteral("CBrannowDlg::ThisSourceTagIsLongerThanThirty"), QStringLiteral("cut"));
        LogWriteFmt(3, QStringLiteral("CBrannowDlg::AnalysisIni"), "%s DOWNLOAD에 실패하였습니다.",
                    "Version.ini");
        const QByteArray log = readFile(dir() + QStringLiteral("Brannow.LOG"));
        const QList<QByteArray> lines = log.split('\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines.last().isEmpty());
        const QRegularExpression stamp(
            QStringLiteral("^\\d{4}/\\d{2}/\\d{2},\\d{2}:\\d{2}:\\d{2}\\.\\d{3},$"));
        for (int i = 0; i < 3; ++i) {
            QVERIFY(lines[i].endsWith('\r'));
            QVERIFY2(stamp.match(QString::fromLatin1(lines[i].left(24))).hasMatch(), lines[i].constData());
        }
        // Level, the tag in exactly 30 bytes, then the text, in CP949.
        QCOMPARE(lines[0].mid(24), QByteArray("2,CPosKey::POS_KeyPress         ,") +
                                       platform::toCp949(u"◆POS_KeyPress 한글") + '\r');
        QCOMPARE(lines[1].mid(24), QByteArray("1,CBrannowDlg::ThisSourceTagIsLo,cut\r"));
        QCOMPARE(lines[2].mid(24), QByteArray("3,CBrannowDlg::AnalysisIni      ,") +
                                       platform::toCp949(u"Version.ini DOWNLOAD에 실패하였습니다.") + '\r');
        QVERIFY(lines[0].startsWith(QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")).toLatin1()));
    }

    void derivedNames_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("file"); // relative to the temporary folder; %D = today
        QTest::newRow("no name: program's name") << QByteArray() << QStringLiteral("Brannow.LOG");
        QTest::newRow("directory, name, extension")
            << QByteArray("LOG_FNAME=@logs/upd.txt\r\n") << QStringLiteral("logs/upd.txt");
        QTest::newRow("daily file") << QByteArray("LOG_FNAME=@logs/upd.txt\r\nLOG_DATE=0\r\n")
                                    << QStringLiteral("logs/upd%D.txt");
        QTest::newRow("cut at the space") << QByteArray("LOG_FNAME=upd log\r\n") << QStringLiteral("upd.LOG");
        QTest::newRow("cut at the tab")
            << QByteArray("LOG_FNAME=upd\tlog.txt\r\nLOG_DATE=3\r\n") << QStringLiteral("upd%D.LOG");
        QTest::newRow("directory only")
            << QByteArray("LOG_FNAME=@logs/\r\n") << QStringLiteral("logs/Brannow.LOG");
        QTest::newRow("extension only") << QByteArray("LOG_FNAME=.txt\r\n") << QStringLiteral("Brannow.txt");
    }
    void derivedNames() {
        QFETCH(QByteArray, settings);
        QFETCH(QString, file);
        QDir(m_dir.path()).mkdir(QStringLiteral("logs"));
        open(settings.replace('@', dir().toLocal8Bit()));
        LogWrite(1, QStringLiteral("s"), QStringLiteral("line"));
        const QString expected = dir() + QString(file).replace(QStringLiteral("%D"), today());
        QCOMPARE(logFileFor(QDate::currentDate()), expected);
        QVERIFY2(readFile(expected).endsWith(",line\r\n"), qPrintable(expected));
    }

    void dayNumbers() {
        // Consecutive dates give consecutive numbers, across month ends, leap
        // days and century years.
        QCOMPARE(dayNumber(2024, 3, 1) - dayNumber(2024, 2, 28), 2);
        QCOMPARE(dayNumber(2023, 3, 1) - dayNumber(2023, 2, 28), 1);
        QCOMPARE(dayNumber(1900, 3, 1) - dayNumber(1900, 2, 28), 1);
        QCOMPARE(dayNumber(2000, 3, 1) - dayNumber(2000, 2, 28), 2);
        QCOMPARE(dayNumber(2025, 1, 1) - dayNumber(2024, 12, 31), 1);
        QCOMPARE(dayNumber(2025, 1, 1) - dayNumber(2024, 1, 1), 366);
        QCOMPARE(QDate(2024, 5, 17).toJulianDay() - QDate(1999, 12, 31).toJulianDay(),
                 qint64(dayNumber(2024, 5, 17) - dayNumber(1999, 12, 31)));
        // A name without a date counts as the year 0 and month 0.
        QVERIFY(dayNumber(0, 0, 0) < dayNumber(1, 1, 1));
    }

    void oldFilesDeleted() {
        const QDate now = QDate::currentDate();
        auto name = [](const QDate& d) {
            return QStringLiteral("upd") + d.toString(QStringLiteral("yyyyMMdd"));
        };
        const QStringList gone = {name(now.addDays(-10)) + QStringLiteral(".LOG"), QStringLiteral("upd.LOG"),
                                  name(now.addDays(-8)) + QStringLiteral("_101500.LOG")};
        const QStringList kept = {
            name(now.addDays(-3)) + QStringLiteral(".LOG"), name(now.addDays(-7)) + QStringLiteral(".LOG"),
            name(now.addDays(-10)) + QStringLiteral(".txt"), QStringLiteral("other.LOG")};
        for (const QString& f : gone + kept) {
            QFile file(dir() + f);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        open("LOG_FNAME=upd\r\nLOG_DATE=7\r\n");
        for (const QString& f : gone)
            QVERIFY2(!QFile::exists(dir() + f), qPrintable(f));
        for (const QString& f : kept)
            QVERIFY2(QFile::exists(dir() + f), qPrintable(f));
    }

    void noDeletionWithoutDays() {
        const QString old = dir() + QStringLiteral("upd20000101.LOG");
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        open("LOG_FNAME=upd\r\nLOG_DATE=0\r\n");
        QVERIFY(QFile::exists(old));
    }

    void sizeCut() {
        open("LOG_FNAME=upd\r\nLOG_SIZE=1\r\n");
        const QString current = dir() + QStringLiteral("upd.LOG");
        const QString big(600000, QLatin1Char('x'));
        LogWrite(1, QStringLiteral("s"), big);
        QVERIFY(QFile::exists(current));
        LogWrite(1, QStringLiteral("s"), big); // passes 1 MiB: the file gets its dated name
        QVERIFY(!QFile::exists(current));
        const QStringList cut = QDir(m_dir.path()).entryList({QStringLiteral("upd*_*.LOG")});
        QCOMPARE(cut.size(), 1);
        QVERIFY2(
            QRegularExpression(QStringLiteral("^upd%1_\\d{6}\\.LOG$").arg(today())).match(cut[0]).hasMatch(),
            qPrintable(cut[0]));
        QVERIFY(QFileInfo(dir() + cut[0]).size() > 1048576);
        LogWrite(1, QStringLiteral("s"), QStringLiteral("fresh"));
        const QByteArray fresh = readFile(current);
        QCOMPARE(fresh.count('\n'), 1);
        QVERIFY(fresh.endsWith(",fresh\r\n"));
    }

    void traceViewer() {
        open("LOG_WIN=1\r\nLOG_LEVEL=2\r\n");
        const QString name = QLatin1String(kTraceViewerName);
        QLocalServer::removeServer(name);
        QLocalServer viewer;
        QVERIFY(viewer.listen(name));
        QList<QByteArray> received;
        connect(&viewer, &QLocalServer::newConnection, this, [&] {
            while (QLocalSocket* s = viewer.nextPendingConnection()) {
                auto* buffer = new QByteArray;
                connect(s, &QLocalSocket::readyRead, s, [s, buffer] { buffer->append(s->readAll()); });
                connect(s, &QLocalSocket::disconnected, s, [s, buffer, &received] {
                    buffer->append(s->readAll());
                    received.append(*buffer);
                    delete buffer;
                    s->deleteLater();
                });
            }
        });
        LogWrite(1, QStringLiteral("CBrannowDlg::ServerConnect"), QStringLiteral("서버정보(FTP) 연결 시작"));
        LogWriteFmt(2, QStringLiteral("CPosKey::POS_KeyPress"), "key %d", 7);
        LogWrite(3, QStringLiteral("s"), QStringLiteral("above the level"));
        QTRY_COMPARE(received.size(), 2);
        // One message per line, no line end.
        for (const QByteArray& m : received)
            QVERIFY(!m.endsWith('\n') && !m.contains('\r'));
        const bool keyFirst = received[0].endsWith(",key 7");
        QCOMPARE(received[keyFirst ? 1 : 0].mid(24),
                 "1,CBrannowDlg::ServerConnect    ," + platform::toCp949(u"서버정보(FTP) 연결 시작"));
        QCOMPARE(received[keyFirst ? 0 : 1].mid(24), QByteArray("2,CPosKey::POS_KeyPress         ,key 7"));

        // Nobody listening: the line is dropped and nothing lands in a file.
        viewer.close();
        QElapsedTimer t;
        t.start();
        LogWrite(1, QStringLiteral("s"), QStringLiteral("dropped"));
        QVERIFY(t.elapsed() < 1000);
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("*.LOG")}).size(), 0);
    }

    void twoThreadsKeepTheirTexts() {
        open("LOG_FNAME=threads\r\n");
        const int count = 5000;
        auto writer = [count](char c) {
            const std::string body(480, c);
            for (int i = 0; i < count; ++i)
                LogWriteFmt(1, QStringLiteral("T%1").arg(c), "%s-%05d", body.c_str(), i);
        };
        std::thread a(writer, 'a'), b(writer, 'b');
        a.join();
        b.join();
        const QByteArray log = readFile(dir() + QStringLiteral("threads.LOG"));
        const QRegularExpression line(
            QStringLiteral("^[^,]*,[^,]*,1,T(a|b) {28},(a{480}|b{480})-(\\d{5})\\r$"));
        int seen[2] = {0, 0};
        for (const QByteArray& l : log.split('\n')) {
            if (l.isEmpty())
                continue;
            const auto m = line.match(QString::fromLatin1(l));
            QVERIFY2(m.hasMatch(), l.left(80).constData());
            // The text belongs to the thread of the tag.
            QCOMPARE(m.captured(2).at(0), m.captured(1).at(0));
            ++seen[m.captured(1) == QLatin1String("a") ? 0 : 1];
        }
        QCOMPARE(seen[0], count);
        QCOMPARE(seen[1], count);
    }
};

QTEST_GUILESS_MAIN(UpdaterLogTest)
#include "test_updaterlog.moc"
