#include "main/core/FailureReport.h"

#include "main/core/Logs.h"
#include "main/core/Operator.h"
#include "platform/RuntimeError.h"

namespace core {

QString failureText(const QString& procedureName, const QString& errorText) {
    return QLatin1Char('[') + procedureName + QStringLiteral("][") + errorText + QLatin1Char(']');
}

QString reportFailure(Operator& op, const QString& procedureName, const QString& errorText) {
    const QString text = failureText(procedureName, errorText);
    WriteDetailLog(text); // the line exists even if the box is never dismissed
    op.showMessage(text);
    return text;
}

QString reportFailure(const QString& procedureName, const QString& errorText) {
    return reportFailure(currentOperator(), procedureName, errorText);
}

QString errorText(const std::exception& e) {
    if (auto* r = dynamic_cast<const platform::RuntimeError*>(&e))
        return r->text();
    return QString::fromUtf8(e.what());
}

} // namespace core
