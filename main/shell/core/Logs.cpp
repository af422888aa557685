#include "main/shell/core/Logs.h"

#include "platform/Cp949.h"
#include "platform/ProgramDir.h"

#include <QFile>

namespace shell {

QByteArray logLine(const QString& text, const QDateTime& when) {
    QByteArray line = when.toString(QStringLiteral("[yy/MM/dd HH:mm:ss]")).toLatin1();
    line += platform::toCp949(text);
    line += "\r\n";
    return line;
}

void appendLogLine(const QString& fileName, const QString& text) {
    QFile f(platform::programPath(fileName));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        return; // a log line never interrupts an operation
    f.write(logLine(text, QDateTime::currentDateTime()));
    f.close();
}

void WriteLog(const QString& sLogData) { appendLogLine(QStringLiteral("error.log"), sLogData); }

void WriteDetailLog(const QString& sLogData) { appendLogLine(QStringLiteral("detail_error.log"), sLogData); }

} // namespace shell
