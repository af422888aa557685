// Platform services: code page 949, the strict 16-bit conversion, the wait
// rule of the clock, the local address choice, the single-instance lock and
// the serial line.
#include "platform/Clock.h"
#include "platform/Cp949.h"
#include "platform/LocalIp.h"
#include "platform/RuntimeError.h"
#include "platform/SerialLine.h"
#include "platform/SingleInstance.h"
#include "tests/support/FastClock.h"
#include "tests/support/PrinterSimProcess.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

class PlatformTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cp949RoundTrip() {
        const QString text = QStringLiteral("분류번호 ABC-12 똠방각하 ×∼");
        const auto bytes = platform::encodeCp949(text);
        QVERIFY(bytes.has_value());
        QCOMPARE(platform::fromCp949(*bytes), text);
        // 분 is BA D0 in the Korean code page, ASCII stays single bytes.
        QCOMPARE(platform::toCp949(u"분A"), QByteArray("\xBA\xD0"
                                                       "A"));
        // A syllable outside the narrow KS X 1001 set needs the unified table.
        QVERIFY(platform::encodeCp949(u"똠").has_value());
    }

    void cp949UnconvertibleAndInvalid() {
        QVERIFY(!platform::encodeCp949(u"\u20AC\U0001F600").has_value() ||
                !platform::encodeCp949(u"\U0001F600").has_value());
        QCOMPARE(platform::toCp949(u"a\U0001F600b"), QByteArray("a?b"));
        // A lone lead byte is replaced, the rest still decodes.
        QCOMPARE(platform::fromCp949(QByteArray("A\xB1")), QStringLiteral("A\uFFFD"));
        QCOMPARE(platform::fromCp949(QByteArray("\xBA\xD0\xFF"
                                                "B")),
                 QStringLiteral("분\uFFFDB"));
    }

    void strictSixteenBitConversion_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("error");
        QTest::newRow("plain") << "130" << 130 << "";
        QTest::newRow("blanks") << "  -50 " << -50 << "";
        QTest::newRow("leading zeros") << "0200" << 200 << "";
        QTest::newRow("min") << "-32768" << -32768 << "";
        QTest::newRow("max") << "32767" << 32767 << "";
        QTest::newRow("half to even down") << "2.5" << 2 << "";
        QTest::newRow("half to even up") << "3.5" << 4 << "";
        QTest::newRow("too big") << "32768" << 0 << "Overflow";
        QTest::newRow("too small") << "-32769" << 0 << "Overflow";
        QTest::newRow("empty") << "" << 0 << "Type mismatch";
        QTest::newRow("letters") << "Y" << 0 << "Type mismatch";
        QTest::newRow("trailing letters") << "12ab" << 0 << "Type mismatch";
        QTest::newRow("hex") << "0x10" << 0 << "Type mismatch";
        QTest::newRow("inf") << "inf" << 0 << "Type mismatch";
    }
    void strictSixteenBitConversion() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QFETCH(QString, error);
        try {
            const int v = platform::toInt16(text);
            QVERIFY2(error.isEmpty(), qPrintable("expected " + error));
            QCOMPARE(v, value);
        } catch (const platform::RuntimeError& e) {
            QCOMPARE(e.text(), error);
        }
    }

    void waitRuleCountsWholeSecondsEitherWay() {
        QVERIFY(!platform::waitExpired(100, 104));
        QVERIFY(platform::waitExpired(100, 105));
        QVERIFY(platform::waitExpired(100, 95)); // a clock set back also ends the wait
        QVERIFY(!platform::waitExpired(100, 100));
    }

    void fastClockRunsFaster() {
        // Sleeping five clock seconds on a clock 50 times faster takes 100 ms
        // of real time and moves its seconds past the printer wait's bound.
        testsupport::FastClock fast(50);
        platform::setClock(&fast);
        const qint64 start = platform::clock().wallSeconds();
        platform::clock().sleepMs(5000);
        const qint64 end = platform::clock().wallSeconds();
        platform::setClock(nullptr);
        QVERIFY(platform::waitExpired(start, end));
        QVERIFY(&platform::clock() != &fast);
    }

    void localIpIsSecondTableEntry() {
        QString error;
        using A = std::array<quint8, 4>;
        QCOMPARE(platform::GetLocalIp(QList<A>{A{127, 0, 0, 1}, A{10, 0, 0, 5}, A{192, 168, 1, 2}}, &error),
                 QStringLiteral("10.0.0.5"));
        QVERIFY(error.isEmpty());
        QCOMPARE(platform::GetLocalIp(QList<A>{}, &error), QStringLiteral("127.0.0.1"));
        QVERIFY(error.isEmpty());
        // only loopback: the operator sees the error, the address falls back
        QCOMPARE(platform::GetLocalIp(QList<A>{A{127, 0, 0, 1}}, &error), QStringLiteral("127.0.0.1"));
        QVERIFY(!error.isEmpty());
        QCOMPARE(platform::IpToString(A{255, 0, 10, 1}), QStringLiteral("255.0.10.1"));
        QVERIFY(!platform::ipv4AddressTable().isEmpty()); // loopback at least
    }

    void singleInstance() {
        QTemporaryDir dir;
        platform::SingleInstance first(QStringLiteral("Vantrel"), dir.path());
        QVERIFY(first.acquire());
        QVERIFY(first.acquire()); // asking again keeps the lock
        platform::SingleInstance second(QStringLiteral("Vantrel"), dir.path());
        QVERIFY(!second.acquire());
        platform::SingleInstance other(QStringLiteral("Brannow"), dir.path());
        QVERIFY(other.acquire());
    }

    void singleInstanceSurvivesDeadOwner() {
        QTemporaryDir dir;
        // A lock file left by a process that no longer runs does not block.
        QFile stale(dir.filePath(QStringLiteral("Vantrel.lock")));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("999999\nVantrel\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        stale.close();
        platform::SingleInstance next(QStringLiteral("Vantrel"), dir.path());
        QVERIFY(next.acquire());
    }

    // Against the virtual printer's line: a missing port, one holder at a
    // time, records longer than a read or a write goes in order, and answers
    // that came while nobody read wait to be taken.
    void serialLine() {
        using Opened = platform::SerialLine::Opened;
        QTemporaryDir dir;
        testsupport::PrinterSimProcess printer;
        const QString capture = dir.filePath(QStringLiteral("capture.bin"));
        QVERIFY2(printer.start({QStringLiteral("--serial"), dir.filePath(QStringLiteral("tty")),
                                QStringLiteral("--capture"), capture}),
                 qPrintable(printer.error()));
        platform::SerialLine line;
        QCOMPARE(line.open(dir.filePath(QStringLiteral("missing")), 9600), Opened::NoSuchPort);
        QVERIFY(!line.isOpen());
        QCOMPARE(line.open(printer.path(), 9600), Opened::Yes);
#ifndef Q_OS_WIN // Wine opens a device as often as asked; Windows' serial driver once
        QCOMPARE(platform::SerialLine().open(printer.path(), 9600), Opened::Busy);
#endif

        const QByteArray records = QByteArray("{D0510,0940,0480|}{C|}").repeated(450);
        line.write(records);
        line.write("{WS|}{WS|}");
        QTRY_VERIFY(!line.writing());
        platform::clock().letEventsRunFor(300);
        QVERIFY(line.hasInput());
        const QByteArray answers = line.takeInput();
        QCOMPARE(answers.size(), 26);
        QCOMPARE(answers.count("\x01\x02"
                               "00"),
                 2);
        QVERIFY(!line.hasInput());
        QTRY_COMPARE(QFileInfo(capture).size(), qint64(records.size() + 10));
        QFile f(capture);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), records + "{WS|}{WS|}");
        line.close();
        QVERIFY(!line.isOpen());
        QCOMPARE(line.open(printer.path(), 9600), Opened::Yes);
    }
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "PlatformTest.moc"
