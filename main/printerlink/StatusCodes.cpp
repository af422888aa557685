#include "main/printerlink/StatusCodes.h"

#include "main/core/Logs.h"
#include "main/core/Operator.h"

#include <array>

namespace printerlink {

namespace {

// Two printable code characters (what the two bytes after SOH STX are in
// every answer, "4X" included), as far as they have come.
bool codeLooksLikeText(const QByteArray& pending, qsizetype from) {
    for (qsizetype i = from + 2; i < from + 4 && i < pending.size(); ++i)
        if (pending[i] < 0x20 || pending[i] > 0x7e)
            return false;
    return true;
}

} // namespace

FrameScan scanFrame(const QByteArray& pending) {
    static const QByteArray start = QByteArray(1, kSOH) + kSTX;
    for (qsizetype from = pending.indexOf(start); from >= 0; from = pending.indexOf(start, from + 1)) {
        // Line noise may hold SOH STX: what follows is no answer when its
        // code is not text or its LF does not come within an answer's reach.
        if (!codeLooksLikeText(pending, from))
            continue;
        const qsizetype lf = pending.indexOf(kLF, from + 2);
        if (lf < 0) {
            if (pending.size() - from <= kMaxAnswerLength)
                return {FrameScan::Partial, from, -1};
            continue;
        }
        if (lf - from + 1 > kMaxAnswerLength)
            continue;
        // An answer that starts again before its LF: the later start counts.
        return {FrameScan::Whole, pending.lastIndexOf(start, lf - 2), lf};
    }
    // A SOH as the last byte may be the start of an answer whose STX is
    // still on the way.
    if (pending.endsWith(kSOH))
        return {FrameScan::Partial, pending.size() - 1, -1};
    return {};
}

QByteArray cutFrame(QByteArray& pending, char start) {
    qsizetype from = -1;
    qsizetype to = -1;
    if (start == kSOH) {
        const FrameScan scan = scanFrame(pending);
        if (scan.state != FrameScan::Whole)
            return {};
        from = scan.from;
        to = scan.to;
    } else {
        from = pending.indexOf(start);
        to = from < 0 ? -1 : pending.indexOf(kLF, from);
        if (to < 0)
            return {};
    }
    const QByteArray frame = pending.mid(from, to - from + 1);
    pending = pending.mid(to + 1);
    return frame;
}

bool hasFrame(const QByteArray& pending) {
    return scanFrame(pending).state == FrameScan::Whole;
}

QString frameCode(const QByteArray& frame, int offset) {
    return QString::fromLatin1(frame.mid(offset, 2));
}

QString rowText(qint32 nIndex) {
    return nIndex == 0 ? QString() : QString::number(nIndex);
}

QString codeText(int code) {
    if (code < 0)
        return QLatin1Char('-') +
               QString::number(-static_cast<qint64>(code)).rightJustified(2, QLatin1Char('0'));
    return QString::number(code).rightJustified(2, QLatin1Char('0'));
}

bool isReadyCode(const QString& code) {
    static const std::array<const char*, 6> ready = {"00", "02", "05", "27", "29", "41"};
    for (const char* c : ready)
        if (code == QLatin1String(c))
            return true;
    return false;
}

namespace {

struct CodeEntry {
    const char* code;
    const char* meaning;
    const char* messageText; // nullptr: no condition of the status request
    const char* logText;
    bool namesRow;
};

// clang-format off
constexpr CodeEntry kCodes[] = {
    {"00", "ready", nullptr, nullptr, false},
    {"02", "ready", nullptr, nullptr, false},
    {"05", "ready", nullptr, nullptr, false},
    {"27", "ready", nullptr, nullptr, false},
    {"29", "ready", nullptr, nullptr, false},
    {"41", "ready", nullptr, nullptr, false},
    {"01", "head open", "헤드 오픈 에러 !! [", "헤드 오픈 에러 !! [", false},
    {"15", "head open", "헤드 오픈 에러 !! [", "헤드 오픈 에러 !! [", false},
    {"04", "pause key pressed", "PAUSE가 눌렸습니다 !! [", "PAUSE가 눌렸습니다 !! [", false},
    {"28", "pause key pressed", "PAUSE가 눌렸습니다 !! [", "PAUSE가 눌렸습니다 !! [", false},
    {"06", "command error", "COMMAND ERROR !! [", "COMMAND ERROR !! [", false},
    {"07", "communication error", "COMMS ERROR !! [", "COMMS ERROR !! [", false},
    {"11", "paper jam", "PAPER JAM !! [", "PAPER JAM !! [", false},
    {"12", "cutter error", "CUTTER ERROR !! [", "CUTTER ERROR !! [", false},
    {"13", "no paper", "용지가 없습니다 !! [", "용지가 없습니다 !! [", false},
    {"14", "no ribbon", "리본이 없습니다 !! [", "리본이 없습니다 !! [", false},
    {"17", "head error", "헤드 에러 !! [", "헤드 에러 !! [", false},
    {"18", "head overheated", "헤드 과열 !! [", "헤드 과열 !! [", false},
    {"21", "ribbon error", "리본 에러 !! [", "리본 에러 !! [", false},
    {"22", "rewinder full", "REWIND FULL !! [", "REWIND FULL !! [", false},
    {"50", "flash write error", "FLASH WRITE ERROR !! [", "FLASH WRITE ERROR !! [", false},
    {"51", "format error", "FORMAT ERROR !! [", "FORMAT ERROR !! [", false},
    {"54", "flash card full", "FLASH CARD FULL !! [", "FLASH CARD FULL !! [", false},
    {"55", "saving error", "SAVING ERROR !! [", "SAVING ERROR !! [", false},
    {"61", "RFID write error", "RFID WRITE ERROR !! [", "RFID WRITE ERROR [", true},
    {"62", "RFID error", "RFID ERROR !! [", "RFID ERROR !! [", true},
    {"65", "RFID configuration error", "RFID CONFIG ERROR !! [", "RFID CONFIG ERROR !! [", true},
    {"40", "issue completed", nullptr, nullptr, false},
    {"60", "RFID write error, printer goes on", nullptr, nullptr, false},
};
// clang-format on

const CodeEntry* find(const QString& code) {
    for (const CodeEntry& e : kCodes)
        if (code == QLatin1String(e.code))
            return &e;
    return nullptr;
}

} // namespace

std::optional<Condition> condition(const QString& code) {
    const CodeEntry* e = find(code);
    if (!e || !e->messageText)
        return std::nullopt;
    return Condition{QString::fromUtf8(e->messageText), QString::fromUtf8(e->logText), e->namesRow};
}

std::optional<StatusReport> statusRequestReport(const QString& code, const QString& n) {
    const auto cond = condition(code);
    if (!cond)
        return std::nullopt;
    StatusReport r;
    const QString row = QLatin1Char('[') + n + QStringLiteral("]번 출력중");
    r.message =
        (cond->namesRow ? row + QLatin1Char(' ') : QString()) + cond->messageText + code + QLatin1Char(']');
    // The RFID write error's line has its own head: two colons, no blank.
    if (code == QLatin1String("61"))
        r.logLine =
            QStringLiteral("Status Request Command::") + row + cond->logText + code + QLatin1Char(']');
    else
        r.logLine = QStringLiteral("Status Request Command:") + row + QLatin1Char(' ') + cond->logText +
                    code + QLatin1Char(']');
    return r;
}

StatusReport statusRequestGeneral(const QString& n) {
    return {QLatin1Char('[') + n + QStringLiteral("]번 출력중 에러가 발생했습니다"),
            QStringLiteral("Status Request Command:[") + n + QStringLiteral("]번 출력중 에러가 발생")};
}

void showAndLog(const StatusReport& report) {
    core::currentOperator().showMessage(report.message);
    core::WriteLog(report.logLine);
}

QString statusMeaning(const QString& code) {
    const CodeEntry* e = find(code);
    return e ? QString::fromLatin1(e->meaning) : QStringLiteral("unusable answer");
}

} // namespace printerlink
