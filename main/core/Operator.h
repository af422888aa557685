#pragma once
// Everything the program asks of the person at the workstation: OK message
// boxes and Yes/No questions (caption "Vantrel"), the exit question (caption
// "종료"), the wait cursor and "put the
// focus into box X". Windows show real boxes; tests and vantrelctl record the
// texts and answer questions from a script.
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace core {

inline constexpr const char* kAppTitle = "Vantrel";

class Operator {
public:
    virtual ~Operator() = default;
    // A modal message with one OK button; returns when the operator dismissed it.
    virtual void showMessage(const QString& text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool askYesNo(const QString& text) = 0;
    // The question whether to end the program; true for Yes.
    virtual bool askToExit(const QString& text) { return askYesNo(text); }
    virtual void setWaitCursor(bool on) = 0;
    // Puts the keyboard focus into the named control (system control name).
    virtual void setFocus(const QString& controlName) = 0;
};

// The process-wide operator (the main window, or a recorder); never null.
Operator& currentOperator();
void setCurrentOperator(Operator* op);

} // namespace core
