// The two logs and the failure report: line framing, CP949 text, CR LF inside
// a text, a log that cannot be written, and the report's order of effects.
#include "main/core/FailureReport.h"
#include "main/core/Logs.h"
#include "tests/support/RecordingOperator.h"
#include "platform/Cp949.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>
#include <unistd.h>

class LogsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lineFraming() {
        const QDateTime when(QDate(2026, 3, 7), QTime(9, 5, 2));
        QCOMPARE(core::logLine(QStringLiteral("abc"), when), QByteArray("[26/03/07 09:05:02]abc\r\n"));
        // afternoon hours on the 24-hour clock
        QCOMPARE(core::logLine(QString(), QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59))),
                 QByteArray("[26/12/31 23:59:59]\r\n"));
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

    void koreanTextIsCp949AndCrLfContinuesUnframed() {
        testsupport::TempProgramDir dir;
        core::WriteDetailLog(QStringLiteral("용지 없음\r\nPAPER END"));
        const QByteArray text = dir.read("detail_error.log");
        QVERIFY(text.endsWith(platform::toCp949(u"용지 없음") + "\r\nPAPER END\r\n"));
        QCOMPARE(text.count('['), 1); // one date/time frame for both physical lines
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
        if (::geteuid() != 0)
            QCOMPARE(dir.read("error.log"), QByteArray("old\r\n"));
        QFile::setPermissions(dir.file("error.log"), QFile::ReadOwner | QFile::WriteOwner);
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
