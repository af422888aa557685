#include "main/issuing/LabelSend.h"

#include "main/core/FailureReport.h"
#include "main/core/Logs.h"
#include "main/core/Operator.h"
#include "main/database/DbConn.h"
#include "main/issuing/CommandRecords.h"
#include "main/issuing/IssueSupervision.h"
#include "main/issuing/LabelLayout.h"
#include "main/issuing/RunKind.h"
#include "main/journal/Journal.h"
#include "main/tagdata/TagData.h"
#include "platform/Clock.h"
#include "platform/Cp949.h"
#include "platform/RuntimeError.h"

#include <QColor>

namespace issuing {

using database::ItemGrid;
using printerlink::SendWait;

LabelItem readRow(const ItemGrid& grid, int row) {
    LabelItem item;
    item.purcSno = grid.text(row, database::ColPurcSno);
    item.catNo = grid.text(row, database::ColCatNo);
    item.sizNo = grid.text(row, database::ColSizNo);
    item.catNm = grid.text(row, database::ColCatNm);
    item.sizNm = grid.text(row, database::ColSizNm);
    item.amount = grid.text(row, database::ColAmount);
    item.purcYmd = grid.text(row, database::ColPurcYmd);
    return item;
}

QString labelTagText(const IssueContext& ctx, const LabelItem& item, const QString& seqNo) {
    return tagText(ctx.CboPrintType, ctx.sOrganCode, seqNo, ctx.sExpandCode, item.purcSno);
}

void labelRecords(const IssueContext& ctx, const LabelItem& item, const QString& seqNo, qint16 nProc,
                  const RecordSink& sink) {
    const settings::SetupData& setup = *ctx.setup;
    labelLayoutRecords(item, labelTagText(ctx, item, seqNo), ctx.sOrganNm, setup, ctx.CboPrintType,
                       nProc == kTestIssue, sink);
    // A normal issue or reissue always locks the inlay.
    sink(records::rfidSetup(nProc == kTestIssue && ctx.OptLock == 1));
    const QString tagData = tagdata::SetTagData(ctx.values.sPreCode, ctx.sOrganCode, seqNo, ctx.sExpandCode);
    sink(records::rfidData(platform::toCp949(tagData)));
}

namespace {

// The issue trace line of the detail log, before the tag goes out: the
// printer serial number as the settings hold it now, the tag about to issue.
QString traceLine(const IssueContext& ctx, const LabelItem& item) {
    database::TagRecordValues v = ctx.values;
    v.sSerialNo = ctx.setup->sSerialNo;
    v.sTagId = ctx.run->sTagId;
    return database::tagTraceLine(QStringLiteral("BEFORE- "), item.purcSno, v);
}

} // namespace

void markIssuedRow(IssueContext& ctx, qint32 nIndex, qint16 nProc) {
    ItemGrid& grid = *ctx.vaSpread1;
    grid.setRowBackground(nIndex, QColor(255, 255, 0));
    const QString yes = QStringLiteral("Y");
    const QString no = QStringLiteral("N");
    if (nProc == kIssue) {
        grid.setText(nIndex, database::ColIssued, yes);
        grid.setText(nIndex, database::ColTestIssued, no);
    } else if (nProc == kReissue) {
        grid.setText(nIndex, database::ColIssued, yes);
        grid.setText(nIndex, database::ColTestIssued, no);
        grid.setText(nIndex, database::ColReissued, yes);
    } else if (nProc == kTestIssue) {
        grid.setText(nIndex, database::ColTestIssued, yes);
    }
    platform::clock().runPendingEvents();
    grid.setText(nIndex, database::ColTagId, ctx.run->sTagId);
    if (ctx.setActiveCell)
        ctx.setActiveCell(nIndex, database::ColTagId);
    platform::clock().runPendingEvents();
}

void Label_Send(IssueContext& ctx, qint32& nIndex, qint16& nProc) {
    printerlink::RunState& run = *ctx.run;
    ctx.lastOutcome = IssueOutcome::NotSent;
    try {
        run.nErrFlag = 0;
        const settings::SetupData& setup = *ctx.setup;
        const LabelItem item = readRow(*ctx.vaSpread1, nIndex);
        const QString tag = labelTagText(ctx, item, run.sSeqNo);
        run.sTagId = ctx.sOrganCode + run.sSeqNo + ctx.sExpandCode;

        if (platform::toInt16(setup.sDetailLog) == 1)
            core::WriteDetailLog(traceLine(ctx, item));

        // The label's records go out as one write: the same bytes, without a
        // flush and an event pass after each of them. (The USB library ends
        // a write at a NUL byte, so a record holding one keeps its own.)
        QByteArray label;
        const auto send = [&](const QByteArray& bytes) {
            if (!bytes.isEmpty())
                ctx.link->fncRsSend(bytes, SendWait::Bounded);
        };
        try {
            labelRecords(ctx, item, run.sSeqNo, nProc, [&](const QByteArray& record) {
                if (!record.contains('\0')) {
                    label += record;
                    return;
                }
                send(label);
                label.clear();
                send(record);
            });
        } catch (...) {
            // The records before a field that cannot be made still go out.
            send(label);
            throw;
        }
        send(label);
        const QByteArray issueRecord = records::issue(settingIs(setup.sSensorType, 2));
        // The journal knows of the tag before the printer can make it.
        ctx.journalEntry = 0;
        if (ctx.journal && nProc != kTestIssue)
            ctx.journalEntry = ctx.journal->begin({.purcSno = item.purcSno,
                                                   .tagId = run.sTagId,
                                                   .runKind = nProc,
                                                   .printerSno = setup.sSerialNo,
                                                   .user = database::gUserId,
                                                   .ipAddr = ctx.values.sLocalIp,
                                                   .claimed = ctx.journalClaimed});
        // An answer that came before the issue record (one trailing the
        // status answer, or one that arrived while the journal waited for
        // its file) cannot report this label done: dropped right before the
        // record goes out.
        ctx.link->discardInput();
        ctx.lastOutcome = IssueOutcome::NoAnswer;
        send(issueRecord);

        const IssueOutcome outcome = superviseIssue(ctx, nIndex, issueRecord, tag);
        ctx.lastOutcome = outcome;
        // Without a usable answer the label may exist: the entry stays
        // "sent" for a person to settle.
        if (ctx.journalEntry && outcome != IssueOutcome::NoAnswer)
            ctx.journal->advance(ctx.journalEntry, outcome == IssueOutcome::Issued ? journal::State::Confirmed
                                                                                   : journal::State::Failed);
        if (outcome != IssueOutcome::Issued)
            return;
        markIssuedRow(ctx, nIndex, nProc);
    } catch (const std::exception& e) {
        QString text = core::errorText(e);
        // The connection failed after the label may have gone out.
        if (ctx.journalEntry && ctx.lastOutcome == IssueOutcome::NoAnswer)
            text += QStringLiteral("\r\n\r\n") + uncertainTagText(run.sTagId);
        core::reportFailure(core::currentOperator(), QStringLiteral("Label_Send"), text);
        run.nErrFlag = -1;
    }
}

} // namespace issuing
