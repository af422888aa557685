#include "main/issuing/PrintJob.h"

#include "main/core/FailureReport.h"
#include "main/core/Operator.h"
#include "main/database/DbConn.h"
#include "main/issuing/IssueRange.h"
#include "main/issuing/LabelLayout.h"
#include "platform/Clock.h"

#include <QColor>

namespace issuing {

qint32 gTestCount = 0;

using database::ItemGrid;

namespace {

// "000000000000": twelve digits with leading zeros; text that is no number
// passes unchanged.
QString twelveDigits(const QString& value) {
    bool ok = false;
    const qlonglong v = value.trimmed().toLongLong(&ok);
    return ok && v >= 0 ? QStringLiteral("%1").arg(v, 12, 10, QLatin1Char('0')) : value;
}

// A row claim that is rolled back when the row's issue does not reach its
// record (a failure, a stop, an error).
class ClaimScope {
public:
    ~ClaimScope() { database::gDbConn.endClaim(false); }
};

QString skippedText(int count) {
    return QString::number(count) + QStringLiteral("건은 다른 작업장에서 이미 발행되었습니다.");
}

} // namespace

PrintJob::PrintJob(IssueContext& ctx, core::ButtonLock& buttons) : m_ctx(ctx), m_buttons(buttons) {}

void PrintJob::cmdTestPrint_Click() {
    if (GetPrtCnt(*m_ctx.vaSpread1) > kTestIssueLimit) {
        core::currentOperator().showMessage(QStringLiteral("테스트발행은 최대 10장까지 입니다."));
        return;
    }
    Print_Pattern(kTestIssue);
}

void PrintJob::stopRun() {
    m_ctx.link->fncRsClose();
    m_ctx.run->nErrFlag = 0;
    m_buttons.EnableButtons();
}

bool PrintJob::claimRow(qint32 nIndex, qint16 nProc) {
    ItemGrid& grid = *m_ctx.vaSpread1;
    QString stored;
    if (database::gDbConn.claimRow(grid.text(nIndex, database::ColPurcSno), stored) &&
        (nProc != kIssue || stored.isEmpty()))
        return true;
    database::gDbConn.endClaim(false);
    ++m_skipped;
    grid.setTicked(nIndex, false);
    grid.setRowBackground(nIndex, QColor(192, 192, 192));
    grid.setText(nIndex, database::ColIssued, QStringLiteral("Y"));
    if (!stored.isEmpty())
        grid.setText(nIndex, database::ColTagId, stored);
    if (onRow)
        onRow(RowEvent{nIndex, nProc, false, stored, true});
    return false;
}

void PrintJob::Print_Pattern(qint16 nProc) {
    ItemGrid& grid = *m_ctx.vaSpread1;
    printerlink::RunState& run = *m_ctx.run;
    m_completed = false;
    m_skipped = 0;
    m_buttons.DisableButtons();
    try {
        if (grid.rows() == 0) {
            core::currentOperator().showMessage(QStringLiteral("발행할 데이터가 존재하지 않습니다."));
            m_buttons.EnableButtons();
            return;
        }
        run.nStatusErrCnt = 0;
        run.nErrFlag = 0;
        if (nProc != kTestIssue)
            database::gDbConn.reconnectIfLost();
        if (!m_ctx.link->fncRsOpen()) {
            m_buttons.EnableButtons();
            return;
        }
        Format_Send(m_ctx);

        QString runWord;
        bool issuedAny = false;
        const int rows = grid.rows();
        for (int i = 1; i <= rows; ++i) {
            ClaimScope claim;
            platform::clock().runPendingEvents();
            if (run.nErrFlag == -1) {
                stopRun();
                return;
            }
            // Each row's tick is read just before the row: the grid stays
            // usable while the run goes on.
            bool numeric = false;
            if (grid.text(i, database::ColTick).trimmed().toDouble(&numeric) != 1 || !numeric)
                continue;
            const QString issued = grid.text(i, database::ColIssued);
            const QString testIssued = grid.text(i, database::ColTestIssued);
            const QString reissued = grid.text(i, database::ColReissued);
            if (nProc == kIssue) {
                if (issued != QLatin1String("N"))
                    continue;
                if (!m_ctx.link->CheckPrint(i)) {
                    stopRun();
                    return;
                }
                if (!claimRow(i, kIssue))
                    continue;
                Label_Print(i, kIssue);
                runWord = QStringLiteral("태그발행");
            } else if (nProc == kReissue) {
                if (reissued != QLatin1String("N"))
                    continue;
                if (!m_ctx.link->CheckPrint(i)) {
                    stopRun();
                    return;
                }
                if (!claimRow(i, kReissue))
                    continue;
                // A test label was never recorded, so there is nothing to
                // withdraw before it is issued for real.
                if (testIssued == QLatin1String("N")) {
                    database::Delete_TagData(grid, i, m_ctx.values, run.nErrFlag);
                    if (run.nErrFlag == -1) {
                        stopRun();
                        return;
                    }
                }
                Label_Print(i, kReissue);
                runWord = QStringLiteral("태그재발행");
            } else if (nProc == kTestIssue) {
                if (!m_ctx.link->CheckPrint(i)) {
                    stopRun();
                    return;
                }
                Label_Print(i, kTestIssue);
                runWord = QStringLiteral("테스트발행");
            } else {
                continue;
            }
            issuedAny = true;
            if (onRow)
                onRow(RowEvent{i, nProc, run.nErrFlag != -1, run.sTagId});
        }
        m_ctx.link->fncRsClose();
        if ((issuedAny || m_skipped > 0) && run.nErrFlag == 0) {
            QStringList closing;
            if (issuedAny)
                closing << runWord + QStringLiteral("이 완료 되었습니다.");
            if (m_skipped > 0)
                closing << skippedText(m_skipped);
            core::currentOperator().showMessage(closing.join(QLatin1Char('\n')));
            m_completed = true;
        }
        m_buttons.EnableButtons();
    } catch (const std::exception& e) {
        m_ctx.link->fncRsClose();
        m_buttons.EnableButtons();
        core::reportFailure(QStringLiteral("Print_Pattern"), core::errorText(e));
    }
}

void PrintJob::Label_Print(qint32 nIndex, qint16 nProc) {
    printerlink::RunState& run = *m_ctx.run;
    if (nProc == kTestIssue)
        run.sSeqNo = twelveDigits(QString::number(++gTestCount));
    else
        run.sSeqNo = twelveDigits(database::getSeqNo());
    if (labelType)
        m_ctx.CboPrintType = labelType();
    if (lockOption)
        m_ctx.OptLock = lockOption();
    Label_Send(m_ctx, nIndex, nProc);
    if (run.nErrFlag != -1 && nProc != kTestIssue) {
        m_ctx.values.sTagId = run.sTagId;
        database::Update_TagData(*m_ctx.vaSpread1, nIndex, m_ctx.values, run.nErrFlag);
    }
}

} // namespace issuing
