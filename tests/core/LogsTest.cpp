// The two logs and the failure report: line framing, CP949 text, CR LF inside
// a text, a log that cannot be written, and the report's order of effects.
#include "main/core/Logs.h"
#include "main/core/FailureReport.h"
#include "platform/Cp949.h"
#include "tests/support/RecordingOperator.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>
#ifndef Q_OS_WIN
#include <unistd.h>
#endif

class LogsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lineFraming() {
        // The frame every writer puts first, in local time (here UTC).
        const QByteArray zone = qgetenv("TZ");
        qputenv("TZ", "UTC");
        ::tzset();
        const QByteArray morning =
            core::logFrame(QDateTime(QDate(2026, 3, 7), QTime(9, 5, 2), Qt::UTC).toSecsSinceEpoch());
        // afternoon hours on the 24-hour clock
        const QByteArray evening =
            core::logFrame(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59), Qt::UTC).toSecsSinceEpoch());
        zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
        ::tzset();
        QCOMPARE(morning, QByteArray("[26/03/07 09:05:02]"));
        QCOMPARE(evening, QByteArray("[26/12/31 23:59:59]"));

        // A written line carries the frame of the moment it was written.
        testsupport::TempProgramDir dir;
        const std::time_t before = std::time(nullptr);
        core::WriteLog(QStringLiteral("abc"));
        const std::time_t after = std::time(nullptr);
        const QByteArray line = dir.read("error.log");
        QVERIFY2(line == core::logFrame(before) + "abc\r\n" || line == core::logFrame(after) + "abc\r\n",
                 line.constData());
    }

    void firstLineCreatesFileAndLinesAppend() {
        testsupport::TempProgramDir dir;
        QVERIFY(!QFile::exists(dir.file("error.log")));
        core::WriteLog(QStringLiteral("one"));
        core::WriteLog(QStringLiteral("two"));
        const QByteArray text = dir.read("error.log");
        static const QRegularExpression re(
            QStringLiteral("^\\[\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\\]one\r\n"
                           "\\[\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\\]two\r\n$"));
        QVERIFY2(re.match(QString::fromLatin1(text)).hasMatch(), text.constData());
        QVERIFY(!QFile::exists(dir.file("detail_error.log")));
    }

    void statusLineKeepsAFewKilobytes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kept");
        const QString answer = QStringLiteral("\x01\x02") + QStringLiteral("00\x03");
        QTest::newRow("a normal answer as it came") << answer << int(answer.size());
        QTest::newRow("exactly at the limit") << QString(core::kMaxStatusLineBytes, u'x') << 4096;
        QTest::newRow("garbage is cut and counted") << QString(100'000, u'g') << 4096;
        // 2,047 double-byte characters and one byte; the next would be split.
        QTest::newRow("no half character") << QString(1, u'x') + QString(4000, u'가') << 4095;
    }
    void statusLineKeepsAFewKilobytes() {
        QFETCH(QString, text);
        QFETCH(int, kept);
        testsupport::TempProgramDir dir;
        core::WriteLog(text);
        const QByteArray line = dir.read("error.log").sliced(core::logFrame(0).size());
        const QByteArray whole = platform::toCp949(text);
        QCOMPARE(line.first(kept), whole.first(kept));
        const QByteArray rest = kept == whole.size() ? QByteArray("\r\n")
                                                     : " ...(" + QByteArray::number(whole.size() - kept) +
                                                           " bytes not written)\r\n";
        QCOMPARE(line.sliced(kept), rest);
    }

    void koreanTextIsCp949AndCrLfContinuesUnframed() {
        testsupport::TempProgramDir dir;
        core::WriteDetailLog(QStringLiteral("용지 없음\r\nPAPER END"));
        const QByteArray text = dir.read("detail_error.log");
        QVERIFY(text.endsWith(platform::toCp949(u"용지 없음") + "\r\nPAPER END\r\n"));
        QCOMPARE(text.count('['), 1); // one date/time frame for both physical lines
    }

    // A batch writes the bytes single lines would: ASCII, Korean, characters
    // without a code (each one "?"), a part repeated from the memo, and
    // enough lines to cross a block.
    void batchWritesTheBytesOfSingleLines() {
        const QList<QStringList> lines = {
            {QStringLiteral("TAG_ID:"), QString(), QStringLiteral(" PURC_SND:2024000001")},
            {QStringLiteral("ATCL_CAT_NM:"), QStringLiteral("노트북컴퓨터"), QStringLiteral(" x")},
            {QStringLiteral("ATCL_CAT_NM:"), QStringLiteral("노트북컴퓨터"), QStringLiteral(" y")},
            {QStringLiteral("이모지 \U0001F600 끝"), QStringLiteral("\u00e9t\u00e9 1200×700 30~40평")},
            {QStringLiteral("\x7f\x01"), QStringLiteral("\u0080"), QString()},
        };
        testsupport::TempProgramDir dir;
        QByteArray expected;
        {
            core::LogBatch batch(QStringLiteral("batch.log"));
            for (int round = 0; round < 4000; ++round) {
                for (const QStringList& parts : lines) {
                    std::vector<QStringView> views(parts.begin(), parts.end());
                    if (views.size() == 2)
                        batch.add({views[0], views[1]});
                    else
                        batch.add({views[0], views[1], views[2]});
                    core::appendLogLine(QStringLiteral("single.log"), parts.join(QString()));
                }
            }
        }
        const auto unframed = [&](const char* name) {
            QList<QByteArray> out = dir.read(name).split('\n');
            for (QByteArray& line : out)
                line = line.mid(19);
            return out;
        };
        const QList<QByteArray> batchLines = unframed("batch.log");
        QCOMPARE(batchLines.size(), 4000 * lines.size() + 1);
        QCOMPARE(batchLines, unframed("single.log"));
        QCOMPARE(batchLines[3], QByteArray("\xC0\xCC\xB8\xF0\xC1\xF6 ? \xB3\xA1?t? 1200\xA1\xBF"
                                           "700 30~40\xC6\xF2\r"));
    }

    void logInPlaceOfDirectoryIsSwallowed() {
        testsupport::TempProgramDir dir;
        // A folder where the log file should be: opening for append fails.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("error.log")));
        core::WriteLog(QStringLiteral("lost"));
        QVERIFY(QFileInfo(dir.file("error.log")).isDir());
    }

    void readOnlyLogFile() {
        testsupport::TempProgramDir dir;
        dir.write("error.log", "old\r\n");
        QFile::setPermissions(dir.file("error.log"), QFile::ReadOwner);
        core::WriteLog(QStringLiteral("new"));
        const QByteArray text = dir.read("error.log");
        QFile::setPermissions(dir.file("error.log"), QFile::ReadOwner | QFile::WriteOwner);
        // The old lines stay whole either way; root may still append (Wine
        // gives the read-only attribute as the file's mode bits, so there too).
#ifdef Q_OS_WIN
        const bool mayAppend = text.size() > 5;
#else
        const bool mayAppend = ::geteuid() == 0;
#endif
        if (!mayAppend)
            QCOMPARE(text, QByteArray("old\r\n"));
        else
            QVERIFY2(text.startsWith("old\r\n[") && text.endsWith("]new\r\n"), text.constData());
    }

    void failureReportWritesThenShows() {
        testsupport::TempProgramDir dir;
        testsupport::RecordingOperator op;
        bool logged = false;
        op.onMessage = [&](const QString&) { logged = dir.read("detail_error.log").contains("[getSeqNo]"); };
        const QString text = core::reportFailure(op, QStringLiteral("getSeqNo"), QStringLiteral("ORA-02289"));
        QCOMPARE(text, QStringLiteral("[getSeqNo][ORA-02289]"));
        QCOMPARE(op.messages, QStringList{text});
        QVERIFY2(logged, "the detail log line must exist before the box is shown");
        QVERIFY(dir.read("detail_error.log").endsWith("[getSeqNo][ORA-02289]\r\n"));
        QVERIFY(!QFile::exists(dir.file("error.log")));
    }
};

QTEST_GUILESS_MAIN(LogsTest)
#include "LogsTest.moc"
