#pragma once
// The printer's status answer: SOH STX, a two-digit status code, further
// bytes, LF. Cutting answers out of received data, and the status codes with
// the texts the operator and the status log see for them.
#include <QByteArray>
#include <QString>
#include <optional>

namespace printerlink {

inline constexpr char kSOH = 0x01;
inline constexpr char kSTX = 0x02;
inline constexpr char kLF = 0x0A;
// The printer's answers are 13 bytes from SOH through LF; what runs longer
// than this without its LF is no answer.
inline constexpr qsizetype kMaxAnswerLength = 32;

// Where the first whole answer stands in received data: SOH STX, the code,
// further bytes, LF. A SOH that is not followed by STX is noise, so an answer
// behind junk that holds a lone SOH is still found; when an answer starts
// again before its LF, the later start counts. A SOH STX whose code is not
// text or whose LF is not within an answer's reach is line noise. A LF before the
// answer's start cuts nothing.
struct FrameScan {
    enum State { None, Partial, Whole };
    State state = None; // Partial: an answer has begun and its LF has not come
    qsizetype from = -1;
    qsizetype to = -1; // the LF
};
FrameScan scanFrame(const QByteArray& pending);

// Cuts the first answer out of the pending data; the pending data keeps what
// follows its LF. With `start` STX (the second chance of the status request)
// the answer runs from the first STX through the first LF after it. Returns
// the answer, or empty when there is none yet (nothing changes then).
QByteArray cutFrame(QByteArray& pending, char start = kSOH);
// True when cutFrame would cut an answer from SOH.
bool hasFrame(const QByteArray& pending);
// The two code characters of an answer found `offset` bytes into it (2 after
// SOH STX, 1 after STX); empty for no answer.
QString frameCode(const QByteArray& frame, int offset);

// A grid row as messages write it: plain digits, empty for row 0.
QString rowText(qint32 nIndex);
// A status number as two digits (1 gives "01").
QString codeText(int code);

// Codes that mean the printer can take the next label.
bool isReadyCode(const QString& code);

// A printer condition named by an error code: the words of the message box
// and of the status log (they differ for the RFID write error), and whether
// the message names the row.
struct Condition {
    QString messageText; // "PAPER JAM !! ["; the code and "]" follow
    QString logText;
    bool namesRow = false;
};
// The conditions known to the status request (every error code but 40/60).
std::optional<Condition> condition(const QString& code);

struct StatusReport {
    QString message; // message box text
    QString logLine; // status log line, written after the box is closed
};
// Report of an error code answering a status request (also the USB waits
// after an issue); nullopt when the code names no condition.
std::optional<StatusReport> statusRequestReport(const QString& code, const QString& n);
// Report of an unusable answer that ends the request.
StatusReport statusRequestGeneral(const QString& n);
// Shows the report, then writes its log line.
void showAndLog(const StatusReport& report);

// What a code means, in plain words (support output).
QString statusMeaning(const QString& code);

} // namespace printerlink
