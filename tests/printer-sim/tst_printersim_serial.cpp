// The virtual printer on a pseudo-terminal, opened the way a host opens a
// serial port: raw bytes both ways, automatic answers, a pulled cable.
#include "tests/support/PrinterSimProcess.h"

#include "main/issuing/CommandRecords.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using testsupport::PrinterSimProcess;

namespace {

QByteArray frame(const char* code) {
    return QByteArray("\x01\x02") + code;
}

class Port {
public:
    explicit Port(const QString& path) : m_fd(::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY)) {}
    ~Port() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool isOpen() const { return m_fd >= 0; }
    void write(const QByteArray& b) {
        QCOMPARE(::write(m_fd, b.constData(), size_t(b.size())), ssize_t(b.size()));
    }
    // What arrives within ms; hungUp tells whether the other end went away.
    QByteArray read(int ms, bool* hungUp = nullptr) {
        QByteArray got;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, int(qMax<qint64>(1, ms - t.elapsed()))) <= 0)
                continue;
            char buf[256];
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0) {
                if (hungUp)
                    *hungUp = true;
                break;
            }
            got.append(buf, n);
        }
        return got;
    }

private:
    int m_fd;
};

} // namespace

class PrinterSimSerial : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void rawBytesBothWays() {
        const QString link = m_dir.filePath(QStringLiteral("ttyPRN0"));
        const QString capture = m_dir.filePath(QStringLiteral("serial.bin"));
        PrinterSimProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--serial"), link, QStringLiteral("--capture"), capture}),
                 qPrintable(sim.error()));
        QCOMPARE(sim.line(), QStringLiteral("serial ") + link);
        QVERIFY(QFileInfo(link).isSymLink());

        Port port(link);
        QVERIFY(port.isOpen());
        // 0x03, CR and LF are data: no interrupt, no translation, no echo.
        const QByteArray sent = QByteArray("\x03\r\n", 3) + issuing::records::clear() + "{WS|}";
        port.write(sent);
        const QByteArray answer = port.read(300);
        QCOMPARE(answer.size(), 13);
        QVERIFY(answer.startsWith(frame("00")));
        QCOMPARE(answer.back(), '\n');

        port.write(issuing::records::issue(false));
        QVERIFY(port.read(300).startsWith(frame("40")));

        QFile f(capture);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), sent + issuing::records::issue(false));

        sim.stop();
        QVERIFY(!QFileInfo(link).isSymLink()); // the printer takes its link away
    }

    void answersOfAClosedPortAreNotLeftForTheNext() {
        const QString link = m_dir.filePath(QStringLiteral("ttyPRN1"));
        PrinterSimProcess sim;
        QVERIFY(sim.start(
            {QStringLiteral("--serial"), link, QStringLiteral("--print-ms"), QStringLiteral("200")}));
        {
            Port port(link);
            port.write(issuing::records::issue(false));
        } // closed before the label is done
        QTest::qWait(400);
        Port again(link);
        QVERIFY(again.read(200).isEmpty());
        again.write("{WS|}");
        QVERIFY(again.read(300).startsWith(frame("00")));
    }

    void splitAnswerAndPulledCable() {
        const QString link = m_dir.filePath(QStringLiteral("ttyPRN2"));
        const QString script = m_dir.filePath(QStringLiteral("serial-script.txt"));
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("label 1 answers 00 40\nlabel 1 split 6 200\nstatus 1 drop\n");
        f.close();
        PrinterSimProcess sim;
        QVERIFY(sim.start({QStringLiteral("--serial"), link, QStringLiteral("--script"), script}));
        Port port(link);
        port.write(issuing::records::issue(false));
        QByteArray first = port.read(100);
        QCOMPARE(first.size(), 6); // half of "00"
        const QByteArray rest = port.read(600);
        const QByteArray whole = first + rest;
        QCOMPARE(whole.size(), 26);
        QVERIFY(whole.startsWith(frame("00")));
        QCOMPARE(whole.at(12), '\n');
        QVERIFY(whole.mid(13).startsWith(frame("40")));

        const QString before = QFileInfo(link).symLinkTarget();
        port.write("{WS|}");
        bool hungUp = false;
        QVERIFY(port.read(1000, &hungUp).isEmpty());
        QVERIFY(hungUp);
        // A new device node stands behind the same name.
        QTRY_VERIFY(QFileInfo(link).symLinkTarget() != before);
        Port again(link);
        again.write("{WS|}");
        QVERIFY(again.read(300).startsWith(frame("00")));
    }

    void pacedAtTheLinesBaudRate() {
        // 1200 baud: 8.3 ms a byte, so the 5-byte request and the 13-byte
        // answer take at least 150 ms on the line.
        const QString link = m_dir.filePath(QStringLiteral("ttyPRN3"));
        PrinterSimProcess sim;
        QVERIFY(
            sim.start({QStringLiteral("--serial"), link, QStringLiteral("--baud"), QStringLiteral("1200")}));
        Port port(link);
        QElapsedTimer t;
        t.start();
        port.write("{WS|}");
        const QByteArray answer = port.read(1000);
        QVERIFY2(t.elapsed() >= 145, qPrintable(QString::number(t.elapsed())));
        QVERIFY(answer.startsWith(frame("00")) && answer.size() == 13);
    }
};

QTEST_GUILESS_MAIN(PrinterSimSerial)
#include "tst_printersim_serial.moc"
