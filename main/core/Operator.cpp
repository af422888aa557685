#include "main/core/Operator.h"

namespace core {

namespace {
// Until a window or a command installs its own: shows nothing, answers no.
class SilentOperator : public Operator {
public:
    void showMessage(const QString&) override {}
    bool askYesNo(const QString&) override { return false; }
    void setWaitCursor(bool) override {}
    void setFocus(const QString&) override {}
};
SilentOperator g_fallback;
Operator* g_operator = nullptr;
} // namespace

Operator& currentOperator() {
    return g_operator ? *g_operator : g_fallback;
}

void setCurrentOperator(Operator* op) {
    g_operator = op;
}

} // namespace core
