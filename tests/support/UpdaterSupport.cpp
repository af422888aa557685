#include "tests/support/UpdaterSupport.h"

#include "updater/UpdaterLog.h"

#include "platform/ProgramDir.h"

#include "tests/support/TestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTcpServer>
#include <QThread>

namespace testsupport {

FtpTestServer::FtpTestServer() {
    QDir(m_root.path()).mkdir(QStringLiteral("download"));
}

FtpTestServer::~FtpTestServer() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

bool FtpTestServer::start(const QStringList& options) {
    const QString script = testsupport::sourceDir() + QStringLiteral("/tests/updater/ftp_server.py");
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    QStringList{hostPath(script), QStringLiteral("--root"), hostPath(root())} + options);
    if (!m_process.waitForStarted(5000))
        return false;
    // The first line is the port the server bound.
    const QDeadlineTimer deadline(10000);
    while (!m_process.canReadLine() && !deadline.hasExpired())
        if (!m_process.waitForReadyRead(200) && m_process.state() == QProcess::NotRunning)
            return false;
    m_port = m_process.readLine().trimmed().toInt();
    return m_port > 0;
}

void FtpTestServer::put(const QString& name, const QByteArray& bytes) const {
    writeFile(downloadDir() + QLatin1Char('/') + name, bytes);
}

void FtpTestServer::putVersion(const QByteArray& date) const {
    put(QStringLiteral("Version.ini"), versionIni(date));
}

QByteArray versionIni(const QByteArray& date) {
    return "[VERSION_INFO]\r\nDATE=" + date + "\r\n";
}

QByteArray standInProgram() {
    return readFile(testsupport::binDir() + QLatin1Char('/') +
                    platform::executableFileName(QStringLiteral("vantrel_standin")));
}

int startsIn(const QString& dir) {
    return static_cast<int>(readFile(dir + QStringLiteral("/vantrel.mark")).count("started args=0\n"));
}

bool waitForStart(const QString& dir, int starts, int ms) {
    const QDeadlineTimer deadline(ms);
    while (startsIn(dir) < starts && !deadline.hasExpired())
        QThread::msleep(20);
    return startsIn(dir) >= starts;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes, bool executable) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    f.close();
    if (executable)
        f.setPermissions(f.permissions() | QFile::ExeOwner);
}

std::unique_ptr<QTemporaryDir> loggedProgramDir() {
    auto dir = std::make_unique<QTemporaryDir>();
    writeFile(dir->filePath(QStringLiteral("Brannow.INI")), "[LOCAL_LOG]\r\nLOG_LEVEL=3\r\n");
    updater::LogOpen(dir->filePath(QStringLiteral("Brannow")));
    return dir;
}

QMap<QString, QByteArray> snapshot(const QString& dir) {
    QMap<QString, QByteArray> entries;
    const QDir base(dir);
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString rel = base.relativeFilePath(path);
        if (rel == QLatin1String("FtpTemp") || rel.startsWith(QLatin1String("FtpTemp/")) ||
            rel == QLatin1String("Brannow.LOG") || rel == QLatin1String("vantrel.mark"))
            continue;
        const QFileInfo f = it.fileInfo();
        if (f.isSymLink())
            entries[rel] = "link " + f.symLinkTarget().toUtf8();
        else if (f.isDir())
            entries[rel] = "dir";
        else
            entries[rel] = "file " + QByteArray::number(int(f.permissions()), 16) + ' ' + readFile(path);
    }
    return entries;
}

bool openssl(const QString& command, const QString& dir) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral("openssl"), QProcess::splitCommand(command));
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void writeFtpSetup(const QString& dir, int port) {
    writeFile(dir + QStringLiteral("/Ftp_Setup.ini"),
              "[SERVER_INFO]\r\nSERVER_IP=127.0.0.1\r\nSERVER_PORT=" + QByteArray::number(port) + "\r\n");
}

void RecordingWindow::setBarPos(int barId, int pos) {
    if (barId == updater::kBarTotal)
        totals.append(pos);
}

void RecordingWindow::armStepTimer(int step, int ms) {
    timers.append({step, ms});
}

void RecordingWindow::ShowMessage(const QString& text) {
    messages.append(text);
}

} // namespace testsupport
