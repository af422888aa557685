// The virtual printer as the main program meets it over TCP: status answers,
// automatic answers after a label, scripted faults and the capture file.
#include "tests/support/PrinterSimProcess.h"
#include "tests/support/TestSupport.h"

#include "main/issuing/CommandRecords.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using testsupport::PrinterSimProcess;

namespace {

const QByteArray WS = "{WS|}";
QByteArray frame(const char* code) {
    return QByteArray("\x01\x02") + code;
}

// The chunks that arrive within ms, each with its arrival time.
struct Chunk {
    QByteArray bytes;
    qint64 at;
};

QList<Chunk> collect(QTcpSocket& s, int ms) {
    QList<Chunk> chunks;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (s.bytesAvailable() || s.waitForReadyRead(int(qMax<qint64>(1, ms - t.elapsed()))))
            chunks << Chunk{s.readAll(), t.elapsed()};
        if (s.state() != QAbstractSocket::ConnectedState)
            break;
    }
    return chunks;
}

QByteArray joined(const QList<Chunk>& chunks) {
    QByteArray all;
    for (const Chunk& c : chunks)
        all += c.bytes;
    return all;
}

// Reads until n bytes have come or ms have passed.
QByteArray readBytes(QTcpSocket& s, int n, int ms = 3000) {
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (got.size() < n && t.elapsed() < ms) {
        if (!s.bytesAvailable())
            s.waitForReadyRead(50);
        got += s.read(n - got.size());
    }
    return got;
}

} // namespace

class PrinterSimTcp : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    bool startSim(PrinterSimProcess& sim, QTcpSocket& s, const QString& script = {}, QStringList more = {}) {
        QStringList args{QStringLiteral("--tcp"), QStringLiteral("0")};
        if (!script.isEmpty()) {
            const QString path =
                m_dir.filePath(QStringLiteral("script-%1.txt").arg(QTest::currentTestFunction()));
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly))
                return false;
            f.write(script.toUtf8());
            f.close();
            args << QStringLiteral("--script") << path;
        }
        if (!sim.start(args + more)) {
            qWarning("%s", qPrintable(sim.error()));
            return false;
        }
        s.connectToHost(sim.host(), sim.port());
        return s.waitForConnected(3000);
    }

private slots:
    void answersStatusWithThirteenBytes() {
        PrinterSimProcess sim;
        QTcpSocket s;
        QVERIFY(startSim(sim, s));
        QCOMPARE(sim.kind(), QStringLiteral("tcp"));
        QCOMPARE(sim.host(), QStringLiteral("127.0.0.1"));
        QVERIFY(sim.port() != 0);
        // A request in two pieces is still one request.
        s.write("{W");
        s.flush();
        QTest::qWait(50);
        s.write("S|}");
        const QByteArray answer = readBytes(s, 13);
        QCOMPARE(answer.size(), 13);
        QVERIFY(answer.startsWith(frame("00")));
        QCOMPARE(answer.back(), '\n');
        QVERIFY(!answer.mid(4, 8).contains('\x01') && !answer.mid(4, 8).contains('\x02') &&
                !answer.mid(4, 8).contains('\n'));
        // Nothing more than the one answer.
        QVERIFY(joined(collect(s, 200)).isEmpty());
    }

    void unknownRecordIsACommandErrorOnce() {
        PrinterSimProcess sim;
        QTcpSocket s;
        QVERIFY(startSim(sim, s));
        s.write("{QQ;1,2|}{PC001;xx|}");
        s.write(WS);
        QVERIFY(readBytes(s, 13).startsWith(frame("06")));
        s.write(WS);
        QVERIFY(readBytes(s, 13).startsWith(frame("00")));
    }

    void labelIsReportedDoneAfterPrinting() {
        PrinterSimProcess sim;
        QTcpSocket s;
        QVERIFY(startSim(sim, s, {}, {QStringLiteral("--print-ms"), QStringLiteral("400")}));
        QElapsedTimer t;
        t.start();
        s.write(issuing::records::issue(false));
        s.write(WS);
        // While the label prints the printer is busy.
        QVERIFY(readBytes(s, 13).startsWith(frame("02")));
        const QByteArray done = readBytes(s, 13, 3000);
        QVERIFY(done.startsWith(frame("40")));
        QVERIFY2(t.elapsed() >= 380, qPrintable(QString::number(t.elapsed())));
        s.write(WS);
        QVERIFY(readBytes(s, 13).startsWith(frame("00")));
    }

    void captureHoldsExactlyTheBytesSent() {
        const QString capture = m_dir.filePath(QStringLiteral("capture.bin"));
        QFile::remove(capture);
        QByteArray sent;
        {
            PrinterSimProcess sim;
            QTcpSocket s;
            QVERIFY(startSim(sim, s, {}, {QStringLiteral("--capture"), capture}));
            QByteArray all;
            for (int b = 0; b < 256; ++b)
                all += char(b); // noise outside records, every byte value
            all += issuing::records::fieldData(1, QByteArray("\xBA\xD0\xC9\xA1\xB7\xF9"));
            all += WS;
            for (int i = 0; i < all.size(); i += 37) {
                s.write(all.mid(i, 37));
                s.flush();
            }
            sent = all;
            // The run of byte values holds "{|}", an empty record: a command error.
            QVERIFY(readBytes(s, 13).startsWith(frame("06")));
        }
        QFile f(capture);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), sent);
    }

    void scriptedAutomaticAnswersComeOneByOne() {
        PrinterSimProcess sim;
        QTcpSocket s;
        QVERIFY(startSim(sim, s, QStringLiteral("label 1 answers 00 41 60 40\nlabel 1 gap 150\n")));
        s.write(issuing::records::issue(false));
        const QList<Chunk> chunks = collect(s, 900);
        QCOMPARE(chunks.size(), 4);
        const char* codes[] = {"00", "41", "60", "40"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(chunks[i].bytes.size(), 13);
            QVERIFY(chunks[i].bytes.startsWith(frame(codes[i])));
        }
        QVERIFY(chunks[3].at - chunks[0].at >= 400);
    }

    // --asked-only: the answers after a label wait for the status requests.
    void askedOnlyAnswersWhenAsked() {
        PrinterSimProcess sim;
        QTcpSocket s;
        QVERIFY(
            startSim(sim, s, QStringLiteral("label 1 answers 05 27\n"), {QStringLiteral("--asked-only")}));
        s.write(issuing::records::issue(false));
        QVERIFY(joined(collect(s, 300)).isEmpty());
        for (const char* code : {"05", "27", "00"}) {
            s.write(WS);
            QVERIFY(readBytes(s, 13).startsWith(frame(code)));
        }
    }

    void scriptedFaults() {
        PrinterSimProcess sim;
        QTcpSocket s;
        QVERIFY(startSim(sim, s,
                         QStringLiteral("status 1 code 13\n"
                                        "status 2 silent\n"
                                        "status 3 split 5 300\n"
                                        "status 4 answers 00 41\n"
                                        "status 4 together\n"
                                        "status 5 garbage 41 42 0A\n"
                                        "status 6 delay 400\n"
                                        "label 1 silent\n")));
        s.write(WS);
        QVERIFY(readBytes(s, 13).startsWith(frame("13")));

        s.write(WS);
        QVERIFY(joined(collect(s, 400)).isEmpty());

        s.write(WS);
        QList<Chunk> split = collect(s, 700);
        QCOMPARE(split.size(), 2);
        QCOMPARE(split[0].bytes.size(), 5);
        QVERIFY(split[0].bytes.startsWith(frame("00")));
        QCOMPARE(split[1].bytes.size(), 8);
        QVERIFY(split[1].at - split[0].at >= 250);

        s.write(WS);
        QList<Chunk> both = collect(s, 300);
        QCOMPARE(both.size(), 1);
        QCOMPARE(both[0].bytes.size(), 26);
        QVERIFY(both[0].bytes.startsWith(frame("00")));
        QVERIFY(both[0].bytes.mid(13).startsWith(frame("41")));

        s.write(WS);
        const QByteArray noisy = joined(collect(s, 400));
        QVERIFY(noisy.startsWith("AB\n"));
        QVERIFY(noisy.mid(3).startsWith(frame("00")));

        QElapsedTimer t;
        t.start();
        s.write(WS);
        QVERIFY(readBytes(s, 13).startsWith(frame("00")));
        QVERIFY(t.elapsed() >= 380);

        // A label that is never reported done.
        s.write(issuing::records::issue(false));
        QVERIFY(joined(collect(s, 400)).isEmpty());
    }

    void droppedConnectionAfterALabel() {
        PrinterSimProcess sim;
        QTcpSocket s;
        QVERIFY(startSim(sim, s, QStringLiteral("label 1 drop\n")));
        s.write(issuing::records::issue(true));
        const QList<Chunk> chunks = collect(s, 2000);
        QVERIFY(joined(chunks).isEmpty());
        QCOMPARE(s.state(), QAbstractSocket::UnconnectedState);
        // The printer itself is still there for the next connection.
        QTcpSocket again;
        again.connectToHost(sim.host(), sim.port());
        QVERIFY(again.waitForConnected(3000));
        again.write(WS);
        QVERIFY(readBytes(again, 13).startsWith(frame("00")));
    }

    void badOptionsAreRefused() {
        PrinterSimProcess sim;
        QVERIFY(!sim.start(
            {QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--model"), QStringLiteral("X")}));
        QVERIFY(sim.error().contains(QStringLiteral("--model")));
        const QString script = m_dir.filePath(QStringLiteral("bad.txt"));
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("status 1 code 00\nstatus x code 00\n");
        f.close();
        QVERIFY(
            !sim.start({QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--script"), script}));
        QVERIFY2(sim.error().contains(QStringLiteral("line 2")), qPrintable(sim.error()));
    }
};

QTEST_GUILESS_MAIN(PrinterSimTcp)
#include "tst_printersim_tcp.moc"
