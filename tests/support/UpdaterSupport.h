#pragma once
// Peers of the updater tests: a real FTP server on loopback, the stand-in
// for the main program, and a window that records what the run shows.
#include "tests/support/TestSupport.h"
#include "updater/UpdateRun.h"

#include "tests/support/HostProcess.h"
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include <atomic>

namespace testsupport {

// A loopback FTP server (pyftpdlib) that serves a temporary root for the
// user "rfid". The download directory "/download/" exists unless removed.
class FtpTestServer {
public:
    FtpTestServer();
    ~FtpTestServer();
    // Starts the server with extra options of ftp_server.py; false when it
    // did not come up.
    bool start(const QStringList& options = {});
    int port() const { return m_port; }
    QString root() const { return m_root.path(); }
    QString downloadDir() const { return m_root.path() + QStringLiteral("/download"); }
    void put(const QString& name, const QByteArray& bytes) const;
    void putVersion(const QByteArray& date) const;

private:
    QTemporaryDir m_root;
    HostProcess m_process;
    int m_port = 0;
};

// The bytes of the stand-in main program.
QByteArray standInProgram();
// A fresh program folder with "Brannow.INI" at log level 3 and the updater's
// log opened in it.
std::unique_ptr<QTemporaryDir> loggedProgramDir();
// Waits until the stand-in has noted `starts` starts in `dir`.
bool waitForStart(const QString& dir, int starts = 1, int ms = 5000);
int startsIn(const QString& dir);
QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes, bool executable = false);

// Everything under `dir` but its download folder and the files the run and
// the stand-in write on every start (log, start marks): path to kind,
// permissions and bytes, or link target. Equal snapshots: nothing changed.
QMap<QString, QByteArray> snapshot(const QString& dir);
// Runs openssl with `command` (arguments split as a shell would, quotes
// kept together) in `dir`; false when it fails.
bool openssl(const QString& command, const QString& dir);

// "Ftp_Setup.ini" of a program directory pointing at 127.0.0.1:port.
void writeFtpSetup(const QString& dir, int port);
// "Version.ini" with the given date.
QByteArray versionIni(const QByteArray& date);

class RecordingWindow : public updater::UpdateWindow {
public:
    void setBarPos(int barId, int pos) override;
    void armStepTimer(int step, int ms) override;
    void ShowMessage(const QString& text) override;
    void repaintWindow() override {}
    void closeWindow() override { closed = true; }

    QList<int> totals;             // positions of the overall bar, in order
    QList<QPair<int, int>> timers; // (step, ms) armed
    QStringList messages;
    std::atomic<bool> closed{false};
};

} // namespace testsupport
