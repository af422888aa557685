#include "main/issuing/PrintJob.h"

#include "main/core/FailureReport.h"
#include "main/core/Operator.h"
#include "main/database/DbConn.h"
#include "main/issuing/IssueRange.h"
#include "main/issuing/LabelLayout.h"
#include "main/journal/Reconcile.h"
#include "platform/Clock.h"
#include "platform/RuntimeError.h"

#include <QColor>
#include <QLockFile>

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

QString runWordOf(qint16 nProc) {
    return nProc == kReissue     ? QStringLiteral("태그재발행")
           : nProc == kTestIssue ? QStringLiteral("테스트발행")
                                 : QStringLiteral("태그발행");
}

QString tagOnOtherAssetText(const QString& tagId, const QString& holder) {
    return QStringLiteral("태그번호 %1은 이미 구매번호 %2에 발행되어 다시 발행하지 않습니다. "
                          "태그 일련번호(시퀀스)를 확인하여 주십시오.")
        .arg(tagId, holder);
}

// Whether a run of this kind takes a grid row as it stands now: ticked, and
// for an issue or a reissue not issued or reissued yet.
bool takesRow(const ItemGrid& grid, int row, qint16 nProc) {
    // Most rows hold "0", "1" or nothing; only other text is read as a number.
    const QString tick = grid.text(row, database::ColTick);
    if (tick.isEmpty() || tick == QLatin1String("0"))
        return false;
    bool numeric = false;
    if (tick != QLatin1String("1") && (tick.trimmed().toDouble(&numeric) != 1 || !numeric))
        return false;
    if (nProc == kIssue)
        return grid.text(row, database::ColIssued) == QLatin1String("N");
    if (nProc == kReissue)
        return grid.text(row, database::ColReissued) == QLatin1String("N");
    return nProc == kTestIssue;
}

// A long stretch of rows a run passes over still lets the window answer.
constexpr int kRowsBetweenEventPasses = 1024;

QString skippedText(int count) {
    return QString::number(count) + QStringLiteral("건은 다른 작업장에서 이미 발행되었습니다.");
}

// Ticked rows a run of this kind takes: an issue the rows not issued yet, a
// reissue the rows not reissued yet, a test every ticked row.
int rowsToTouch(const ItemGrid& grid, qint16 nProc) {
    int n = 0;
    for (int r = 1; r <= grid.rows(); ++r) {
        if (!grid.ticked(r))
            continue;
        if ((nProc == kIssue && grid.text(r, database::ColIssued) != QLatin1String("N")) ||
            (nProc == kReissue && grid.text(r, database::ColReissued) != QLatin1String("N")))
            continue;
        ++n;
    }
    return n;
}

bool anyTicked(const ItemGrid& grid) {
    for (int r = 1; r <= grid.rows(); ++r)
        if (grid.ticked(r))
            return true;
    return false;
}

PrintJob* g_active = nullptr;

// The link tells the run about its waits only while the run goes on.
struct AwaitScope {
    printerlink::PrinterLink* link;
    ~AwaitScope() { link->whileAwaiting = nullptr; }
};

// Sets the running flag and the active job, and resets them on every way out
// of a run.
struct RunningScope {
    PrintJob* job;
    bool& running;
    RunningScope(PrintJob* j, bool& r) : job(j), running(r) {
        running = true;
        g_active = job;
    }
    ~RunningScope() {
        running = false;
        if (g_active == job)
            g_active = nullptr;
    }
};

} // namespace

QString runProgressLine(int done, int total, qint64 elapsedMs) {
    QString line = QStringLiteral("%1 / %2").arg(done).arg(total);
    if (done > 0 && done < total) {
        const qint64 leftSeconds = (elapsedMs * (total - done) / done + 999) / 1000;
        line += QStringLiteral("  남은 시간 %1:%2")
                    .arg(leftSeconds / 60)
                    .arg(leftSeconds % 60, 2, 10, QLatin1Char('0'));
    }
    return line;
}

QString printerWaitLine(int done, int total, int waitedSeconds) {
    return QStringLiteral("%1 / %2  프린터 응답을 기다리는 중 %3초").arg(done).arg(total).arg(waitedSeconds);
}

QString PrintJob::progressLine() const {
    if (m_waitedSeconds > 0)
        return printerWaitLine(m_done, m_total, m_waitedSeconds);
    return runProgressLine(m_done, m_total, platform::clock().steadyMs() - m_runStartMs);
}

void PrintJob::progress(int done, int total) {
    m_done = done;
    m_total = total;
    m_stepStartMs = platform::clock().steadyMs();
    if (done == 0)
        m_runStartMs = m_stepStartMs;
    m_waitedSeconds = 0;
    if (onProgress)
        onProgress(done, total);
}

void PrintJob::tellWaiting() {
    // A label usually takes less: the line changes only when the printer
    // is slow to answer.
    constexpr int kShownAfterSeconds = 3;
    const int seconds = static_cast<int>((platform::clock().steadyMs() - m_stepStartMs) / 1000);
    if (seconds < kShownAfterSeconds || seconds == m_waitedSeconds)
        return;
    m_waitedSeconds = seconds;
    if (onProgress)
        onProgress(m_done, m_total);
}

PrintJob* PrintJob::active() {
    return g_active;
}

PrintJob::PrintJob(IssueContext& ctx, core::ButtonLock& buttons) : m_ctx(ctx), m_buttons(buttons) {}

void PrintJob::cmdTestPrint_Click() {
    if (GetPrtCnt(*m_ctx.vaSpread1) > kTestIssueLimit) {
        core::currentOperator().showMessage(QStringLiteral("테스트발행은 최대 10장까지 입니다."));
        return;
    }
    Print_Pattern(kTestIssue);
}

void PrintJob::cmdRePrint_Click() {
    const int touched = rowsToTouch(*m_ctx.vaSpread1, kReissue);
    if (touched > 0 &&
        !core::currentOperator().askYesNo(
            QStringLiteral(
                "%1건의 태그를 재발행하시겠습니까?\r\n\r\n기록된 태그는 삭제되고 새 태그가 발행됩니다.")
                .arg(touched)))
        return;
    Print_Pattern(kReissue);
}

bool PrintJob::awaitsDecision(qint32 row, qint16 nProc) {
    return nProc != kTestIssue && m_ctx.journal &&
           m_ctx.journal->hasPending(m_ctx.vaSpread1->text(row, database::ColPurcSno));
}

PrintJob::Claim PrintJob::claimRow(qint32 nIndex, qint16 nProc) {
    ItemGrid& grid = *m_ctx.vaSpread1;
    const QString purcSno = grid.text(nIndex, database::ColPurcSno);
    database::ClaimRequest request{purcSno,
                                   nProc,
                                   m_ctx.sOrganCode,
                                   m_ctx.sExpandCode,
                                   m_ctx.values.sPreCode,
                                   m_ctx.journal ? m_ctx.journal->workstationId() : QString(),
                                   journal::workstationName(m_ctx.values.sLocalIp),
                                   m_ctx.values.sSerialNo,
                                   m_ctx.values.sLocalIp,
                                   m_ctx.values.sFormCode,
                                   database::gUserId};
    const database::ClaimResult r = database::claimPurchase(request);
    switch (r.kind) {
    case database::ClaimResult::Claimed:
        m_claim = r.claim;
        return Claim::Taken;
    case database::ClaimResult::NoSerial:
        core::reportFailure(QStringLiteral("getSeqNo"),
                            QStringLiteral("태그 일련번호(SEQ_SLFRFID_SERIALNO)를 읽지 못했습니다. "
                                           "데이터베이스를 확인하여 주십시오."));
        return Claim::Stop;
    case database::ClaimResult::TagTaken:
        core::reportFailure(QStringLiteral("Label_Print"), tagOnOtherAssetText(r.claim.tagId, r.holder));
        return Claim::Stop;
    case database::ClaimResult::Held:
    case database::ClaimResult::Issued:
        break;
    }
    const QString stored = r.storedTagId;
    ++m_skipped;
    grid.setTicked(nIndex, false);
    grid.setRowBackground(nIndex, QColor(192, 192, 192));
    grid.setText(nIndex, database::ColIssued, QStringLiteral("Y"));
    if (!stored.isEmpty())
        grid.setText(nIndex, database::ColTagId, stored);
    if (onRow)
        onRow(RowEvent{nIndex, nProc, false, stored, true});
    return Claim::Skipped;
}

void PrintJob::releaseClaim() {
    if (!m_claim)
        return;
    const database::TagClaim claim = *m_claim;
    m_claim.reset();
    try {
        database::voidClaimed(claim.purcSno, claim.tagId);
    } catch (const std::exception&) {
        // Settlement releases this workstation's claims without a label.
    }
}

void PrintJob::stopRun() {
    m_ctx.link->fncRsClose();
    m_ctx.run->nErrFlag = 0;
    m_buttons.EnableButtons();
}

void PrintJob::Print_Pattern(qint16 nProc) {
    ItemGrid& grid = *m_ctx.vaSpread1;
    printerlink::RunState& run = *m_ctx.run;
    m_completed = false;
    m_stopped = false;
    m_stopRequested = false;
    m_issued = 0;
    m_skipped = 0;
    const RunningScope running(this, m_running);
    m_buttons.DisableButtons();
    try {
        if (grid.rows() == 0) {
            core::currentOperator().showMessage(QStringLiteral("발행할 데이터가 존재하지 않습니다."));
            m_buttons.EnableButtons();
            return;
        }
        if (!anyTicked(grid)) {
            core::currentOperator().showMessage(QStringLiteral("체크된 행이 없습니다. ") + runWordOf(nProc) +
                                                QStringLiteral("할 행을 체크하여 주십시오."));
            m_buttons.EnableButtons();
            return;
        }
        QLockFile runLock(m_ctx.journal ? m_ctx.journal->runLockPath() : QString());
        if (nProc != kTestIssue) {
            database::gDbConn.reconnectIfLost();
            // Nothing is printed for a database that cannot keep claims.
            database::requireClaimTable();
            if (m_ctx.journal) {
                journal::settleAndTell(*m_ctx.journal, m_ctx.values, QStringLiteral("Print_Pattern"));
                runLock.tryLock(0);
            }
        }
        run.nStatusErrCnt = 0;
        run.nErrFlag = 0;
        if (!m_ctx.link->fncRsOpen()) {
            m_buttons.EnableButtons();
            return;
        }
        Format_Send(m_ctx);

        const int total = rowsToTouch(grid, nProc);
        int done = 0;
        progress(0, total);
        m_ctx.link->whileAwaiting = [this] { tellWaiting(); };
        const AwaitScope awaiting{m_ctx.link};
        QString runWord;
        bool issuedAny = false;
        const int rows = grid.rows();
        for (int i = 1; i <= rows; ++i) {
            // Each row's tick is read just before the row, after the events:
            // the grid stays usable while the run goes on. Events run before
            // each row the run takes, and now and then among the rows it
            // passes over.
            if (i % kRowsBetweenEventPasses == 0 || takesRow(grid, i, nProc)) {
                platform::clock().runPendingEvents();
                if (run.nErrFlag == -1) {
                    stopRun();
                    return;
                }
                if (m_stopRequested) {
                    m_stopped = true;
                    break;
                }
            }
            if (!takesRow(grid, i, nProc))
                continue;
            if (awaitsDecision(i, nProc)) {
                progress(++done, total);
                continue;
            }
            // The claim comes first: a row another workstation holds or has
            // issued costs no status request. A reissue withdraws the tag
            // the claim read back when its new tag is recorded.
            if (nProc != kTestIssue) {
                const Claim claim = claimRow(i, nProc);
                if (claim == Claim::Stop) {
                    stopRun();
                    return;
                }
                if (claim == Claim::Skipped) {
                    progress(++done, total);
                    continue;
                }
            }
            if (!m_ctx.link->CheckPrint(i)) {
                releaseClaim();
                stopRun();
                return;
            }
            Label_Print(i, nProc);
            runWord = runWordOf(nProc);
            issuedAny = true;
            if (run.nErrFlag != -1)
                ++m_issued;
            progress(++done, total);
            if (onRow)
                onRow(RowEvent{i, nProc, run.nErrFlag != -1, run.sTagId});
        }
        m_ctx.link->fncRsClose();
        if (m_stopped) {
            core::currentOperator().showMessage(
                runWordOf(nProc) +
                QStringLiteral("이 중지되었습니다.\r\n\r\n발행된 태그: %1건").arg(m_issued));
        } else if ((issuedAny || m_skipped > 0) && run.nErrFlag == 0) {
            QStringList closing;
            if (issuedAny) {
                QString text = runWord + QStringLiteral("이 완료 되었습니다.");
                // Rows unticked or skipped during the run: say what was done.
                if (m_issued + m_skipped < total)
                    text += QStringLiteral("\r\n\r\n발행된 태그: %1건 (선택 %2건)").arg(m_issued).arg(total);
                closing << text;
            }
            if (m_skipped > 0)
                closing << skippedText(m_skipped);
            core::currentOperator().showMessage(closing.join(QLatin1Char('\n')));
            m_completed = true;
        }
        m_buttons.EnableButtons();
    } catch (const std::exception& e) {
        releaseClaim();
        m_ctx.link->fncRsClose();
        m_buttons.EnableButtons();
        core::reportFailure(QStringLiteral("Print_Pattern"), core::errorText(e));
    }
}

void PrintJob::Label_Print(qint32 nIndex, qint16 nProc) {
    printerlink::RunState& run = *m_ctx.run;
    const bool claimed = nProc != kTestIssue && m_claim;
    if (nProc == kTestIssue) {
        run.sSeqNo = twelveDigits(QString::number(++gTestCount));
    } else {
        // No claimed serial number, no tag: nothing goes to the printer.
        if (!m_claim) {
            bool read = false;
            const QString seqNo = database::getSeqNo(&read);
            if (!read) {
                run.nErrFlag = -1;
                return;
            }
            run.sSeqNo = twelveDigits(seqNo);
        } else {
            run.sSeqNo = twelveDigits(m_claim->seqNo);
        }
        if (!tagIdIsFree(nIndex)) {
            releaseClaim();
            return;
        }
    }
    if (labelType)
        m_ctx.CboPrintType = labelType();
    if (lockOption)
        m_ctx.OptLock = lockOption();
    m_ctx.journalClaimed = claimed;
    Label_Send(m_ctx, nIndex, nProc);
    if (run.nErrFlag == -1) {
        // A fault the printer reported: no label, the purchase is free again.
        // A label without an answer keeps its claim until a person decides.
        if (m_ctx.lastOutcome == IssueOutcome::Fault || m_ctx.lastOutcome == IssueOutcome::NotSent)
            releaseClaim();
        m_claim.reset();
        return;
    }
    if (nProc != kTestIssue) {
        m_ctx.values.sTagId = run.sTagId;
        database::Update_TagData(*m_ctx.vaSpread1, nIndex, m_ctx.values, run.nErrFlag, claimed);
        m_claim.reset();
        if (run.nErrFlag != -1 && m_ctx.journalEntry)
            recordInJournal();
    }
}

bool PrintJob::tagIdIsFree(qint32 nIndex) {
    printerlink::RunState& run = *m_ctx.run;
    const QString purcSno = m_ctx.vaSpread1->text(nIndex, database::ColPurcSno);
    const QString tagId = m_ctx.sOrganCode + run.sSeqNo + m_ctx.sExpandCode;
    try {
        // The claim checked the database; a journal may hold labels that
        // never reached it.
        QString holder;
        if (!m_claim)
            holder = database::purchaseOfTag(tagId);
        if (holder.isEmpty() && m_ctx.journal && m_ctx.journal->tagIdOnOtherAsset(tagId, QString()))
            holder = m_ctx.journal->byTag(tagId)->purcSno;
        if (holder.isEmpty() || holder == purcSno)
            return true;
        throw platform::RuntimeError(tagOnOtherAssetText(tagId, holder));
    } catch (const std::exception& e) {
        core::reportFailure(QStringLiteral("Label_Print"), core::errorText(e));
        run.nErrFlag = -1;
        return false;
    }
}

void PrintJob::recordInJournal() {
    try {
        m_ctx.journal->advance(m_ctx.journalEntry, journal::State::Recorded);
    } catch (const std::exception& e) {
        // The database holds the tag; reconciliation marks the entry.
        core::reportFailure(QStringLiteral("Label_Print"), core::errorText(e));
    }
}

} // namespace issuing
