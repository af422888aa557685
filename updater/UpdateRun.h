#pragma once
// One update run of the launcher, without any window: fetch the server
// information (no server named: start the main program at once), log in,
// compare the version dates, fetch the server's download directory, copy
// the settings and program files into the program directory and start the
// main program. What the run shows goes through UpdateWindow; the dialog
// forwards it to its own thread.
#include <QHash>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>

namespace updater {

class CFtpClient;
struct Manifest;

// Control ids of the bars: one per step, then the overall bar.
enum BarId {
    kBarServerInfo = 1001,
    kBarDownload = 1002,
    kBarCopy = 1003,
    kBarLaunch = 1006,
    kBarTotal = 1008
};
// The steps, in the order they run: server information, download, copy,
// program start.
enum Step { kStepServerInfo = 0, kStepDownload = 1, kStepCopy = 2, kStepLaunch = 3 };
int barOfStep(int step);

// What the worker asks of the window.
class UpdateWindow {
public:
    virtual ~UpdateWindow() = default;
    virtual void setBarPos(int barId, int pos) = 0;
    // (Re)arms the animation timer of a step's bar.
    virtual void armStepTimer(int step, int ms) = 0;
    // Hides the wait line, shows the OK button and the text in red.
    virtual void ShowMessage(const QString& text) = 0;
    virtual void repaintWindow() = 0;
    virtual void closeWindow() = 0;
};

// Flags the worker sets and the window's step timers read.
struct RunState {
    std::atomic<int> ok{0};
    std::atomic<int> done[4]{};
    std::atomic<int> phase{0}; // animation phase 0..3, shared by the step bars
    void clear();
};

// One tick of a step bar's timer: the bar's next position, and whether the
// timer runs again (500 ms) because the step is not done yet.
struct StepTick {
    int pos;
    bool again;
};
StepTick StepBarTick(RunState& state, int step);

// Byte comparison of the version dates: 1 when the server's date is newer
// (the first differing byte of local is smaller; local's end counts as a zero
// byte), 0 when equal over the server's length or local's byte is greater.
int compareVersionDates(const QByteArray& local, const QByteArray& server);

// A remote name that could place a file outside the download folder.
bool isUnsafeRemoteName(const QString& name);

// Operator messages of the run.
namespace msg {
inline const QString kConnectFailed = QStringLiteral("서버연결 실패!! [확인]버튼을 눌러주십시오.");
inline const QString kChangeDirFailed = QStringLiteral("서버디렉토리 변경 실패!! [확인]버튼을 눌러주십시오.");
inline const QString kDownloadFailed = QStringLiteral("%1 DOWNLOAD에 실패하였습니다.");
inline const QString kNothingToDownload = QStringLiteral("DOWNLOAD할 파일이 존재하지않습니다.");
inline const QString kNoProgramFile =
    QStringLiteral("UPDATE 파일이 존재하지 않습니다. [확인]버튼을 눌러주십시오.");
inline const QString kListFailed = QStringLiteral("파일 목록 DOWNLOAD에 실패하였습니다.");
inline const QString kVerifyFailed =
    QStringLiteral("UPDATE 파일 검증에 실패하였습니다. [확인]버튼을 눌러주십시오.");
inline const QString kCopyFailed = QStringLiteral("%1 복사에 실패하였습니다.");
// Level 1 log line of an installation whose "Ftp_Setup.ini" names no server.
inline const QString kUpdatesOff =
    QStringLiteral("Ftp_Setup.ini에 SERVER_IP가 없어 UPDATE를 하지 않고 프로그램을 시작합니다.");
// Level 3 log line of an installation without "update_key.pem".
inline const QString kNotVerified =
    QStringLiteral("update_key.pem 키가 설치되지 않아 UPDATE 파일을 검증하지 않고 복사합니다.");
} // namespace msg

class UpdateRun {
public:
    // baseDir: the program directory the run works in ("." in production:
    // the updater is started there).
    explicit UpdateRun(UpdateWindow& window, const QString& baseDir = QStringLiteral("."));
    ~UpdateRun();

    // The worker: runs every step and drives the bars; returns 0.
    int UpdateThread();

    // An empty server address afterwards (no "SERVER_IP" in
    // "Ftp_Setup.ini"): updates are off, the run starts the program at once.
    int GetServerInfo();
    // 1 files downloaded, 0 nothing newer, -1 no connection, -3 download failed.
    int DownloadUpdate();
    int ServerConnect();
    // 1 newer on the server, 0 not newer, -3 "Version.ini" not fetched.
    int AnalysisIni();
    int GetDownLoadFile();
    // Installs the settings files ("*.ini") and program files (on this
    // system the files without an extension) that this run fetched, all or
    // none: "Version.ini" last, so it takes the new date only with the rest.
    // With "update_key.pem" installed, only a verified signed manifest that
    // lists every one of them with its SHA-256 lets them in, and only when
    // its release is newer than the installed one. Never replaces
    // the updater itself or "Ftp_Setup.ini".
    // 1 installed with a program file, 0 installed without one (or nothing
    // to install), -1 failed: message shown, nothing changed.
    int CopyDownLoadFile();
    int RunMainProgram(const QString& path);
    // The OK button shown after a failure: starts the main program anyway and
    // closes the window.
    void OnOkButton();

    RunState& state() { return m_state; }
    // How long the server may stand still before a step counts as failed.
    void setStallSeconds(int seconds) { m_stallSeconds = seconds; }
    QString tempDir() const { return m_tempDir; }
    QString mainProgram() const { return m_mainProgram; }
    QString serverIp() const { return m_serverIp; }
    QString serverPort() const { return m_serverPort; }

private:
    void fail(const QString& source, const QString& text);
    void launch();
    QString local(const QString& name) const;
    QString fetched(const QString& name) const;
    void noteFetched(const QString& name);
    bool isProtected(const QString& name) const;
    bool loadManifest(Manifest& manifest, QString& why) const;
    // With the key installed: whether the verified "Version.ini" belongs to
    // the manifest's release and is newer than the installed one.
    bool verifyRelease(const Manifest& manifest, QString& why) const;

    UpdateWindow& m_window;
    QString m_baseDir;
    QString m_tempDir;     // the download folder
    QString m_mainProgram; // the main program's path
    QString m_serverIp, m_serverPort, m_user, m_password, m_remoteDir;
    std::unique_ptr<CFtpClient> m_ftp;
    QStringList m_fetched; // names this run fetched into the download folder
    int m_stallSeconds = 60;
    RunState m_state;
};

} // namespace updater
