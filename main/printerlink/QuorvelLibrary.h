#pragma once
// The USB printer link library, bound by library and function name on the
// first call of each function (nothing is loaded at start-up). A library or
// function that cannot be found is a run-time error of the calling procedure.
#include <QByteArray>

namespace printerlink {

// Number of USB printers that can be opened.
int Find_SA4T_Printer();
// Type 3: status only (returns the status code 0..99 or a negative result);
// type 1: write then status; any other type: write only (0 when written).
int SA4T_Print(const QByteArray& text, int type);

} // namespace printerlink
