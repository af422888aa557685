#pragma once
// Tag removal (`cmdDel`, "태그삭제"): withdraws the tags of the ticked, issued
// rows of the result grid and returns those rows to the not-issued state.
#include "main/core/ButtonLock.h"
#include "main/database/IssuingRecords.h"
#include "main/database/ItemGrid.h"

namespace database {

// The removal run over the grid. Stops at the first row whose withdrawal
// fails (that row and the following stay as they were). Lets window events
// run between rows; the buttons are locked for the whole run.
void cmdDel_Click(ItemGrid& vaSpread1, const TagRecordValues& v, qint16& failureFlag,
                  core::ButtonLock& buttons);

} // namespace database
