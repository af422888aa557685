#pragma once
// The operator at the screen: real message boxes with the caption "Vantrel",
// the exit question with Yes and No, the wait cursor, and focus moves to a
// control found by its system name in the program's windows.
#include "main/core/Operator.h"

class QWidget;

namespace shell {

class WidgetOperator : public core::Operator {
public:
    void showMessage(const QString& text) override;
    bool askYesNo(const QString& text) override;
    bool askToExit(const QString& text) override;
    void setWaitCursor(bool on) override;
    void setFocus(const QString& controlName) override;

private:
    int m_waitDepth = 0;
};

// The visible control with this object name, searched in the active window
// first, then in every other top-level window; nullptr when none has it.
QWidget* findControl(const QString& controlName);

} // namespace shell
