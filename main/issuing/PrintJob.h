#pragma once
// The print job: a run of one kind (1 issue, 2 reissue, 3 test issue) over the
// ticked rows of the result grid, with the buttons locked, the connection
// opened and the label format sent once, then per row the status check, the
// serial number, the tag issue and its record; the first failure stops the
// run. Also the row choice of the "발행범위" frame and the serial-number guard.
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

// The "발행범위" frame: option group `OptPrt` (0 "전체", 1 "시작/끝지정",
// 2 "직접선택") and the boxes `txtStart`, `txtEnd`.
class RangeControls {
public:
    virtual ~RangeControls() = default;
    virtual int OptPrt() const = 0; // the selected option, -1 when none is
    virtual QString txtStart() const = 0;
    virtual QString txtEnd() const = 0;
    virtual void setTxtEnd(const QString& text) = 0;
    virtual void setRangeBoxesEnabled(bool on) = 0;
};

// The frame as plain values, for runs without a window.
struct RangeValues : RangeControls {
    int optPrt = 0;
    QString start;
    QString end;
    bool boxesEnabled = false;
    int OptPrt() const override { return optPrt; }
    QString txtStart() const override { return start; }
    QString txtEnd() const override { return end; }
    void setTxtEnd(const QString& text) override { end = text; }
    void setRangeBoxesEnabled(bool on) override { boxesEnabled = on; }
};

// Option k of `OptPrt` clicked: every row unticked and the boxes disabled;
// then 0 ticks every row, 1 enables the boxes, 2 leaves the ticks to the
// operator.
void OptPrt_Click(database::ItemGrid& vaSpread1, int index, RangeControls& range);

// `cmdSE` (and Enter in the boxes): with "시작/끝지정" selected, ticks rows
// start to end after checking the boxes; an end beyond the last row becomes
// the row count.
void cmdSE_Click(database::ItemGrid& vaSpread1, RangeControls& range);

// The number of ticked rows; 0 after the failure report "[GetPrtCnt]".
qint32 GetPrtCnt(const database::ItemGrid& vaSpread1);

// False, after asking for a serial number in the settings, when the printer
// serial number box is blank.
bool CheckSerNo(const QString& txtSerNo);

// The values the main window takes when it loads, after its settings: the
// workstation's address (the operator is shown why when it falls back to
// the loopback address), the organisation code and name, the logged-in user
// and the fixed tag id pieces.
void loadIssueValues(IssueContext& ctx, database::TagRecordValues& values);
// What the tag records take from the settings record.
void takeSetupValues(database::TagRecordValues& values, const settings::SetupData& setup);

// What happened to one row of a run, for those who watch a run go by.
struct RowEvent {
    qint32 row = 0;
    qint16 nProc = 0;
    bool issued = false; // the tag was issued (and recorded unless a test)
    QString tagId;       // readable tag id of the row's tag
};

class PrintJob {
public:
    // ctx: the window's issue context; values: what the tag records read
    // (serial number, address, trace setting); buttons: the eight buttons.
    PrintJob(IssueContext& ctx, database::TagRecordValues& values, core::ButtonLock& buttons);

    void cmdPrint_Click() { Print_Pattern(kIssue); }
    void cmdRePrint_Click() { Print_Pattern(kReissue); }
    // A test run of more than ten ticked rows is refused.
    void cmdTestPrint_Click();

    // One run over all rows of the grid.
    void Print_Pattern(qint16 nProc);
    // Issues and records the tag of one row.
    void Label_Print(qint32 nIndex, qint16 nProc);

    // True when the last run ended with its completion message.
    bool lastRunCompleted() const { return m_completed; }

    // The window's current choices, read before each tag: label type list
    // `CboPrintType` and lock option `OptLock`. Unset: the context's values.
    std::function<int()> labelType;
    std::function<int()> lockOption;
    // Told after each row the run issued (or tried to issue).
    std::function<void(const RowEvent&)> onRow;

private:
    void stopRun();

    IssueContext& m_ctx;
    database::TagRecordValues& m_values;
    core::ButtonLock& m_buttons;
    bool m_completed = false;
};

} // namespace issuing
