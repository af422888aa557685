#pragma once
// The operator of the tests: records what the program showed and answers
// questions from a queue (default No).
#include "main/core/Operator.h"

#include <QList>
#include <QStringList>
#include <functional>

namespace testsupport {

class RecordingOperator : public core::Operator {
public:
    void showMessage(const QString& text) override;
    bool askYesNo(const QString& text) override;
    void setWaitCursor(bool on) override;
    void setFocus(const QString& controlName) override;

    QStringList messages;
    QStringList questions;
    QStringList focusRequests;
    QList<bool> answers; // consumed front first
    bool waitCursor = false;
    int waitCursorChanges = 0;
    // Called for every message, after it is recorded.
    std::function<void(const QString&)> onMessage;
};

// Installs an operator as the process's operator for a scope; the fallback
// is back when the scope ends, also when a failed check leaves it early.
class OperatorScope {
public:
    explicit OperatorScope(core::Operator& op) { core::setCurrentOperator(&op); }
    ~OperatorScope() { core::setCurrentOperator(nullptr); }
    Q_DISABLE_COPY(OperatorScope)
};

} // namespace testsupport
