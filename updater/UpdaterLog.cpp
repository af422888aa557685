#include "updater/UpdaterLog.h"

#include "platform/Cp949.h"
#include "platform/FileAppend.h"
#include "platform/Profile.h"
#include "platform/ProgramDir.h"
#include "updater/StagedFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QMutex>
#include <QRegularExpression>

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace updater {

namespace {

const QString kSection = QStringLiteral("LOCAL_LOG");

// Written once by LogOpen before the worker thread exists; only read after.
LogSettings g_log;

bool isLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

QString yyyymmdd(const QDate& d) {
    return d.toString(QStringLiteral("yyyyMMdd"));
}

// Removes daily files that are more than `keepDays` days old. The date is
// read from the eight characters after the base name; a file without one
// counts as the year 0 and goes too.
void deleteOldFiles(const LogSettings& s) {
    const QDate today = QDate::currentDate();
    const int todayNo = dayNumber(today.year(), today.month(), today.day());
    QDir dir(s.dir.isEmpty() ? QStringLiteral(".") : s.dir);
    dir.setNameFilters({s.base + QLatin1Char('*') + s.ext});
    dir.setFilter(QDir::Files | QDir::Hidden);
    dir.setSorting(QDir::Name);
    for (const QString& name : dir.entryList()) {
        const QString rest = name.mid(s.base.size());
        const int y = leadingNumber(QStringView(rest).mid(0, 4));
        const int m = leadingNumber(QStringView(rest).mid(4, 2));
        const int d = leadingNumber(QStringView(rest).mid(6, 2));
        if (dayNumber(y, m, d) + s.date < todayNo)
            QFile::remove(dir.filePath(name));
    }
}

// One connection per line: the viewer reads until the peer closes. Nobody
// listening drops the line.
void sendToTraceViewer(const QByteArray& line) {
    QLocalSocket sock;
    sock.connectToServer(QLatin1String(kTraceViewerName), QIODevice::WriteOnly);
    if (!sock.waitForConnected(200))
        return;
    sock.write(line);
    while (sock.bytesToWrite() > 0 && sock.waitForBytesWritten(500)) {
    }
    sock.disconnectFromServer();
    if (sock.state() != QLocalSocket::UnconnectedState)
        sock.waitForDisconnected(500);
}

} // namespace

int leadingNumber(QStringView text) {
    int n = 0;
    for (QChar c : text.trimmed()) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9') || n > 9999999)
            break;
        n = n * 10 + (c.unicode() - '0');
    }
    return n;
}

int dayNumber(int year, int month, int day) {
    static const int kMonthStart[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    const int y = year - 1;
    int n = y * 365 + y / 4 - y / 100 + y / 400;
    if (month >= 1 && month <= 12)
        n += kMonthStart[month - 1];
    n += day;
    if (isLeap(year) && month > 2)
        ++n;
    return n;
}

LogSettings logSettings() {
    return g_log;
}

QString logFileFor(const QDate& day) {
    if (g_log.date < 0)
        return g_log.dir + g_log.base + g_log.ext;
    return g_log.dir + g_log.base + yyyymmdd(day) + g_log.ext;
}

void LogOpen(const QString& module) {
    LogSettings s;
    const QFileInfo program(module);
    const QString programDir = program.absolutePath() + QLatin1Char('/');
    const QString programBase = program.completeBaseName();
    const QString ini = programDir + programBase + QStringLiteral(".INI");
    if (!QFileInfo::exists(ini)) {
        g_log = s; // level 0: nothing is ever written
        return;
    }
    s.level = platform::GetPrivateProfileIntA(kSection, QStringLiteral("LOG_LEVEL"), 1, ini);
    s.win = platform::GetPrivateProfileIntA(kSection, QStringLiteral("LOG_WIN"), 0, ini);
    if (s.win == 1) {
        g_log = s;
        return;
    }

    QString fname =
        platform::GetPrivateProfileStringA(kSection, QStringLiteral("LOG_FNAME"), programBase, 260, ini);
    const qsizetype cut = fname.indexOf(QRegularExpression(QStringLiteral("[ \t]")));
    if (cut >= 0)
        fname.truncate(cut);
    const qsizetype slash = fname.lastIndexOf(QLatin1Char('/'));
    const QString dirPart = slash >= 0 ? fname.left(slash + 1) : QString();
    const QString namePart = fname.mid(slash + 1);
    const qsizetype dot = namePart.lastIndexOf(QLatin1Char('.'));
    const QString basePart = dot >= 0 ? namePart.left(dot) : namePart;
    const QString extPart = dot >= 0 ? namePart.mid(dot) : QString();
    s.dir = dirPart.isEmpty() ? programDir : dirPart;
    s.base = basePart.isEmpty() ? programBase : basePart;
    s.ext = extPart.isEmpty() ? QStringLiteral(".LOG") : extPart;

    s.sizeMb = platform::GetPrivateProfileIntA(kSection, QStringLiteral("LOG_SIZE"), 0, ini);
    s.date = platform::GetPrivateProfileIntA(kSection, QStringLiteral("LOG_DATE"), -1, ini);
    g_log = s;
    if (s.date > 0)
        deleteOldFiles(s);
}

void LogWrite(int level, const QString& source, const QString& text) {
    const LogSettings& s = g_log;
    if (s.level == 0 || s.level < level)
        return;

    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    char head[64];
    std::snprintf(head, sizeof head, "%04d/%02d/%02d,%02d:%02d:%02d.%03hu,%d,", d.year(), d.month(), d.day(),
                  t.hour(), t.minute(), t.second(), static_cast<unsigned short>(t.msec()), level);
    // The source tag takes exactly 30 bytes: cut or padded with blanks.
    QByteArray tag = platform::toCp949(source).left(30);
    tag.append(30 - tag.size(), ' ');
    QByteArray line = QByteArray(head) + tag + ',' + platform::toCp949(text);

    if (s.win == 1) {
        sendToTraceViewer(line);
        return;
    }

    const QString path = logFileFor(d);
    line += "\r\n";
    // One write per line, so lines of two threads never interleave. A line
    // that cannot be written is lost, as with any unwritable log.
    qint64 size = -1;
    bool written = platform::appendToFile(path, line, &size);
    if (!written && pathKind(path) == PathKind::Link) {
        // A symbolic link planted at the log's name would carry the lines
        // wherever it points: it is replaced by a file of the log's own,
        // once, whichever thread finds it first.
        static QMutex replacing;
        const QMutexLocker lock(&replacing);
        if (pathKind(path) == PathKind::Link)
            QFile::remove(path);
        written = platform::appendToFile(path, line, &size);
    }
    if (!written || size < 0)
        return;

    if (s.sizeMb > 0 && size > static_cast<qint64>(s.sizeMb) * 1048576) {
        const QString cutName =
            s.dir + s.base + yyyymmdd(d) + QLatin1Char('_') + t.toString(QStringLiteral("HHmmss")) + s.ext;
        QFile::rename(path, cutName);
    }
}

void LogWriteFmt(int level, const QString& source, const char* format, ...) {
    const LogSettings& s = g_log;
    if (s.level == 0 || s.level < level)
        return;
    // The text is formatted in this call's own buffer: two threads logging at
    // once never see each other's text.
    char small[512];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    QString text;
    if (n < 0) {
        va_end(again);
        return;
    }
    if (static_cast<size_t>(n) < sizeof small) {
        text = QString::fromUtf8(small, n);
    } else {
        std::vector<char> big(static_cast<size_t>(n) + 1);
        std::vsnprintf(big.data(), big.size(), format, again);
        text = QString::fromUtf8(big.data(), n);
    }
    va_end(again);
    LogWrite(level, source, text);
}

} // namespace updater
