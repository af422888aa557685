#pragma once
// Today's date as the main window shows it.
#include <QString>

namespace shell {

// Today's date as "YYYY/MM/DD", taken when the main window loads.
extern QString gToday;
void SetToday();

} // namespace shell
