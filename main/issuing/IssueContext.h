#pragma once
// What one tag issue borrows from the main window: the settings record, the
// result grid, the printer connection and run state, the two choices of the
// window that the label reads, and the values read when the window loaded
// (those the tag records also read are kept once, in `values`).
#include "main/database/IssuingRecords.h"
#include "main/database/ItemGrid.h"
#include "main/printerlink/PrinterLink.h"
#include "main/printerlink/RunState.h"
#include "main/settings/SetupData.h"

#include <QString>
#include <functional>

namespace journal {
class Journal;
}

namespace issuing {

// How a tag ended: the printer reported it done, reported a fault (nothing
// was issued), or gave no usable answer (the label may or may not exist);
// or its issue record never went out.
enum class IssueOutcome { Issued, Fault, NoAnswer, NotSent };

struct IssueContext {
    const settings::SetupData* setup = nullptr;
    database::ItemGrid* vaSpread1 = nullptr;
    printerlink::PrinterLink* link = nullptr;
    printerlink::RunState* run = nullptr;

    // Label type list `CboPrintType`: 0 label type, 1 hang-tag type. The
    // operator may change it between labels; each label reads it anew.
    int CboPrintType = 0;
    // Test-issue lock choice `OptLock`: 0 "Lock", 1 "UnLock".
    int OptLock = 0;

    // Tag id prefix, issue form code, the workstation's address, printer
    // serial number and trace setting, as the tag records read them.
    database::TagRecordValues values;
    QString sExpandCode = QStringLiteral("01"); // tag id suffix
    QString sOrganCode;                         // organisation code
    QString sOrganNm;                           // organisation name

    // Moves the grid's active cell (row, column); the window scrolls to it.
    std::function<void(int row, int col)> setActiveCell;

    // The workstation's issuing journal (none: tags are not journaled) and
    // the entry of the tag under way.
    journal::Journal* journal = nullptr;
    qint64 journalEntry = 0;
    // The tag under way is claimed in the database; how it ended.
    bool journalClaimed = false;
    IssueOutcome lastOutcome = IssueOutcome::NotSent;
};

} // namespace issuing
