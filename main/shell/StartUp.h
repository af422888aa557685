#pragma once
// The start and the end of the program: the start procedure, the login
// window's showing and the closing of every window.
#include <QString>

namespace platform {
class SingleInstance;
}

namespace core {
class Operator;
}

namespace shell {

// The start procedure: refuses a second copy ("이미 실행되어있습니다."),
// otherwise shows the login window. Returns the process exit code when the
// program must end at once, or -1 when the login window is up and the event
// loop should run.
int Main(platform::SingleInstance& instance, core::Operator& op);

// Resets the test counter and shows the login window without waiting for it.
// Raises when the window cannot be made.
void ShowLogin();

// Closes every window of the program and ends the event loop; the main
// window asks nothing when closed this way. During an issuing run it only
// asks the run to stop after its current tag; endIfAskedDuringRun, called
// when the run has returned, then ends the program.
void EndProgram();
bool endingProgram();
void endIfAskedDuringRun();

} // namespace shell
