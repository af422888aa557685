// vantrelctl status against the virtual printer: the configured connection,
// one status request, the code and its meaning, the exit code.
#include "tests/support/PrinterKit.h"

#include <QProcess>
#include <QTest>

using namespace testsupport;

class StatusCommandTest : public QObject {
    Q_OBJECT

    struct Run {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Run vantrelctl(const testsupport::TempProgramDir& dir) {
        QProcess p;
        p.start(QDir(testsupport::binDir()).filePath(QStringLiteral("vantrelctl")),
                {QStringLiteral("--dir"), dir.path(), QStringLiteral("status")});
        p.waitForFinished(30000);
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    void pointAt(const testsupport::TempProgramDir& dir, const Printer& printer) {
        dir.writeText("conn_setup.ini",
                      QStringLiteral("[CONNECT_INFO]\r\nCONN_KIND=1\r\nPRINTER_IP=%1\r\nPRINTER_PORT=%2\r\n")
                          .arg(printer.host())
                          .arg(printer.port()));
    }

private slots:
    void readyAndNotReady() {
        testsupport::TempProgramDir dir;
        Printer printer;
        QVERIFY2(printer.start(Link::Tcp, "status 2 code 13\n"), qPrintable(printer.error()));
        pointAt(dir, printer);

        Run r = vantrelctl(dir);
        QCOMPARE(r.out, QStringLiteral("status 00: ready\n"));
        QCOMPARE(r.exitCode, 0);

        r = vantrelctl(dir);
        QCOMPARE(r.out, QStringLiteral("status 13: no paper\n"));
        QVERIFY2(r.err.contains(QStringLiteral("message: 용지가 없습니다 !! [13]")), qPrintable(r.err));
        QCOMPARE(r.exitCode, 1);
        // The request went out like the main window's, one record per call.
        QCOMPARE(printer.captureOf(10), QByteArrayLiteral("{WS|}{WS|}"));
    }

    void noPrinter() {
        testsupport::TempProgramDir dir;
        dir.writeText("conn_setup.ini", "[CONNECT_INFO]\r\nCONN_KIND=1\r\nPRINTER_IP=127.0.0.1\r\n");
        const Run r = vantrelctl(dir);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out, QStringLiteral("printer not reachable\n"));
        QVERIFY(r.err.contains(QStringLiteral("네트워크 연결정보를 확인하여 주십시오.")));
    }
};

QTEST_GUILESS_MAIN(StatusCommandTest)
#include "StatusCommandTest.moc"
