#pragma once
// Shared pieces of the item-database procedures: a procedure stops at the
// first run-time error and ends with the failure report under its own name.
#include "main/core/FailureReport.h"
#include "main/core/Operator.h"
#include "platform/RuntimeError.h"

#include <QString>
#include <exception>

namespace core {

// Runs body; on an error shows the failure report "[procedure][text]" and
// returns false. Guards inside body are undone before the report is shown.
template <class Body> bool runReported(const QString& procedure, Body&& body) {
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        core::reportFailure(procedure, core::errorText(e));
        return false;
    }
}

// The wait cursor for a scope: shown at construction, hidden when the scope
// ends (also when an error leaves it).
class WaitCursor {
public:
    explicit WaitCursor(Operator& op = currentOperator()) : m_op(op) { m_op.setWaitCursor(true); }
    ~WaitCursor() { restore(); }
    Q_DISABLE_COPY(WaitCursor)
    void restore() {
        if (m_on)
            m_op.setWaitCursor(false);
        m_on = false;
    }

private:
    Operator& m_op;
    bool m_on = true;
};

// A NULL field used as text, which the system's procedures cannot do.
inline platform::RuntimeError invalidUseOfNull() {
    return platform::RuntimeError(QStringLiteral("Invalid use of Null"));
}

} // namespace core
