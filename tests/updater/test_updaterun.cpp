// Update runs against a real FTP server on loopback: what is fetched, what is
// copied, what is started, and what the operator sees when a step fails.
#include "tests/support/UpdaterSupport.h"

#include "platform/Cp949.h"
#include "platform/ProgramDir.h"
#include "updater/FtpClient.h"
#include "updater/UpdaterLog.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace updater;
using namespace testsupport;

namespace {

// The main program the updater starts, by this system's file name.
QString mainProgram() {
    return platform::executableFileName(QStringLiteral("Vantrel"));
}

QStringList filesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files, QDir::Name);
}

// A settings file with CR LF lines, Korean text and bytes a text-mode
// transfer would rewrite.
const QByteArray kSetupIni =
    "[PRINTER]\r\nNAME=" + platform::toCp949(u"발행기") + "\r\nRAW=\x1a\x00\xff\n\r\n";

} // namespace

class UpdateRunTest : public QObject {
    Q_OBJECT

    // A program directory with logging at level 3 into "Brannow.LOG".
    std::unique_ptr<QTemporaryDir> m_prog;
    QString prog() const { return m_prog->path(); }
    QString at(const QString& name) const { return prog() + QLatin1Char('/') + name; }
    QString log() const { return platform::fromCp949(readFile(at(QStringLiteral("Brannow.LOG")))); }
    void putStandIn() { writeFile(at(mainProgram()), standInProgram(), true); }

private slots:
    void init() { m_prog = loggedProgramDir(); }

    void versionComparison_data() {
        QTest::addColumn<QByteArray>("local");
        QTest::addColumn<QByteArray>("server");
        QTest::addColumn<int>("newer");
        QTest::newRow("equal") << QByteArray("202405011200") << QByteArray("202405011200") << 0;
        QTest::newRow("local digit smaller") << QByteArray("202404011200") << QByteArray("202405011200") << 1;
        QTest::newRow("local digit greater") << QByteArray("202406011200") << QByteArray("202405011200") << 0;
        QTest::newRow("server a start of local") << QByteArray("20240501") << QByteArray("2024") << 0;
        QTest::newRow("local a start of server") << QByteArray("2024") << QByteArray("20240501") << 1;
        QTest::newRow("server empty") << QByteArray("1") << QByteArray() << 0;
        // Bytes compare unsigned: a lead byte of a Korean text is greater
        // than any digit.
        QTest::newRow("high byte local") << QByteArray("\xb0\xa1") << QByteArray("9") << 0;
    }
    void versionComparison() {
        QFETCH(QByteArray, local);
        QFETCH(QByteArray, server);
        QFETCH(int, newer);
        QCOMPARE(compareVersionDates(local, server), newer);
    }

    // No local "Version.ini": the server's real date is newer.
    void newerVersionUpdatesAndStarts() {
        FtpTestServer server;
        server.putVersion("202405011200");
        server.put(QStringLiteral("setup.ini"), kSetupIni);
        server.put(QStringLiteral("PRINTER.INI"), "upper case");
        server.put(mainProgram(), standInProgram());
        server.put(QStringLiteral("libQuorvel.so"), QByteArray("\x7f"
                                                               "ELF\r\n",
                                                               6));
        server.put(QStringLiteral("logo.bmp"), QByteArray(300, 'B'));
        QVERIFY(server.start());
        writeFtpSetup(prog(), server.port());
        writeFile(at(QStringLiteral("setup.ini")), "old");

        RecordingWindow w;
        UpdateRun run(w, prog());
        QCOMPARE(run.UpdateThread(), 0);
        QVERIFY2(w.messages.isEmpty(), qPrintable(w.messages.join('|')));
        QVERIFY(w.closed);
        QCOMPARE(w.totals, (QList<int>{0, 15, 25, 50, 75, 100}));
        QCOMPARE(w.timers.size(), 4);

        // Settings files and the program are in place byte for byte and the
        // program can run; everything else waits in the download folder.
        QCOMPARE(readFile(at(QStringLiteral("Version.ini"))), versionIni("202405011200"));
        QCOMPARE(readFile(at(QStringLiteral("setup.ini"))), kSetupIni);
        QCOMPARE(readFile(at(QStringLiteral("PRINTER.INI"))), QByteArray("upper case"));
        QCOMPARE(readFile(at(mainProgram())), standInProgram());
        QVERIFY(QFileInfo(at(mainProgram())).isExecutable());
        QCOMPARE(filesIn(run.tempDir()),
                 (QStringList{QStringLiteral("libQuorvel.so"), QStringLiteral("logo.bmp")}));
        QVERIFY(waitForStart(prog()));
        QVERIFY(log().contains(QStringLiteral("서버정보(FTP) 파일 다운로드 복사 종료")));
    }

    void equalDatesStartAtOnce() {
        FtpTestServer server;
        server.putVersion("202405011200");
        server.put(QStringLiteral("setup.ini"), kSetupIni);
        QVERIFY(server.start());
        writeFtpSetup(prog(), server.port());
        writeFile(at(QStringLiteral("Version.ini")), versionIni("202405011200"));
        putStandIn();

        RecordingWindow w;
        UpdateRun run(w, prog());
        run.UpdateThread();
        QVERIFY(w.messages.isEmpty());
        QVERIFY(w.closed);
        // Only the version file was fetched; nothing was copied.
        QCOMPARE(filesIn(run.tempDir()), QStringList{QStringLiteral("Version.ini")});
        QVERIFY(!QFile::exists(at(QStringLiteral("setup.ini"))));
        QVERIFY(!run.state().ok); // the download bar ends at 0
        QVERIFY(waitForStart(prog()));
    }

    // Each failure shows its message with the OK button and stops; the OK
    // button then starts the main program.
    void failures_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("downloadDir");
        QTest::addColumn<bool>("versionFile");
        QTest::addColumn<QString>("message");
        QTest::newRow("login refused") << QStringList{QStringLiteral("--password"), QStringLiteral("other")}
                                       << true << true << msg::kConnectFailed;
        QTest::newRow("no server") << QStringList{QStringLiteral("dead")} << true << true
                                   << msg::kConnectFailed;
        QTest::newRow("no download directory") << QStringList{} << false << false << msg::kChangeDirFailed;
        QTest::newRow("no version file")
            << QStringList{} << true << false << msg::kDownloadFailed.arg(QStringLiteral("Version.ini"));
        QTest::newRow("empty listing")
            << QStringList{QStringLiteral("--hide-listing")} << true << true << msg::kNothingToDownload;
        QTest::newRow("file fails mid-list")
            << QStringList{QStringLiteral("--extra"), QStringLiteral("m_broken.ini")} << true << true
            << msg::kDownloadFailed.arg(QStringLiteral("m_broken.ini"));
        QTest::newRow("listing stalls")
            << QStringList{QStringLiteral("--stall-listing")} << true << true << msg::kListFailed;
        // The server announces half the program as its size and ends the
        // transfer there; only the listing has the true size.
        QTest::newRow("program cut short, false size")
            << QStringList{QStringLiteral("--truncate"), mainProgram()} << true << true
            << msg::kDownloadFailed.arg(mainProgram());
    }
    void failures() {
        QFETCH(QStringList, options);
        QFETCH(bool, downloadDir);
        QFETCH(bool, versionFile);
        QFETCH(QString, message);
        FtpTestServer server;
        if (versionFile)
            server.putVersion("202405011200");
        server.put(QStringLiteral("a_first.ini"), "first");
        server.put(QStringLiteral("z_last.ini"), "last");
        server.put(mainProgram(), QByteArray(30072, 'V'));
        if (!downloadDir)
            QDir(server.downloadDir()).removeRecursively();
        const bool dead = options == QStringList{QStringLiteral("dead")};
        if (!dead)
            QVERIFY(server.start(options));
        writeFtpSetup(prog(), dead ? deadPort() : server.port());
        putStandIn();
        const auto before = snapshot(prog());

        RecordingWindow w;
        UpdateRun run(w, prog());
        run.setStallSeconds(2);
        run.UpdateThread();
        QCOMPARE(w.messages, QStringList{message});
        QVERIFY(!w.closed);
        QVERIFY(!run.state().ok);
        QVERIFY(run.state().done[kStepDownload] && !run.state().done[kStepCopy]);
        const QString last = log().section(QStringLiteral("\r\n"), -2, -2);
        QVERIFY2(last.contains(QStringLiteral(",3,CBrannowDlg::")) &&
                     last.endsWith(QLatin1Char(',') + message),
                 qPrintable(last));
        // Nothing fetched before the failure reached the program directory.
        QCOMPARE(snapshot(prog()), before);

        QTest::qWait(200);
        QCOMPARE(startsIn(prog()), 0);
        run.OnOkButton();
        QVERIFY(w.closed);
        QVERIFY(waitForStart(prog()));
        QVERIFY(log().contains(QStringLiteral("CBrannowDlg::OnInitDialog     ,POS 프로그램 기동 처리 종료")));
    }

    // Without a server named the program starts at once: no connection
    // attempt that would time out, no message waiting for OK.
    void noServerStartsAtOnce_data() {
        QTest::addColumn<QByteArray>("setup"); // empty: no "Ftp_Setup.ini"
        QTest::newRow("no Ftp_Setup.ini") << QByteArray();
        QTest::newRow("blank SERVER_IP") << QByteArray("[SERVER_INFO]\r\nSERVER_IP= \r\nSERVER_PORT=21\r\n");
    }
    void noServerStartsAtOnce() {
        QFETCH(QByteArray, setup);
        if (!setup.isEmpty())
            writeFile(at(QStringLiteral("Ftp_Setup.ini")), setup);
        putStandIn();

        RecordingWindow w;
        UpdateRun run(w, prog());
        run.UpdateThread();
        QVERIFY2(w.messages.isEmpty(), qPrintable(w.messages.join('|')));
        QVERIFY(w.closed);
        QVERIFY(waitForStart(prog()));
        QVERIFY(log().contains(QStringLiteral(",1,CBrannowDlg::GetServerInfo    ,") + msg::kUpdatesOff));
        QVERIFY(!log().contains(QStringLiteral("서버정보(FTP) 연결 시작")));
        QVERIFY(!QFile::exists(run.tempDir()));
    }

    void noProgramFileInUpdate() {
        FtpTestServer server;
        server.putVersion("202405011200");
        server.put(QStringLiteral("setup.ini"), kSetupIni);
        server.put(QStringLiteral("Quorvel.dll"), "dll");
        QVERIFY(server.start());
        writeFtpSetup(prog(), server.port());
        putStandIn();

        RecordingWindow w;
        UpdateRun run(w, prog());
        run.UpdateThread();
        QCOMPARE(w.messages, QStringList{msg::kNoProgramFile});
        QVERIFY(!w.closed);
        QCOMPARE(readFile(at(QStringLiteral("setup.ini"))), kSetupIni); // the settings were copied
        QCOMPARE(filesIn(run.tempDir()), QStringList{QStringLiteral("Quorvel.dll")});
        run.OnOkButton();
        QVERIFY(waitForStart(prog()));
    }

    void hostileNamesStayOutside() {
        QTemporaryDir outside;
        const QString absolute = outside.path() + QStringLiteral("/x");
        FtpTestServer server;
        server.putVersion("202405011200");
        server.put(mainProgram(), standInProgram());
        // The updater itself and the file naming its server are never
        // replaced, whatever case the server writes them in.
        const QString updater = platform::executableFileName(QStringLiteral("Brannow"));
        server.put(updater, "forged updater");
        server.put(QStringLiteral("FTP_SETUP.INI"), "[SERVER_INFO]\r\nSERVER_IP=10.6.6.6\r\n");
        writeFile(server.root() + QStringLiteral("/x"), "escaped"); // what "../x" would fetch
        QStringList extras;
        for (const QString& name : {QStringLiteral("../x"), absolute, QStringLiteral("/etc/x"),
                                    QStringLiteral("sub/../../x"), QStringLiteral("..")})
            extras << QStringLiteral("--extra") << name;
        QVERIFY(server.start(extras));
        // The program directory lies one level down, so "../x" would land in
        // a folder of this test.
        const QString base = at(QStringLiteral("inner"));
        QVERIFY(QDir().mkpath(base));
        writeFtpSetup(base, server.port());
        writeFile(base + QLatin1Char('/') + updater, "own updater", true);
        const QByteArray setup = readFile(base + QStringLiteral("/Ftp_Setup.ini"));
        const bool etcHadX = QFile::exists(QStringLiteral("/etc/x"));

        RecordingWindow w;
        UpdateRun run(w, base);
        run.UpdateThread();
        // The refused names are logged; the rest of the update goes on.
        QVERIFY2(w.messages.isEmpty(), qPrintable(w.messages.join('|')));
        QVERIFY(waitForStart(base));
        QVERIFY(!QFile::exists(absolute));
        QCOMPARE(QFile::exists(QStringLiteral("/etc/x")), etcHadX);
        QVERIFY(!QFile::exists(base + QStringLiteral("/x")));
        QVERIFY(!QFile::exists(at(QStringLiteral("x"))));
        QCOMPARE(filesIn(run.tempDir()), (QStringList{updater, QStringLiteral("FTP_SETUP.INI")}));
        QCOMPARE(log().count(QStringLiteral(",3,CBrannowDlg::GetDownLoadFile  ,")), 5);
        QCOMPARE(readFile(base + QLatin1Char('/') + updater), QByteArray("own updater"));
        QCOMPARE(readFile(base + QStringLiteral("/Ftp_Setup.ini")), setup);
        // One settings file of that name, the site's own (a case-blind
        // file system has one name for both spellings).
        QCOMPARE(filesIn(base).filter(QStringLiteral("ftp_setup.ini"), Qt::CaseInsensitive),
                 QStringList{QStringLiteral("Ftp_Setup.ini")});
        QCOMPARE(log().count(QStringLiteral("파일은 UPDATE로 바꾸지 않습니다.")), 2);
    }

    // Links planted where the run writes, its log among them: the links are
    // replaced, their targets outside the folders stay as they were.
    void plantedLinksAreReplaced_data() {
        QTest::addColumn<bool>("folderLink");
        QTest::newRow("download folder is a link") << true;
        QTest::newRow("links to files in both folders") << false;
    }
    void plantedLinksAreReplaced() {
        QFETCH(bool, folderLink);
        QTemporaryDir outside;
        writeFile(outside.filePath(QStringLiteral("target")), "outside");
        const auto outsideBefore = snapshot(outside.path());
        FtpTestServer server;
        server.putVersion("202405011200");
        server.put(QStringLiteral("setup.ini"), kSetupIni);
        server.put(mainProgram(), standInProgram());
        server.put(QStringLiteral("Quorvel.dll"), "stays in the download folder");
        QVERIFY(server.start());
        writeFtpSetup(prog(), server.port());
        const QString target = outside.filePath(QStringLiteral("target"));
#ifdef Q_OS_WIN
        if (folderLink)
            QSKIP("QFile::link makes a shortcut file on Windows, not a link the file system follows");
#endif
        if (folderLink) {
            QVERIFY(QFile::link(outside.path(), at(QStringLiteral("FtpTemp"))));
        } else {
            QVERIFY(QDir(prog()).mkdir(QStringLiteral("FtpTemp")));
            QVERIFY(QFile::link(target, at(QStringLiteral("FtpTemp/Vantrel"))));
            QVERIFY(QFile::link(target, at(QStringLiteral("FtpTemp/Version.ini"))));
            QVERIFY(QFile::link(target, at(QStringLiteral("setup.ini"))));
            QVERIFY(QFile::link(target, at(mainProgram())));
            // Through a link that leads nowhere the log would create a file.
            QVERIFY(QFile::link(outside.filePath(QStringLiteral("log")), at(QStringLiteral("Brannow.LOG"))));
        }

        RecordingWindow w;
        UpdateRun run(w, prog());
        run.UpdateThread();
        QVERIFY2(w.messages.isEmpty(), qPrintable(w.messages.join('|')));
        QVERIFY(waitForStart(prog()));
        QCOMPARE(snapshot(outside.path()), outsideBefore);
        QVERIFY(!QFileInfo(at(QStringLiteral("FtpTemp"))).isSymLink());
        QVERIFY(!QFileInfo(at(QStringLiteral("setup.ini"))).isSymLink());
        QVERIFY(log().contains(QStringLiteral("서버정보(FTP) 파일 다운로드 복사 종료")));
        QCOMPARE(readFile(at(QStringLiteral("setup.ini"))), kSetupIni);
        QCOMPARE(readFile(at(mainProgram())), standInProgram());
    }

    // A file that cannot be put in place fails the copy step, and what was
    // already in place is put back.
    void copyFailureRestoresProgramDirectory() {
        FtpTestServer server;
        server.putVersion("202405011200");
        server.put(QStringLiteral("a_first.ini"), "new first");
        server.put(QStringLiteral("z_last.ini"), "new last");
        server.put(mainProgram(), "new program");
        QVERIFY(server.start());
        writeFtpSetup(prog(), server.port());
        putStandIn();
        writeFile(at(QStringLiteral("a_first.ini")), "old first");
        writeFile(at(QStringLiteral("Version.ini")), versionIni("202301010000"));
        QVERIFY(QDir(prog()).mkdir(QStringLiteral("z_last.ini"))); // in the way of the second file
        const auto before = snapshot(prog());

        RecordingWindow w;
        UpdateRun run(w, prog());
        run.UpdateThread();
        QCOMPARE(w.messages, QStringList{msg::kCopyFailed.arg(QStringLiteral("z_last.ini"))});
        QVERIFY(!w.closed);
        QCOMPARE(snapshot(prog()), before); // no copy left over beside the files either
        run.OnOkButton();
        QVERIFY(waitForStart(prog()));
    }

    // The server of the tests lists in the Unix form; other servers write
    // these.
    void listingLines_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("size"); // -1 not a file, -2 not a listing line
        QTest::newRow("unix, no group, year, blank in name")
            << QByteArray("-rwxr-xr-x 1 ftp 7 Dec 31  2023 my file.ini") << QStringLiteral("my file.ini")
            << qint64(7);
        QTest::newRow("unix link") << QByteArray("lrwxrwxrwx 1 ftp ftp 3 Jan 01 12:00 a.ini -> b.ini")
                                   << QStringLiteral("a.ini") << qint64(-1);
        QTest::newRow("dos") << QByteArray("01-01-24  12:00PM              15036 setup.ini")
                             << QStringLiteral("setup.ini") << qint64(15036);
        QTest::newRow("neither") << QByteArray("total 12") << QString() << qint64(-2);
    }
    void listingLines() {
        QFETCH(QByteArray, line);
        QFETCH(QString, name);
        QFETCH(qint64, size);
        QString gotName;
        qint64 gotSize = -2;
        QCOMPARE(parseListLine(line, gotName, gotSize), size != -2);
        QCOMPARE(gotName, name);
        QCOMPARE(gotSize, size);
    }

    void failedFetchKeepsLocalFile() {
        FtpTestServer server;
        server.put(QStringLiteral("b.bin"), QByteArray(100000, '\n'));
        QVERIFY(server.start());
        CFtpClient ftp;
        QVERIFY(ftp.Open(QStringLiteral("127.0.0.1"), server.port(), QStringLiteral("rfid"),
                         QStringLiteral("mxqa47")));
        QVERIFY(ftp.ChangeDirectory(QStringLiteral("/download/")));
        const QString target = at(QStringLiteral("keep.bin"));
        writeFile(target, "previous");
        QVERIFY(!ftp.GetFile(QStringLiteral("missing.bin"), target));
        QCOMPARE(readFile(target), QByteArray("previous"));
        QVERIFY(ftp.GetFile(QStringLiteral("b.bin"), target));
        QCOMPARE(readFile(target), QByteArray(100000, '\n'));
    }
};

QTEST_GUILESS_MAIN(UpdateRunTest)
#include "test_updaterun.moc"
