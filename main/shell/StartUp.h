#pragma once
// The start-up module: the start procedure, the login window's showing, the
// end of the program, today's date and the select-all-on-focus behaviour the
// text boxes of every window share.
#include <QString>

class QWidget;

namespace platform {
class SingleInstance;
}

namespace core {
class Operator;
}

namespace shell {

// Today's date as "YYYY/MM/DD", taken when the main window loads.
extern QString gToday;
void SetToday();

// The start procedure: refuses a second copy ("이미 실행되어있습니다."),
// otherwise shows the login window. Returns the process exit code when the
// program must end at once, or -1 when the login window is up and the event
// loop should run.
int Main(platform::SingleInstance& instance, core::Operator& op);

// Resets the test counter and shows the login window without waiting for it.
// Raises when the window cannot be made.
void ShowLogin();

// Closes every window of the program and ends the event loop; the main
// window asks nothing when closed this way.
void EndProgram();
bool endingProgram();

// Selects the whole text of a text, date or number box when it holds text,
// then lets pending events run.
void SelectAllText(QWidget* control);
// Makes a box select its whole text each time it gains the focus.
void selectAllOnFocus(QWidget* control);

} // namespace shell
