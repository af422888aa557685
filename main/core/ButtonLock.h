#pragma once
// The eight command buttons of the main window (cmdLoad, cmdPrint, cmdRePrint,
// cmdSaveExcel, cmdSE, cmdSetup, cmdTestPrint, cmdDel). A long run disables
// them for its whole length so that no second action starts while the run
// lets window events through. The main window implements this; tests record.
namespace core {

class ButtonLock {
public:
    virtual ~ButtonLock() = default;
    virtual void DisableButtons() = 0;
    virtual void EnableButtons() = 0;
};

} // namespace core
