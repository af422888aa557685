// Signed updates: the manifest and its signature are made with the openssl
// and sha256sum command lines a site uses, and the run installs only what
// they vouch for. The server takes TLS only: the updater uses it when offered.
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

enum Change { None, ProgramChanged, NoManifest, NoSignature, OtherKey, Unlisted, NoKeyInstalled };

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

    void signedUpdate_data() {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("installed");
        QTest::newRow("signed") << int(None) << true;
        QTest::newRow("program changed after signing") << int(ProgramChanged) << false;
        QTest::newRow("no manifest") << int(NoManifest) << false;
        QTest::newRow("no signature") << int(NoSignature) << false;
        QTest::newRow("signed by another key") << int(OtherKey) << false;
        QTest::newRow("file not in manifest") << int(Unlisted) << false;
        QTest::newRow("no key installed, nothing signed") << int(NoKeyInstalled) << true;
    }
    void signedUpdate() {
        QFETCH(int, change);
        QFETCH(bool, installed);
        FtpTestServer server;
        server.putVersion("202405011200");
        server.put(QStringLiteral("setup.ini"), "[A]\r\nB=new\r\n");
        server.put(QStringLiteral("Vantrel"), kNewProgram);
        server.put(QStringLiteral("libQuorvel.so"), "not copied, need not be listed");
        const QString dl = server.downloadDir();
        QStringList listed{QStringLiteral("Version.ini"), QStringLiteral("Vantrel")};
        if (change != Unlisted)
            listed << QStringLiteral("setup.ini");
        if (change != NoKeyInstalled) {
            QProcess sum;
            sum.setWorkingDirectory(dl);
            sum.setStandardOutputFile(dl + QStringLiteral("/update.manifest"));
            sum.start(QStringLiteral("sha256sum"), listed);
            QVERIFY(sum.waitForFinished() && sum.exitCode() == 0);
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
            QFile::remove(dl + QStringLiteral("/update.manifest"));
        if (change == NoSignature)
            QFile::remove(dl + QStringLiteral("/update.manifest.sig"));
        QVERIFY(server.start({QStringLiteral("--tls"), m_keys.filePath(QStringLiteral("tls.pem")),
                              m_keys.filePath(QStringLiteral("tlskey.pem"))}));

        writeFtpSetup(m_prog->path(), server.port());
        writeFile(at(QStringLiteral("Vantrel")), standInProgram(), true);
        writeFile(at(QStringLiteral("setup.ini")), "[A]\r\nB=old\r\n");
        writeFile(at(QStringLiteral("Version.ini")), versionIni("202301010000"));
        if (change != NoKeyInstalled)
            QVERIFY(QFile::copy(m_keys.filePath(QStringLiteral("key.pub.pem")), at(kUpdateKeyName)));
        const auto before = snapshot(m_prog->path());

        RecordingWindow w;
        UpdateRun run(w, m_prog->path());
        run.UpdateThread();
        const QString notVerified = QStringLiteral(",3,CBrannowDlg::CopyDownLoadFile ,") + msg::kNotVerified;
        QCOMPARE(log().contains(notVerified), change == NoKeyInstalled);
        if (installed) {
            QVERIFY2(w.messages.isEmpty(), qPrintable(w.messages.join('|')));
            QVERIFY(w.closed);
            QCOMPARE(readFile(at(QStringLiteral("setup.ini"))), QByteArray("[A]\r\nB=new\r\n"));
            QCOMPARE(readFile(at(QStringLiteral("Version.ini"))), versionIni("202405011200"));
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
        QVERIFY(lines.at(lines.size() - 3).contains(QStringLiteral(",3,CBrannowDlg::CopyDownLoadFile ,")));
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
        QTest::addColumn<bool>("valid");
        const QByteArray sum(64, 'a');
        QTest::newRow("two lines") << sum + "  Vantrel\n" + sum + "  setup.ini\n" << true;
        QTest::newRow("binary mark, CR LF, upper case") << QByteArray(64, 'F') + " *Vantrel\r\n" << true;
        QTest::newRow("not hex") << QByteArray(64, 'g') + "  Vantrel\n" << false;
        QTest::newRow("one blank") << sum + " Vantrel\n" << false;
        QTest::newRow("escaped name") << "\\" + sum + "  a\\\\b\n" << false;
        QTest::newRow("path in name") << sum + "  ../Vantrel\n" << false;
        QTest::newRow("name twice") << sum + "  Vantrel\n" + sum + "  Vantrel\n" << false;
        QTest::newRow("empty") << QByteArray("\n") << false;
    }
    void manifestLines() {
        QFETCH(QByteArray, manifest);
        QFETCH(bool, valid);
        ManifestSums sums;
        QString error;
        QCOMPARE(parseManifest(manifest, sums, error), valid);
        QCOMPARE(error.isEmpty(), valid);
        if (valid)
            QCOMPARE(sums.value(QStringLiteral("Vantrel")).size(), 32);
    }
};

QTEST_GUILESS_MAIN(UpdaterManifestTest)
#include "test_updatermanifest.moc"
