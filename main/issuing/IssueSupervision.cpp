#include "main/issuing/IssueSupervision.h"

#include "main/core/Logs.h"
#include "main/core/Operator.h"
#include "main/printerlink/QuorvelLibrary.h"
#include "platform/Clock.h"

#include <array>

namespace issuing {

using printerlink::StatusReport;

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kPowerCycle = QStringLiteral("전원을 내렸다 올려주십시오.");
// Fast status asks again this soon after a busy answer: a label is seen
// done within a few milliseconds of the printer finishing it.
constexpr int kUsbFastPollMs = 5;

// Error codes that end a tag when the printer reports them after an issue.
bool isAutoStatusError(const QString& code) {
    static const std::array<const char*, 18> codes = {"01", "15", "06", "07", "11", "12", "13", "14", "17",
                                                      "18", "21", "22", "50", "51", "54", "61", "62", "65"};
    for (const char* c : codes)
        if (code == QLatin1String(c))
            return true;
    return false;
}

bool isUsbDone(int code) {
    return code == 0 || code == 27;
}
bool isUsbBusy(int code) {
    return code == 2 || code == 5 || code == 29;
}

} // namespace

std::optional<StatusReport> autoStatusReport(const QString& code, const QString& n, const QString& tagText) {
    if (!isAutoStatusError(code))
        return std::nullopt;
    const auto cond = printerlink::condition(code);
    const QString row = QLatin1Char('[') + n + QStringLiteral("]번 출력중");
    StatusReport r;
    QString head = cond->messageText;
    if (code == QLatin1String("01") || code == QLatin1String("15"))
        head = QStringLiteral("헤드 오픈 에러 !!["); // this box has no blank before the code
    if (cond->namesRow)
        head = row + QLatin1Char(' ') + head;
    r.message = head + code + QLatin1Char(']');
    if (code == QLatin1String("11"))
        r.message += kCrLf + kCrLf + QStringLiteral("출력된 [") + tagText + QLatin1Char(']') +
                     QStringLiteral("태그를 폐기하시고 전원을 내렸다 올려주십시오.");
    else if (code == QLatin1String("14"))
        r.message += kCrLf + kPowerCycle;
    else
        r.message += kCrLf + kCrLf + kPowerCycle;
    const QString gap = code == QLatin1String("61") ? QString() : QStringLiteral(" ");
    r.logLine =
        QStringLiteral("Auto Status Transmission:") + row + gap + cond->logText + code + QLatin1Char(']');
    return r;
}

QString autoStatusRetryLine(const QString& n) {
    return QStringLiteral("Auto Status Transmission:[") + n +
           QStringLiteral("]번 출력중 RFID WRITE ERROR !! [60]");
}

QString uncertainTagText(const QString& tagId) {
    return QStringLiteral("태그 %1은(는) 출력되었는지 확인되지 않았습니다. 라벨을 확인한 뒤 "
                          "발행이력에서 기록 또는 취소하여 주십시오.")
        .arg(tagId);
}

StatusReport autoStatusGeneral(const QString& n) {
    return {QLatin1Char('[') + n + QStringLiteral("]번 출력중 에러가 발생했습니다"),
            QStringLiteral("Auto Status Transmission:[") + n + QStringLiteral("]번 출력중 에러가 발생")};
}

namespace {

// A failure: the box first, then the flag, then the log line.
IssueOutcome fail(IssueContext& ctx, const StatusReport& report, IssueOutcome outcome) {
    QString message = report.message;
    if (outcome == IssueOutcome::NoAnswer && ctx.journalEntry)
        message += QStringLiteral("\r\n\r\n") + uncertainTagText(ctx.run->sTagId);
    core::currentOperator().showMessage(message);
    ctx.run->nErrFlag = -1;
    core::WriteLog(report.logLine);
    return outcome;
}

IssueOutcome superviseUsb(IssueContext& ctx, const QString& n, const QByteArray& issueRecord) {
    platform::Clock& clock = platform::clock();
    const bool fast = ctx.link->fastStatus();
    for (;;) {
        // The printer rules ask once a second; fast status asks at the pace
        // the library keeps between its own requests.
        if (fast)
            clock.letEventsRunFor(kUsbFastPollMs);
        else
            clock.sleepMs(1000);
        // Status only: the library asks with "{WS|}"; the record is not sent again.
        if (ctx.link->whileAwaiting)
            ctx.link->whileAwaiting();
        const int code = printerlink::SA4T_Print(issueRecord, 3);
        if (isUsbDone(code))
            return IssueOutcome::Issued;
        if (isUsbBusy(code))
            continue;
        const QString c = printerlink::codeText(code);
        if (const auto report = printerlink::statusRequestReport(c, n))
            return fail(ctx, *report, IssueOutcome::Fault);
        return fail(ctx, printerlink::statusRequestGeneral(n), IssueOutcome::NoAnswer);
    }
}

IssueOutcome superviseAnswers(IssueContext& ctx, const QString& n, const QString& tagText) {
    const QString rawLogHead =
        QStringLiteral("Auto Status Transmission[PRINTER_DATA] : [") + n + QStringLiteral("]번 출력 ");
    QByteArray pending;
    for (;;) {
        const QString code = printerlink::frameCode(ctx.link->awaitAnswer(pending, rawLogHead), 2);
        if (code == QLatin1String("40")) {
            ctx.run->nStatusErrCnt = 0;
            return IssueOutcome::Issued;
        }
        if (code == QLatin1String("00") || code == QLatin1String("41"))
            continue;
        if (code == QLatin1String("60")) {
            core::WriteLog(autoStatusRetryLine(n));
            continue;
        }
        if (const auto report = autoStatusReport(code, n, tagText))
            return fail(ctx, *report, IssueOutcome::Fault);
        ctx.run->nStatusErrCnt = static_cast<qint16>(ctx.run->nStatusErrCnt + 1);
        if (ctx.run->nStatusErrCnt >= 3)
            return fail(ctx, autoStatusGeneral(n), IssueOutcome::NoAnswer);
    }
}

} // namespace

IssueOutcome superviseIssue(IssueContext& ctx, qint32 nIndex, const QByteArray& issueRecord,
                            const QString& tagText) {
    const QString n = printerlink::rowText(nIndex);
    const int kind = ctx.link->connKind();
    if (kind == 1 || kind == 2)
        return superviseAnswers(ctx, n, tagText);
    return superviseUsb(ctx, n, issueRecord);
}

} // namespace issuing
