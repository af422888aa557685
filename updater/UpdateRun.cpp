#include "updater/UpdateRun.h"

#include "platform/Cp949.h"
#include "platform/Profile.h"
#include "updater/FtpClient.h"
#include "updater/UpdaterLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

#include <chrono>
#include <thread>

namespace updater {

namespace {

const QString kDlg = QStringLiteral("CBrannowDlg::");
QString src(const char* step) {
    return kDlg + QLatin1String(step);
}

bool isProgramFile(const QFileInfo& f) {
    return !f.fileName().contains(QLatin1Char('.'));
}

// Replaces `target` with the bytes of `source` in one step, so a half
// written settings file or program never lies in the program directory.
bool copyOver(const QString& source, const QString& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    while (!in.atEnd()) {
        const QByteArray chunk = in.read(1 << 16);
        if (chunk.isEmpty() && in.error() != QFileDevice::NoError)
            return false;
        if (out.write(chunk) != chunk.size())
            return false;
    }
    return out.commit();
}

} // namespace

int barOfStep(int step) {
    static const int kBars[4] = {kBarServerInfo, kBarDownload, kBarCopy, kBarLaunch};
    return kBars[step];
}

void RunState::clear() {
    ok = 0;
    for (auto& d : done)
        d = 0;
    phase = 0;
}

StepTick StepBarTick(RunState& state, int step) {
    static const int kPos[4] = {25, 50, 75, 100};
    const int phase = state.phase.load() & 3;
    StepTick tick{kPos[phase], true};
    state.phase = (phase + 1) & 3;
    if (state.done[step]) {
        // The first step cannot fail; the others end at 100 when the run
        // went on, at 0 when it stopped there.
        tick.pos = (step == kStepServerInfo || state.ok) ? 100 : 0;
        tick.again = false;
    }
    return tick;
}

int compareVersionDates(const QByteArray& local, const QByteArray& server) {
    for (qsizetype i = 0; i < server.size(); ++i) {
        const auto l = static_cast<unsigned char>(i < local.size() ? local[i] : '\0');
        const auto s = static_cast<unsigned char>(server[i]);
        if (l != s)
            return l < s ? 1 : 0;
        if (l == 0)
            break;
    }
    return 0;
}

bool isUnsafeRemoteName(const QString& name) {
    return name.isEmpty() || name == QLatin1String(".") || name.contains(QLatin1Char('/')) ||
           name.contains(QLatin1Char('\\')) || name.contains(QLatin1String("..")) || name.contains(QChar(0));
}

UpdateRun::UpdateRun(UpdateWindow& window, const QString& baseDir)
    : m_window(window), m_baseDir(baseDir), m_tempDir(local(QStringLiteral("FtpTemp"))),
      m_mainProgram(local(QStringLiteral("Vantrel"))) {}

UpdateRun::~UpdateRun() = default;

QString UpdateRun::local(const QString& name) const {
    return m_baseDir + QLatin1Char('/') + name;
}

void UpdateRun::fail(const QString& source, const QString& text) {
    m_window.ShowMessage(text);
    LogWrite(3, source, text);
}

int UpdateRun::UpdateThread() {
    m_state.clear();
    m_window.armStepTimer(kStepServerInfo, 100);
    m_window.setBarPos(kBarTotal, 0);

    GetServerInfo();
    m_window.setBarPos(kBarTotal, 15);
    m_state.ok = 1;
    m_state.done[kStepServerInfo] = 1;

    m_ftp = std::make_unique<CFtpClient>();
    m_window.armStepTimer(kStepDownload, 100);
    m_window.setBarPos(kBarTotal, 25);

    const int r = DownloadUpdate();
    if (r == 1) {
        m_state.ok = 1;
        m_state.done[kStepDownload] = 1;
        m_window.armStepTimer(kStepCopy, 100);
        m_window.setBarPos(kBarTotal, 50);
        CopyDownLoadFile(QStringLiteral("*.ini"));
        if (!CopyDownLoadFile(QStringLiteral("*.exe"))) {
            // Nothing to start from the download: say so and let the OK
            // button start the program that is there.
            m_state.ok = 0;
            m_state.done[kStepCopy] = 1;
            fail(src("CopyDownLoadFile"), msg::kNoProgramFile);
            return 0;
        }
        m_state.ok = 1;
        m_state.done[kStepCopy] = 1;
        m_window.armStepTimer(kStepLaunch, 100);
        m_window.setBarPos(kBarTotal, 75);
        m_state.ok = 1;
        m_state.done[kStepLaunch] = 1;
        launch();
    } else if (r == 0) {
        m_state.ok = 0;
        m_state.done[kStepDownload] = 1;
        launch();
    } else {
        // The failing step has shown its message and the OK button.
        m_state.ok = 0;
        m_state.done[kStepDownload] = 1;
    }
    return 0;
}

void UpdateRun::launch() {
    m_window.setBarPos(kBarTotal, 100);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    m_window.repaintWindow();
    RunMainProgram(m_mainProgram);
    m_window.closeWindow();
}

int UpdateRun::GetServerInfo() {
    const QString source = src("GetServerInfo");
    LogWrite(1, source, QStringLiteral("서버정보(FTP) 취득 시작"));
    const QString ini = local(QStringLiteral("Ftp_Setup.ini"));
    const QString section = QStringLiteral("SERVER_INFO");
    m_serverIp = platform::GetPrivateProfileStringA(section, QStringLiteral("SERVER_IP"),
                                                    QLatin1String(kDefaultServerIp), 16, ini);
    m_serverPort = platform::GetPrivateProfileStringA(section, QStringLiteral("SERVER_PORT"),
                                                      QStringLiteral("21"), 6, ini);
    m_user = QStringLiteral("rfid");
    m_password = QStringLiteral("mxqa47");
    m_remoteDir = QStringLiteral("/download/");
    LogWrite(1, source, QStringLiteral("서버정보(FTP) 취득  종료"));
    return 1;
}

int UpdateRun::DownloadUpdate() {
    if (!ServerConnect())
        return -1;
    if (!QFileInfo::exists(m_tempDir))
        QDir().mkpath(m_tempDir);
    int r = AnalysisIni();
    if (r > 0)
        r = GetDownLoadFile() ? 1 : -3;
    m_ftp->Close();
    return r;
}

int UpdateRun::ServerConnect() {
    const QString source = src("ServerConnect");
    LogWrite(1, source, QStringLiteral("서버정보(FTP) 연결 시작"));
    if (!m_ftp)
        m_ftp = std::make_unique<CFtpClient>();
    const int port = leadingNumber(m_serverPort);
    QString failure;
    if (!m_ftp->Open(m_serverIp, port, m_user, m_password))
        failure = msg::kConnectFailed;
    else if (!m_ftp->ChangeDirectory(m_remoteDir))
        failure = msg::kChangeDirFailed;
    if (failure.isEmpty()) {
        LogWrite(1, source, QStringLiteral("서버정보(FTP) 연결 종료"));
        return 1;
    }
    fail(source, failure);
    return 0;
}

int UpdateRun::AnalysisIni() {
    const QString source = src("AnalysisIni");
    const QString name = QStringLiteral("Version.ini");
    const QString serverFile = m_tempDir + QLatin1Char('/') + name;
    if (!m_ftp->GetFile(name, serverFile)) {
        fail(source, msg::kDownloadFailed.arg(name));
        return -3;
    }
    const QString section = QStringLiteral("VERSION_INFO");
    const QString key = QStringLiteral("DATE");
    const QString localDate =
        platform::GetPrivateProfileStringA(section, key, QStringLiteral("000000000000"), 51, local(name));
    const QString serverDate =
        platform::GetPrivateProfileStringA(section, key, QStringLiteral("000000000001"), 51, serverFile);
    return compareVersionDates(platform::toCp949(localDate), platform::toCp949(serverDate));
}

int UpdateRun::GetDownLoadFile() {
    const QString source = src("GetDownLoadFile");
    LogWrite(1, source, QStringLiteral("서버정보(FTP) 파일 다운로드 시작"));
    QString name = m_ftp->FindFirst(QStringLiteral("*.*"));
    if (name.isEmpty()) {
        fail(source, msg::kNothingToDownload);
        return 0;
    }
    for (; !name.isEmpty(); name = m_ftp->FindNext()) {
        if (isUnsafeRemoteName(name)) {
            // Such a name could put a file anywhere on this workstation.
            LogWrite(3, source, QStringLiteral("%1 파일명이 올바르지 않아 받지 않습니다.").arg(name));
            continue;
        }
        if (!m_ftp->GetFile(name, m_tempDir + QLatin1Char('/') + name)) {
            fail(source, msg::kDownloadFailed.arg(name));
            return 0;
        }
    }
    return 1;
}

bool UpdateRun::CopyDownLoadFile(const QString& pattern) {
    const QString source = src("CopyDownLoadFile");
    LogWrite(1, source, QStringLiteral("서버정보(FTP) 파일 다운로드 복사 시작"));
    const bool programs = pattern == QLatin1String("*.exe");
    QDir temp(m_tempDir);
    QFileInfoList matches;
    for (const QFileInfo& f : temp.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
        // Names match without regard to case: the files come from a server
        // whose file names were written on a case-blind file system.
        const bool match = programs ? isProgramFile(f) : QDir::match(pattern, f.fileName());
        if (match)
            matches.append(f);
    }
    if (matches.isEmpty())
        return false;
    for (const QFileInfo& f : matches) {
        const QString target = local(f.fileName());
        if (!copyOver(f.filePath(), target))
            continue; // stays in the download folder
        if (programs)
            QFile::setPermissions(target, QFile::permissions(target) | QFile::ExeOwner | QFile::ReadOwner |
                                              QFile::ExeGroup | QFile::ReadGroup | QFile::ExeOther |
                                              QFile::ReadOther);
        QFile::remove(f.filePath());
    }
    LogWrite(1, source, QStringLiteral("서버정보(FTP) 파일 다운로드 복사 종료"));
    return true;
}

int UpdateRun::RunMainProgram(const QString& path) {
    // Started on its own, no arguments, not waited for; the result is not
    // looked at: the updater ends either way.
    const QFileInfo program(path);
    QProcess::startDetached(program.absoluteFilePath(), {}, QFileInfo(m_baseDir).absoluteFilePath());
    return 0;
}

void UpdateRun::OnOkButton() {
    const QString source = src("OnInitDialog");
    LogWrite(1, source, QStringLiteral("POS 프로그램 기동 처리 시작"));
    RunMainProgram(m_mainProgram);
    LogWrite(1, source, QStringLiteral("POS 프로그램 기동 처리 종료"));
    m_window.closeWindow();
}

} // namespace updater
