#pragma once
// The print job: a run of one kind (1 issue, 2 reissue, 3 test issue) over the
// ticked rows of the result grid, with the buttons locked, the connection
// opened and the label format sent once, then per row the status check, the
// serial number, the tag issue and its record; the first failure stops the
// run.
#include "main/core/ButtonLock.h"
#include "main/database/IssuingRecords.h"
#include "main/database/ItemGrid.h"
#include "main/database/TagClaims.h"
#include "main/issuing/IssueContext.h"
#include "main/issuing/LabelSend.h"
#include "main/issuing/RunKind.h"

#include <QString>
#include <functional>
#include <optional>

namespace issuing {

// Test labels are numbered 1, 2, 3 ... from the start of the program; the
// count is never saved.
extern qint32 gTestCount;

// What happened to one row of a run, for those who watch a run go by.
struct RowEvent {
    qint32 row = 0;
    qint16 nProc = 0;
    bool issued = false;    // the tag was issued (and recorded unless a test)
    QString tagId;          // readable tag id of the row's tag
    bool elsewhere = false; // skipped: another workstation holds or issued the row
};

// The progress line of a run: "n / N" and the time left at the pace so far.
QString runProgressLine(int done, int total, qint64 elapsedMs);
// The progress line while a tag waits for the printer's answer.
QString printerWaitLine(int done, int total, int waitedSeconds);

class PrintJob {
public:
    // ctx: the window's issue context; buttons: the eight buttons.
    PrintJob(IssueContext& ctx, core::ButtonLock& buttons);

    void cmdPrint_Click() { Print_Pattern(kIssue); }
    // A reissue withdraws recorded tags: the operator confirms it first.
    void cmdRePrint_Click();
    // A test run of more than ten ticked rows is refused.
    void cmdTestPrint_Click();

    // One run over all rows of the grid.
    void Print_Pattern(qint16 nProc);
    // Issues and records the tag of one row.
    void Label_Print(qint32 nIndex, qint16 nProc);

    // True when the last run ended with its closing message.
    bool lastRunCompleted() const { return m_completed; }
    // Ends the run after the tag under way is finished (supervised and,
    // when issued, recorded). Harmless when no run is going.
    void requestStop() { m_stopRequested = m_running; }
    bool running() const { return m_running; }
    // The job whose run is going, if any (one at a time on the window thread).
    static PrintJob* active();
    bool lastRunStopped() const { return m_stopped; }
    // Tags the last run issued (and recorded unless a test).
    int lastRunIssued() const { return m_issued; }
    // Rows of the last run that another workstation held or had issued.
    int lastRunSkipped() const { return m_skipped; }

    // The window's current choices, read before each tag: label type list
    // `CboPrintType` and lock option `OptLock`. Unset: the context's values.
    std::function<int()> labelType;
    std::function<int()> lockOption;
    // Told after each row the run issued (or tried to issue).
    std::function<void(const RowEvent&)> onRow;
    // Told when a run starts (0 of the ticked rows), after each tag, and
    // once a second while a tag waits for the printer longer than usual.
    std::function<void(int done, int total)> onProgress;
    // The run's progress line: the time left at the run's own pace, or how
    // long the tag under way has waited for the printer.
    QString progressLine() const;

private:
    void stopRun();
    // A row whose purchase has a tag unsettled in the journal waits for a
    // person's decision: no run touches it.
    bool awaitsDecision(qint32 row, qint16 nProc);
    enum class Claim { Taken, Skipped, Stop };
    // Claims row nIndex in the database before its label goes out, with the
    // serial number of its tag. Skipped (the row marked as issued
    // elsewhere) when another workstation holds it or, for an issue, its
    // tag is already set; Stop after the failure report when no tag can be
    // made (no serial number, a tag id on another asset).
    Claim claimRow(qint32 nIndex, qint16 nProc);
    // Gives the purchase back when its label did not go out or failed; a
    // claim the database did not take back now is released at the next
    // settlement.
    void releaseClaim();
    // The tag id about to be made is on no other asset in the journal;
    // otherwise the failure report and the failure flag.
    bool tagIdIsFree(qint32 nIndex);
    void recordInJournal();
    void progress(int done, int total);
    void tellWaiting();

    IssueContext& m_ctx;
    core::ButtonLock& m_buttons;
    bool m_completed = false;
    bool m_running = false;
    bool m_stopRequested = false;
    bool m_stopped = false;
    int m_issued = 0;
    int m_skipped = 0;
    std::optional<database::TagClaim> m_claim; // the claim of the tag under way
    int m_done = 0;
    int m_total = 0;
    qint64 m_runStartMs = 0;  // when the first tag began
    qint64 m_stepStartMs = 0; // when the tag under way began
    int m_waitedSeconds = 0;  // shown in the progress line; 0: not waiting
};

} // namespace issuing
