#include "main/shell/core/Operator.h"

namespace shell {

void RecordingOperator::showMessage(const QString& text) {
    messages.append(text);
    if (onMessage)
        onMessage(text);
}

bool RecordingOperator::askYesNo(const QString& text) {
    questions.append(text);
    return answers.isEmpty() ? false : answers.takeFirst();
}

void RecordingOperator::setWaitCursor(bool on) {
    waitCursor = on;
    ++waitCursorChanges;
}

void RecordingOperator::setFocus(const QString& controlName) { focusRequests.append(controlName); }

namespace {
RecordingOperator g_fallback;
Operator* g_operator = nullptr;
} // namespace

Operator& currentOperator() { return g_operator ? *g_operator : g_fallback; }

void setCurrentOperator(Operator* op) { g_operator = op; }

} // namespace shell
