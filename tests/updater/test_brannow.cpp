// The updater's window and program: what the operator sees during a run and
// after a failure, the keys the window ignores or notes, the OK button, and
// the program as a whole (one copy at a time, a full update, the start of
// the main program).
#include "tests/support/UpdaterSupport.h"

#include "platform/Cp949.h"
#include "tests/support/TestSupport.h"
#include "updater/BrannowDlg.h"
#include "updater/UpdaterLog.h"

#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace updater;
using namespace testsupport;

class BrannowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_prog;
    QString at(const QString& name) const { return m_prog->path() + QLatin1Char('/') + name; }
    QString log() const { return platform::fromCp949(readFile(at(QStringLiteral("Brannow.LOG")))); }

    template <typename T> static T* child(QWidget& w, const char* name) {
        return w.findChild<T*>(QString::fromLatin1(name));
    }

private slots:
    void initTestCase() { installUpdaterFonts(); }

    void init() {
        m_prog = loggedProgramDir();
        writeFile(at(QStringLiteral("Vantrel")), standInProgram(), true);
    }

    void openWindowAndKeys() {
        BrannowDlg dlg(m_prog->path());
        dlg.setStartDelay(60000);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QCOMPARE(child<QLabel>(dlg, "lblWait")->text(),
                 QStringLiteral("진행중입니다. 잠시만 기다려 주십시오."));
        QVERIFY(child<QLabel>(dlg, "lblWait")->isVisible());
        QVERIFY(!child<QPushButton>(dlg, "btnOk")->isVisible());
        QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));

        QTest::keyClick(&dlg, Qt::Key_Escape);
        QTest::keyClick(&dlg, Qt::Key_Return);
        QTest::keyClick(&dlg, Qt::Key_Enter, Qt::KeypadModifier);
        QVERIFY(dlg.isVisible());
        QTest::keyClick(&dlg, Qt::Key_A);
        QTest::keyClick(&dlg, Qt::Key_Shift);
        QTest::keyClick(&dlg, Qt::Key_B);
        QTest::keyClick(&dlg, Qt::Key_F13);
        QKeyEvent volume(QEvent::KeyPress, Qt::Key_VolumeUp, Qt::NoModifier); // a key without a code
        QApplication::sendEvent(&dlg, &volume);
        const QString l = log();
        const QString tag = QStringLiteral(",2,CPosKey::POS_KeyPress         ,◆POS_KeyPress ");
        QCOMPARE(l.count(tag), 4);
        QVERIFY(l.contains(tag + QStringLiteral("[PosKey:0x0041][SFKC:0x0101] \r\n")));
        QVERIFY(l.contains(tag + QStringLiteral("[PosKey:0x1042][SFKC:0x0102] \r\n")));
        QVERIFY(l.contains(tag + QStringLiteral("[PosKey:0x007c][SFKC:0x%1] \r\n")
                                     .arg(PosKey::posCode(0x7C), 4, 16, QLatin1Char('0'))));
        QVERIFY(l.contains(tag + QStringLiteral("[PosKey:0x0000][SFKC:0x0000] \r\n")));
        QVERIFY(!l.contains(QStringLiteral("[PosKey:0x001b]")));
        QVERIFY(!l.contains(QStringLiteral("[PosKey:0x000d]")));
    }

    void failureShowsMessageAndOkStarts() {
        writeFtpSetup(m_prog->path(), deadPort());
        BrannowDlg dlg(m_prog->path());
        dlg.setStartDelay(10);
        dlg.show();
        auto* ok = child<QPushButton>(dlg, "btnOk");
        auto* message = child<QLabel>(dlg, "lblMessage");
        QTRY_VERIFY_WITH_TIMEOUT(ok->isVisible(), 10000);
        QCOMPARE(message->text(), msg::kConnectFailed);
        QCOMPARE(message->palette().color(QPalette::WindowText), QColor(178, 34, 34));
        QVERIFY(!child<QLabel>(dlg, "lblWait")->isVisible());
        // The step bars settle: the address step full, the download step empty.
        QTRY_COMPARE(child<QProgressBar>(dlg, "progStep1")->value(), 100);
        QTRY_COMPARE(child<QProgressBar>(dlg, "progStep2")->value(), 0);
        QCOMPARE(child<QProgressBar>(dlg, "progTotal")->value(), 25);

        QTest::keyClick(&dlg, Qt::Key_Escape);
        QTest::keyClick(ok, Qt::Key_Return);
        QVERIFY(dlg.isVisible());
        QCOMPARE(startsIn(m_prog->path()), 0);

        QTest::mouseClick(ok, Qt::LeftButton);
        QTRY_VERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(waitForStart(m_prog->path()));
    }

    // The program itself, started as the workstation starts it.
    void programUpdatesAndEnds() {
        FtpTestServer server;
        server.putVersion("202405011200");
        server.put(QStringLiteral("Vantrel"), standInProgram());
        server.put(QStringLiteral("setup.ini"), "[A]\r\nB=1\r\n");
        QVERIFY(server.start());
        writeFtpSetup(m_prog->path(), server.port());
        QFile::remove(at(QStringLiteral("Vantrel")));
        QVERIFY(
            QFile::copy(testsupport::binDir() + QStringLiteral("/Brannow"), at(QStringLiteral("Brannow"))));
        QTemporaryDir lockDir;
        QProcess brannow;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), lockDir.path());
        brannow.setProcessEnvironment(env);
        brannow.setWorkingDirectory(m_prog->path());
        brannow.start(at(QStringLiteral("Brannow")), {});
        QVERIFY(brannow.waitForFinished(20000));
        QCOMPARE(brannow.exitCode(), 0);
        QVERIFY(waitForStart(m_prog->path()));
        QCOMPARE(readFile(at(QStringLiteral("setup.ini"))), QByteArray("[A]\r\nB=1\r\n"));
        const QString l = log();
        QVERIFY(l.contains(QStringLiteral(",1,CBrannowApp::InitInstance     ,■ Brannow.exe 기동 ■\r\n")));
        QVERIFY(l.contains(QStringLiteral(",1,CBrannowApp::InitInstance     ,") + QString(33, QChar(0x25BC)) +
                           QStringLiteral("\r\n")));
        QVERIFY(l.endsWith(QString(33, QChar(0x25B2)) + QStringLiteral("\r\n")));
    }

    void secondCopyEndsAtOnce() {
        writeFtpSetup(m_prog->path(), deadPort());
        QVERIFY(
            QFile::copy(testsupport::binDir() + QStringLiteral("/Brannow"), at(QStringLiteral("Brannow"))));
        QTemporaryDir lockDir;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), lockDir.path());
        QProcess first, second;
        for (QProcess* p : {&first, &second}) {
            p->setProcessEnvironment(env);
            p->setWorkingDirectory(m_prog->path());
        }
        first.start(at(QStringLiteral("Brannow")), {});
        // The first copy stops at its failure and waits for the operator.
        QTRY_VERIFY_WITH_TIMEOUT(log().contains(msg::kConnectFailed), 10000);
        second.start(at(QStringLiteral("Brannow")), {});
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(log().contains(
            QStringLiteral(",1,CBrannowApp::InitInstance     ,프로그램이 이중 실행되어서 종료됩니다. \r\n")));
        QCOMPARE(first.state(), QProcess::Running);
        QCOMPARE(log().count(QStringLiteral("서버정보(FTP) 취득 시작")), 1); // the second never began a run
        first.kill();
        first.waitForFinished(3000);
        QCOMPARE(startsIn(m_prog->path()), 0);
    }
};

QTEST_MAIN(BrannowTest)
#include "test_brannow.moc"
