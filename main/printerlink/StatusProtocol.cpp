// The status protocol of the main window's link: the status request before
// each tag and the wait for one answer frame, on whichever connection the
// link has open.
#include "main/printerlink/PrinterLink.h"

#include "main/core/FailureReport.h"
#include "main/core/Logs.h"
#include "main/core/Operator.h"
#include "main/printerlink/QuorvelLibrary.h"
#include "main/printerlink/StatusCodes.h"
#include "platform/Clock.h"
#include "platform/Cp949.h"
#include "platform/RuntimeError.h"

#include <algorithm>

namespace printerlink {

namespace {
// Data seen without a whole answer: how long the period goes on for more
// before it ends without an answer (the pause of the printer rules).
constexpr int kSettleMs = 100;
// A wait period without a whole answer ends after 5 seconds.
constexpr int kPeriodMs = 5000;
// How often a wait tells its watcher that it is still waiting.
constexpr int kTellWaitMs = 1000;
} // namespace

QByteArray PrinterLink::awaitAnswer(QByteArray& pending, const QString& rawLogHead) {
    platform::Clock& clock = platform::clock();
    const int kind = connKind();
    if (kind != 1 && !(kind == 2 && MSComm1().isOpen()))
        throw platform::RuntimeError(kPortNotOpen);
    PrinterConnection& link = connectionOf(kind);
    const bool fast = fastStatus();
    // The period lasts 5 seconds on the steady clock, so the wait sleeps
    // until data comes or the period is over instead of polling the
    // whole-second clock.
    const qint64 periodEnd = clock.steadyMs() + kPeriodMs;
    bool taken = false;    // data went into `pending` during this period
    qint64 settleEnd = -1; // fast: when a period with data and no answer ends
    // The period's raw log line holds the pending data as the answer is cut.
    const auto finish = [&](bool answer) {
        if (taken)
            core::WriteLog(rawLogHead + platform::fromCp949(pending));
        return answer ? cutFrame(pending) : QByteArray();
    };
    clock.runPendingEvents();
    for (;;) {
        const bool newData = link.hasInput();
        // A whole answer left over from the last chunk is read at once; the
        // beginning of one waits, within the period, for its rest.
        if (newData || hasFrame(pending)) {
            if (!fast)
                clock.sleepMs(kSettleMs);
            if (newData) {
                link.takeInput(pending);
                taken = true;
            }
            const FrameScan::State state = scanFrame(pending).state;
            if (state == FrameScan::Whole)
                return finish(true);
            if (state == FrameScan::None) {
                if (!fast)
                    return finish(false);
                if (settleEnd < 0)
                    settleEnd = clock.steadyMs() + kSettleMs;
            } else {
                settleEnd = -1;
            }
        }
        const qint64 now = clock.steadyMs();
        const qint64 end = settleEnd >= 0 ? std::min(settleEnd, periodEnd) : periodEnd;
        if (now >= end)
            return finish(false);
        clock.waitForEvents(static_cast<int>(std::min<qint64>(end - now, kTellWaitMs)));
        if (whileAwaiting)
            whileAwaiting();
    }
}

void PrinterLink::discardInput() {
    const int kind = connKind();
    if (kind != 1 && kind != 2)
        return; // over USB nothing arrives unasked
    platform::clock().runPendingEvents();
    QByteArray earlier;
    connectionOf(kind).takeInput(earlier);
    // Socket data went to the status log as it arrived; the serial line's
    // goes there now.
    if (kind == 2 && !earlier.isEmpty())
        core::WriteLog(platform::fromCp949(earlier));
}

bool PrinterLink::CheckPrint(qint32 nIndex) {
    m_lastCode.clear();
    const QString n = rowText(nIndex);
    try {
        if (!m_run)
            throw platform::RuntimeError(kWrongSocketState);
        const int kind = connKind();
        if (kind == 3) {
            // The library asks and waits itself; no count, no retry.
            const QString code = codeText(SA4T_Print(QByteArrayLiteral("{WS|}"), 3));
            m_lastCode = code;
            if (isReadyCode(code))
                return true;
            showAndLog(statusRequestReport(code, n).value_or(statusRequestGeneral(n)));
            return false;
        }
        if (kind == 1 || kind == 2)
            fncRsSend(QByteArrayLiteral("{WS|}"), SendWait::Bounded);

        const QString rawLogHead =
            QStringLiteral("Status Request Command[PRINTER_DATA] : [") + n + QStringLiteral("]번 출력 ");
        QByteArray pending;
        for (;;) {
            QByteArray frame = awaitAnswer(pending, rawLogHead);
            QString code = frameCode(frame, 2);
            if (code.isEmpty()) {
                // Second chance: an answer that lost its SOH still has STX.
                // A serial line is read once more; socket data waits for the
                // next period.
                if (kind == 2)
                    connectionOf(2).takeInput(pending);
                core::WriteLog(rawLogHead + platform::fromCp949(pending));
                frame = cutFrame(pending, kSTX);
                code = frameCode(frame, 1);
            }
            m_lastCode = code;
            if (isReadyCode(code))
                return true;
            if (const auto report = statusRequestReport(code, n)) {
                showAndLog(*report);
                return false;
            }
            m_run->nStatusErrCnt = static_cast<qint16>(m_run->nStatusErrCnt + 1);
            if (m_run->nStatusErrCnt >= 3) {
                showAndLog(statusRequestGeneral(n));
                return false;
            }
            // Not asked again: the answer may still be on its way.
        }
    } catch (const std::exception& e) {
        core::reportFailure(core::currentOperator(), QStringLiteral("CheckPrint"), core::errorText(e));
        return false;
    }
}

} // namespace printerlink
