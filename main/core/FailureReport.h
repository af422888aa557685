#pragma once
// The common report of a failed main-window procedure:
// "[" name "]" "[" error text "]", written to the detail log first, then shown.
#include <QString>
#include <exception>

namespace core {

class Operator;

QString failureText(const QString& procedureName, const QString& errorText);
// The text an operator is shown for a system error text: for the failures
// operators meet (printer connection refused, lost or closed, database
// connection lost, an unknown data source, disk full) what to check, in
// Korean; any other text unchanged.
QString operatorText(const QString& errorText);
// Writes and shows the report ("[procedure][operator text]"); the detail log
// also keeps the system's own text when it differs. Returns the shown text.
QString reportFailure(const QString& procedureName, const QString& errorText);
QString reportFailure(Operator& op, const QString& procedureName, const QString& errorText);
// The error text of a caught exception (RuntimeError text, or what()).
QString errorText(const std::exception& e);

} // namespace core
