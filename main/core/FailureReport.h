#pragma once
// The common report of a failed main-window procedure:
// "[" name "]" "[" error text "]", written to the detail log first, then shown.
#include <QString>
#include <exception>

namespace core {

class Operator;

QString failureText(const QString& procedureName, const QString& errorText);
// Writes and shows the report; returns its text.
QString reportFailure(const QString& procedureName, const QString& errorText);
QString reportFailure(Operator& op, const QString& procedureName, const QString& errorText);
// The error text of a caught exception (RuntimeError text, or what()).
QString errorText(const std::exception& e);

} // namespace core
