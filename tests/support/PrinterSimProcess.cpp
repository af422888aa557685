#include "tests/support/PrinterSimProcess.h"

#include "tests/support/TestSupport.h"

#include <QDeadlineTimer>
#include <QDir>

namespace testsupport {

PrinterSimProcess::~PrinterSimProcess() {
    stop();
}

bool PrinterSimProcess::start(const QStringList& args, int timeoutMs) {
    stop();
    m_line.clear();
    m_error.clear();
    m_process.setProgram(QDir(binDir()).filePath(QStringLiteral("printer-sim")));
    m_process.setArguments(args);
    m_process.setReadChannel(QProcess::StandardOutput);
    m_process.start();
    if (!m_process.waitForStarted(timeoutMs)) {
        m_error = QStringLiteral("printer-sim did not start: ") + m_process.errorString();
        return false;
    }
    const QDeadlineTimer deadline(timeoutMs);
    while (!m_process.canReadLine()) {
        if (m_process.state() != QProcess::Running || deadline.hasExpired()) {
            m_error = QStringLiteral("printer-sim gave no endpoint: ") +
                      QString::fromLocal8Bit(m_process.readAllStandardError());
            stop();
            return false;
        }
        m_process.waitForReadyRead(int(qMax<qint64>(1, qMin<qint64>(100, deadline.remainingTime()))));
    }
    m_line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    return true;
}

void PrinterSimProcess::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    // SIGTERM lets the printer remove its device link.
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString PrinterSimProcess::kind() const {
    return m_line.section(QLatin1Char(' '), 0, 0);
}

QString PrinterSimProcess::host() const {
    const QString endpoint = m_line.section(QLatin1Char(' '), 1);
    return endpoint.left(endpoint.lastIndexOf(QLatin1Char(':')));
}

quint16 PrinterSimProcess::port() const {
    const QString endpoint = m_line.section(QLatin1Char(' '), 1);
    return quint16(endpoint.mid(endpoint.lastIndexOf(QLatin1Char(':')) + 1).toUInt());
}

QString PrinterSimProcess::path() const {
    return m_line.section(QLatin1Char(' '), 1);
}

QByteArray PrinterSimProcess::standardError() {
    return m_process.readAllStandardError();
}

} // namespace testsupport
