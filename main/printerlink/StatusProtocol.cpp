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

#include <QSerialPort>

namespace printerlink {

QByteArray PrinterLink::awaitAnswer(QByteArray& pending, const QString& rawLogHead) {
    platform::Clock& clock = platform::clock();
    const int kind = connKind();
    if (kind != 1 && !(kind == 2 && MSComm1().isOpen()))
        throw platform::RuntimeError(kPortNotOpen);
    PrinterConnection& link = connectionOf(kind);
    const qint64 start = clock.wallSeconds();
    for (;;) {
        clock.pumpEvents();
        const bool newData = link.hasInput();
        // A whole answer left over from the last chunk is read at once; the
        // first part of one waits (within the period) for the rest.
        if (newData || hasFrame(pending)) {
            clock.sleepMs(100);
            if (newData) {
                link.takeInput(pending);
                core::WriteLog(rawLogHead + platform::fromCp949(pending));
            }
            return cutFrame(pending);
        }
        if (platform::waitExpired(start, clock.wallSeconds()))
            return {};
    }
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
