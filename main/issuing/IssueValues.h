#pragma once
// The values the main window takes for issuing when it loads and when its
// settings change, and the guard that a printer serial number is set.
#include "main/database/IssuingRecords.h"
#include "main/issuing/IssueContext.h"
#include "main/settings/SetupData.h"

#include <QString>

namespace issuing {

// False, after asking for a serial number in the settings, when the printer
// serial number box is blank.
bool CheckSerNo(const QString& txtSerNo);

// The values the main window takes when it loads, after its settings: the
// workstation's address (the operator is shown why when it falls back to
// the loopback address), the organisation code and name, the logged-in user
// and the fixed tag id pieces.
void loadIssueValues(IssueContext& ctx);
// What the tag records take from the settings record.
void takeSetupValues(database::TagRecordValues& values, const settings::SetupData& setup);

} // namespace issuing
