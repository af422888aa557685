#pragma once
// One tag issue: the label layout, the RFID write set-up, the tag data and
// the issue record for one grid row, the supervision of the printer's
// answers, and the row marking on success.
#include "main/issuing/IssueContext.h"
#include "main/issuing/LabelLayout.h"

namespace issuing {

// Issues the tag of grid row nIndex (1 = first row) for a run of kind nProc
// (1 issue, 2 reissue, 3 test issue). The outcome is the run
// state's failure flag: 0 issued, -1 failed (the operator has been told).
// The run state's serial number must be set; the readable tag id is left in
// the run state for recording.
void Label_Send(IssueContext& ctx, qint32& nIndex, qint16& nProc);

// The item data of grid row `row` as a label prints it.
LabelItem readRow(const database::ItemGrid& grid, int row);
// The tag text of a label with serial number `seqNo`, for the label type chosen.
QString labelTagText(const IssueContext& ctx, const LabelItem& item, const QString& seqNo);
// The records of one label as Label_Send sends them before its issue record:
// the layout, the RFID write set-up and the tag data. Raises
// platform::RuntimeError when a text or the tag data cannot be made.
void labelRecords(const IssueContext& ctx, const LabelItem& item, const QString& seqNo, qint16 nProc,
                  const RecordSink& sink);

// Colours and marks an issued row and writes its tag id into column 3.
void markIssuedRow(IssueContext& ctx, qint32 nIndex, qint16 nProc);

} // namespace issuing
