#include "tests/support/RecordingOperator.h"

namespace testsupport {

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

void RecordingOperator::setFocus(const QString& controlName) {
    focusRequests.append(controlName);
}

} // namespace testsupport
