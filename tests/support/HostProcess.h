#pragma once
// A peer program of the tests (the virtual printer, the FTP server) is a
// Linux program. Linux test programs run it as a QProcess. Test programs
// built for Windows run under Wine, which cannot start or stop a Linux
// process: they ask the host's broker (host_broker.py, whose port is in
// VANTREL_HOST_BROKER) to, through the same subset of QProcess's calls.
#include <QProcess>

#ifdef Q_OS_WIN
#include <QTcpSocket>

namespace testsupport {

class BrokeredProcess {
public:
    void setProgram(const QString& program) { m_program = program; }
    void setArguments(const QStringList& args) { m_args = args; }
    void setReadChannel(QProcess::ProcessChannel) {}
    void setProcessChannelMode(QProcess::ProcessChannelMode) {}
    void start(const QString& program, const QStringList& args, QIODevice::OpenMode = QIODevice::ReadWrite);
    void start(QIODevice::OpenMode = QIODevice::ReadWrite) { start(m_program, m_args); }
    bool waitForStarted(int ms = 30000);
    bool waitForReadyRead(int ms = 30000);
    bool waitForFinished(int ms = 30000);
    bool canReadLine() const { return m_out.contains('\n'); }
    QByteArray readLine();
    QByteArray readAllStandardOutput() { return std::exchange(m_out, {}); }
    QByteArray readAllStandardError() { return std::exchange(m_err, {}); }
    QProcess::ProcessState state() const { return m_state; }
    int exitCode() const { return m_exitCode; }
    QString errorString() const { return m_error; }
    void terminate();
    void kill();

private:
    // Takes what the broker has sent; false when nothing came within ms.
    bool pump(int ms);

    QString m_program;
    QStringList m_args;
    QTcpSocket m_socket;
    QByteArray m_frames, m_out, m_err;
    QProcess::ProcessState m_state = QProcess::NotRunning;
    int m_exitCode = 0;
    QString m_error;
};

using HostProcess = BrokeredProcess;

// A Windows path as the Linux side sees it (Wine's drive mapping).
QString hostPath(const QString& path);

} // namespace testsupport
#else
namespace testsupport {
using HostProcess = QProcess;
inline QString hostPath(const QString& path) {
    return path;
}
} // namespace testsupport
#endif
