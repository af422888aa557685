#pragma once
// The print job: a run of one kind (1 issue, 2 reissue, 3 test issue) over the
// ticked rows of the result grid, with the buttons locked, the connection
// opened and the label format sent once, then per row the status check, the
// row's claim on the database, the serial number, the tag issue and its
// record; the first failure stops the run. A row another workstation holds or
// has issued is skipped and counted in the closing message.
#include "main/core/ButtonLock.h"
#include "main/database/IssuingRecords.h"
#include "main/database/ItemGrid.h"
#include "main/issuing/IssueContext.h"
#include "main/issuing/LabelSend.h"
#include "main/issuing/RunKind.h"

#include <QString>
#include <functional>

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

class PrintJob {
public:
    // ctx: the window's issue context; buttons: the eight buttons.
    PrintJob(IssueContext& ctx, core::ButtonLock& buttons);

    void cmdPrint_Click() { Print_Pattern(kIssue); }
    void cmdRePrint_Click() { Print_Pattern(kReissue); }
    // A test run of more than ten ticked rows is refused.
    void cmdTestPrint_Click();

    // One run over all rows of the grid.
    void Print_Pattern(qint16 nProc);
    // Issues and records the tag of one row.
    void Label_Print(qint32 nIndex, qint16 nProc);

    // True when the last run ended with its closing message.
    bool lastRunCompleted() const { return m_completed; }
    // Rows of the last run that another workstation held or had issued.
    int lastRunSkipped() const { return m_skipped; }

    // The window's current choices, read before each tag: label type list
    // `CboPrintType` and lock option `OptLock`. Unset: the context's values.
    std::function<int()> labelType;
    std::function<int()> lockOption;
    // Told after each row the run issued (or tried to issue).
    std::function<void(const RowEvent&)> onRow;

private:
    void stopRun();
    // Claims row nIndex before its label goes out; false (the row marked as
    // issued elsewhere) when another workstation holds it or, for an issue,
    // its tag is already set.
    bool claimRow(qint32 nIndex, qint16 nProc);

    IssueContext& m_ctx;
    core::ButtonLock& m_buttons;
    bool m_completed = false;
    int m_skipped = 0;
};

} // namespace issuing
