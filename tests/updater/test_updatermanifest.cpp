// Signed updates: the manifest and its signature are made with the openssl
// and sha256sum command lines a site uses, and the run installs only what
// they vouch for, and only a release newer than the installed one. The
// server takes TLS only: the updater uses it when offered.
#include "tests/support/UpdaterSupport.h"

#include "platform/Cp949.h"
#include "updater/UpdateManifest.h"
#include "updater/UpdaterLog.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace updater;
using namespace testsupport;

namespace {

// The new main program: notes its start like the stand-in and says it is new.
const QByteArray kNewProgram = "#!/bin/sh\necho 'started args=0' >> vantrel.mark\necho new >> vantrel.mark\n";

enum Change {
    None,
    ProgramChanged,
    NoManifest,
    NoSignature,
    OtherKey,
    Unlisted,
    NoReleaseLine,
    OtherRelease,
    NoKeyInstalled
};

const QByteArray kInstalledDate = "202405011200";

// The site's signing command of README, on the files named.
bool writeManifest(const QString& dir, const QStringList& names) {
    QProcess sh;
    sh.setWorkingDirectory(dir);
    sh.start(QStringLiteral("/bin/sh"),
             QStringList{QStringLiteral("-c"),
                         QStringLiteral("{ sed -n 's/^DATE=/# Version.ini DATE=/p' Version.ini | tr -d '\r'; "
                                        "sha256sum \"$@\"; } > update.manifest"),
                         QStringLiteral("sh")} +
                 names);
    return sh.waitForFinished() && sh.exitStatus() == QProcess::NormalExit && sh.exitCode() == 0;
}

} // namespace

class UpdaterManifestTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_keys; // key.pem and other.pem with their public halves; the server's tls.pem
    std::unique_ptr<QTemporaryDir> m_prog;
    QString at(const QString& name) const { return m_prog->path() + QLatin1Char('/') + name; }
    QString log() const { return platform::fromCp949(readFile(at(QStringLiteral("Brannow.LOG")))); }

private slots:
    void initTestCase() {
        for (const QString& k : {QStringLiteral("key"), QStringLiteral("other")})
            QVERIFY(openssl(QStringLiteral("genpkey -algorithm ed25519 -out %1.pem").arg(k), m_keys.path()) &&
                    openssl(QStringLiteral("pkey -in %1.pem -pubout -out %1.pub.pem").arg(k), m_keys.path()));
        QVERIFY(openssl(QStringLiteral("req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes "
                                       "-subj /CN=update -days 1 -keyout tlskey.pem -out tls.pem"),
                        m_keys.path()));
    }

    void init() { m_prog = loggedProgramDir(); }

    // Each row serves a release (its "Version.ini" date), signed as a site
    // signs it and then changed; "first" is what the server answers to the
    // first fetch of "Version.ini", the one that decides whether to look.
    void signedUpdate_data() {
        QTest::addColumn<int>("change");
        QTest::addColumn<QByteArray>("served");
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<QString>("refusal"); // empty: installed
        const QByteArray newer = "202406011200", future = "209912312359";
        QTest::newRow("signed") << int(None) << newer << QByteArray() << QString();
        QTest::newRow("program changed after signing")
            << int(ProgramChanged) << newer << QByteArray()
            << QStringLiteral("Vantrel 파일의 SHA-256이 update.manifest와 다릅니다.");
        QTest::newRow("no manifest") << int(NoManifest) << newer << QByteArray()
                                     << QStringLiteral("update.manifest 파일이 서버에 없습니다.");
        QTest::newRow("no signature") << int(NoSignature) << newer << QByteArray()
                                      << QStringLiteral("update.manifest.sig 파일이 서버에 없습니다.");
        QTest::newRow("signed by another key") << int(OtherKey) << newer << QByteArray()
                                               << QStringLiteral("서명이 update_key.pem 키와 맞지 않습니다.");
        QTest::newRow("file not in manifest")
            << int(Unlisted) << newer << QByteArray()
            << QStringLiteral("setup.ini 파일이 update.manifest에 없습니다.");
        QTest::newRow("manifest naming no release")
            << int(NoReleaseLine) << newer << QByteArray()
            << QStringLiteral("update.manifest에 Version.ini의 DATE 행(# Version.ini DATE=)이 없습니다.");
        QTest::newRow("manifest naming another release")
            << int(OtherRelease) << newer << QByteArray()
            << QStringLiteral(
                   "Version.ini의 DATE(202406011200)와 update.manifest의 DATE(209912312359)가 다릅니다.");
        // Rolled back: the first answer claims a far future, then a whole
        // older (or the installed) signed release follows.
        QTest::newRow("older signed release behind a false first answer")
            << int(None) << QByteArray("202301010000") << future
            << QStringLiteral(
                   "서버 Version.ini의 DATE(202301010000)가 설치된 Version.ini의 DATE(202405011200)"
                   "보다 새롭지 않아 UPDATE하지 않습니다.");
        QTest::newRow("installed release again behind a false first answer")
            << int(None) << kInstalledDate << future
            << QStringLiteral("DATE(202405011200)가 설치된 Version.ini의 DATE(202405011200)보다");
        QTest::newRow("newer signed release behind a false first answer")
            << int(None) << newer << future << QString();
        QTest::newRow("no key installed, nothing signed")
            << int(NoKeyInstalled) << newer << QByteArray() << QString();
    }
    void signedUpdate() {
        QFETCH(int, change);
        QFETCH(QByteArray, served);
        QFETCH(QByteArray, first);
        QFETCH(QString, refusal);
        FtpTestServer server;
        server.putVersion(served);
        server.put(QStringLiteral("setup.ini"), "[A]\r\nB=new\r\n");
        server.put(QStringLiteral("Vantrel"), kNewProgram);
        server.put(QStringLiteral("libQuorvel.so"), "not copied, need not be listed");
        const QString dl = server.downloadDir();
        const QString manifest = dl + QStringLiteral("/update.manifest");
        QStringList listed{QStringLiteral("Version.ini"), QStringLiteral("Vantrel")};
        if (change != Unlisted)
            listed << QStringLiteral("setup.ini");
        if (change != NoKeyInstalled) {
            QVERIFY(writeManifest(dl, listed));
            QByteArray text = readFile(manifest);
            QVERIFY(text.startsWith("# Version.ini DATE=" + served + "\n"));
            if (change == NoReleaseLine)
                text = text.mid(text.indexOf('\n') + 1); // as sha256sum alone writes it
            if (change == OtherRelease)
                text.replace(served, "209912312359");
            writeFile(manifest, text);
            const QString key = m_keys.filePath(change == OtherKey ? "other.pem" : "key.pem");
            QVERIFY(
                openssl(QStringLiteral(
                            "pkeyutl -sign -rawin -inkey \"%1\" -in update.manifest -out update.manifest.sig")
                            .arg(key),
                        dl));
        }
        if (change == ProgramChanged)
            server.put(QStringLiteral("Vantrel"), kNewProgram + "echo forged >> vantrel.mark\n");
        if (change == NoManifest)
            QFile::remove(manifest);
        if (change == NoSignature)
            QFile::remove(dl + QStringLiteral("/update.manifest.sig"));
        QStringList options{QStringLiteral("--tls"), m_keys.filePath(QStringLiteral("tls.pem")),
                            m_keys.filePath(QStringLiteral("tlskey.pem"))};
        QTemporaryDir forged;
        if (!first.isEmpty()) {
            writeFile(forged.filePath(QStringLiteral("Version.ini")), versionIni(first));
            options << QStringLiteral("--first") << QStringLiteral("Version.ini")
                    << forged.filePath(QStringLiteral("Version.ini"));
        }
        QVERIFY(server.start(options));

        writeFtpSetup(m_prog->path(), server.port());
        writeFile(at(QStringLiteral("Vantrel")), standInProgram(), true);
        writeFile(at(QStringLiteral("setup.ini")), "[A]\r\nB=old\r\n");
        writeFile(at(QStringLiteral("Version.ini")), versionIni(kInstalledDate));
        if (change != NoKeyInstalled)
            QVERIFY(QFile::copy(m_keys.filePath(QStringLiteral("key.pub.pem")), at(kUpdateKeyName)));
        const auto before = snapshot(m_prog->path());

        RecordingWindow w;
        UpdateRun run(w, m_prog->path());
        run.UpdateThread();
        const QString notVerified = QStringLiteral(",3,CBrannowDlg::CopyDownLoadFile ,") + msg::kNotVerified;
        QCOMPARE(log().contains(notVerified), change == NoKeyInstalled);
        if (refusal.isEmpty()) {
            QVERIFY2(w.messages.isEmpty(), qPrintable(w.messages.join('|')));
            QVERIFY(w.closed);
            QCOMPARE(readFile(at(QStringLiteral("setup.ini"))), QByteArray("[A]\r\nB=new\r\n"));
            QCOMPARE(readFile(at(QStringLiteral("Version.ini"))), versionIni(served));
            QVERIFY(waitForStart(m_prog->path()));
            QTRY_VERIFY(readFile(at(QStringLiteral("vantrel.mark"))).contains("new\n"));
            return;
        }
        // Nothing copied, nothing started; the reason is in the log before
        // the message, and OK starts the program that was there.
        QCOMPARE(w.messages, QStringList{msg::kVerifyFailed});
        QVERIFY(!w.closed);
        QCOMPARE(snapshot(m_prog->path()), before);
        const QStringList lines = log().split(QStringLiteral("\r\n"));
        const QString reason = lines.at(lines.size() - 3);
        QVERIFY2(reason.contains(QStringLiteral(",3,CBrannowDlg::CopyDownLoadFile ,")) &&
                     reason.contains(refusal),
                 qPrintable(reason));
        QVERIFY(lines.at(lines.size() - 2)
                    .endsWith(QStringLiteral(",3,CBrannowDlg::CopyDownLoadFile ,") + msg::kVerifyFailed));
        QTest::qWait(200);
        QCOMPARE(startsIn(m_prog->path()), 0);
        run.OnOkButton();
        QVERIFY(waitForStart(m_prog->path()));
        QCOMPARE(readFile(at(QStringLiteral("vantrel.mark"))), QByteArray("started args=0\n"));
    }

    void manifestLines_data() {
        QTest::addColumn<QByteArray>("manifest");
        QTest::addColumn<QString>("release"); // empty: invalid
        const QByteArray sum(64, 'a'), release = "# Version.ini DATE=202405011200\n";
        QTest::newRow("release and two lines") << release + sum + "  Vantrel\n" + sum + "  setup.ini\n"
                                               << QStringLiteral("202405011200");
        QTest::newRow("binary mark, CR LF, upper case, blanks around the date")
            << "# Version.ini DATE= 2024 \r\n" + QByteArray(64, 'F') + " *Vantrel\r\n"
            << QStringLiteral("2024");
        QTest::newRow("not hex") << release + QByteArray(64, 'g') + "  Vantrel\n" << QString();
        QTest::newRow("one blank") << release + sum + " Vantrel\n" << QString();
        QTest::newRow("escaped name") << release + "\\" + sum + "  a\\\\b\n" << QString();
        QTest::newRow("path in name") << release + sum + "  ../Vantrel\n" << QString();
        QTest::newRow("name twice") << release + sum + "  Vantrel\n" + sum + "  Vantrel\n" << QString();
        QTest::newRow("no file") << release << QString();
        QTest::newRow("no release") << sum + "  Vantrel\n" << QString();
        QTest::newRow("release twice") << release + release + sum + "  Vantrel\n" << QString();
        QTest::newRow("other remark") << release + "# note\n" + sum + "  Vantrel\n" << QString();
    }
    void manifestLines() {
        QFETCH(QByteArray, manifest);
        QFETCH(QString, release);
        Manifest parsed;
        QString error;
        QCOMPARE(parseManifest(manifest, parsed, error), !release.isEmpty());
        QCOMPARE(error.isEmpty(), !release.isEmpty());
        if (!release.isEmpty()) {
            QCOMPARE(parsed.release, release);
            QCOMPARE(parsed.sums.value(QStringLiteral("Vantrel")).size(), 32);
        }
    }
};

QTEST_GUILESS_MAIN(UpdaterManifestTest)
#include "test_updatermanifest.moc"
