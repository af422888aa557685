#pragma once
// What one tag issue borrows from the main window: the settings record, the
// result grid, the printer connection and run state, the two choices of the
// window that the label reads, and the values read when the window loaded.
#include "main/database/ItemGrid.h"
#include "main/printerlink/PrinterLink.h"
#include "main/printerlink/RunState.h"
#include "main/settings/SetupData.h"
#include "main/tagdata/TagData.h"

#include <QString>
#include <functional>

namespace issuing {

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

    QString sPreCode = QLatin1String(tagdata::kTagPrefix); // tag id prefix
    QString sExpandCode = QStringLiteral("01");   // tag id suffix
    QString sTFormCode = QStringLiteral("01");    // issue form code
    QString sOrganCode;                           // organisation code
    QString sOrganNm;                             // organisation name
    QString sIpAddr;                              // the workstation's address
    QString sUserId;                              // the logged-in user

    // Moves the grid's active cell (row, column); the window scrolls to it.
    std::function<void(int row, int col)> setActiveCell;
};

} // namespace issuing
