#pragma once
// The main program's two append-only logs in the program directory:
// "error.log" (printer status, socket events, search rows) and
// "detail_error.log" (failure reports, issue trace lines).
// Each line: "[YY/MM/DD HH:MM:SS]" + text + CR LF, in CP949; the file is
// opened, appended and closed per line, and any failure is swallowed.
#include <QDateTime>
#include <QString>

namespace shell {

void WriteLog(const QString& sLogData);
void WriteDetailLog(const QString& sLogData);

// The framed line as bytes, exposed for the writers above and their tests.
QByteArray logLine(const QString& text, const QDateTime& when);
// Appends one framed line to the named file of the program directory.
void appendLogLine(const QString& fileName, const QString& text);

} // namespace shell
