#include "updater/UpdateRun.h"

#include "platform/Cp949.h"
#include "platform/Profile.h"
#include "platform/ProgramDir.h"
#include "updater/FtpClient.h"
#include "updater/StagedFile.h"
#include "updater/UpdateManifest.h"
#include "updater/UpdaterLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace updater {

namespace {

const QString kDlg = QStringLiteral("CBrannowDlg::");
QString src(const char* step) {
    return kDlg + QLatin1String(step);
}

bool isProgramFile(const QString& name) {
    return platform::isExecutableFileName(name);
}

const QString kVersionFile = QStringLiteral("Version.ini");

bool isVersionFile(const QString& name) {
    return name.compare(kVersionFile, Qt::CaseInsensitive) == 0;
}

// The version date of a "Version.ini"; `missing` when it has none.
QString versionDate(const QString& file, const QString& missing) {
    return platform::GetPrivateProfileStringA(QStringLiteral("VERSION_INFO"), QStringLiteral("DATE"), missing,
                                              51, file);
}
const QString kNoLocalDate = QStringLiteral("000000000000");
const QString kNoServerDate = QStringLiteral("000000000001");

// A file placed by the copy step, and where the file it replaced waits until
// the whole update is in.
struct Placed {
    QString target;
    QString backup; // empty: nothing lay there before
};

// Puts the program directory back as it was before the copy step.
void rollBack(const QList<Placed>& placed) {
    for (auto it = placed.crbegin(); it != placed.crend(); ++it) {
        if (it->backup.isEmpty())
            QFile::remove(it->target);
        else
            renamePath(it->backup, it->target);
    }
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
      m_mainProgram(local(platform::executableFileName(QStringLiteral("Vantrel")))) {}

UpdateRun::~UpdateRun() = default;

QString UpdateRun::local(const QString& name) const {
    return m_baseDir + QLatin1Char('/') + name;
}

QString UpdateRun::fetched(const QString& name) const {
    return m_tempDir + QLatin1Char('/') + name;
}

void UpdateRun::noteFetched(const QString& name) {
    if (!m_fetched.contains(name))
        m_fetched.append(name);
}

bool UpdateRun::isProtected(const QString& name) const {
    // Replacing the updater or the file naming its server would hand every
    // later update to whoever wrote them.
    QStringList own{platform::executableFileName(QStringLiteral("Brannow")), QStringLiteral("Ftp_Setup.ini")};
    if (QCoreApplication::instance())
        own.append(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    return own.contains(name, Qt::CaseInsensitive);
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
    if (m_serverIp.isEmpty()) {
        // Nothing to connect to: the program starts without waiting for a
        // connection that cannot be made.
        LogWrite(1, src("GetServerInfo"), msg::kUpdatesOff);
        m_state.ok = 0;
        m_state.done[kStepDownload] = 1;
        launch();
        return 0;
    }

    m_ftp = std::make_unique<CFtpClient>();
    m_window.armStepTimer(kStepDownload, 100);
    m_window.setBarPos(kBarTotal, 25);

    const int r = DownloadUpdate();
    if (r == 1) {
        m_state.ok = 1;
        m_state.done[kStepDownload] = 1;
        m_window.armStepTimer(kStepCopy, 100);
        m_window.setBarPos(kBarTotal, 50);
        const int copied = CopyDownLoadFile();
        if (copied <= 0) {
            m_state.ok = 0;
            m_state.done[kStepCopy] = 1;
            // Nothing to start from the download: say so and let the OK
            // button start the program that is there. A failed copy has
            // shown its own message.
            if (copied == 0)
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
    m_serverIp = platform::GetPrivateProfileStringA(section, QStringLiteral("SERVER_IP"), QString(), 16, ini);
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
    // A link in place of the download folder would carry the downloads
    // elsewhere; it is replaced by a real folder.
    m_fetched.clear();
    ensureRealDirectory(m_tempDir);
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
    m_ftp->setStallSeconds(m_stallSeconds);
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
    if (!m_ftp->GetFile(kVersionFile, fetched(kVersionFile))) {
        LogWrite(3, source, m_ftp->lastError());
        fail(source, msg::kDownloadFailed.arg(kVersionFile));
        return -3;
    }
    noteFetched(kVersionFile);
    return compareVersionDates(platform::toCp949(versionDate(local(kVersionFile), kNoLocalDate)),
                               platform::toCp949(versionDate(fetched(kVersionFile), kNoServerDate)));
}

int UpdateRun::GetDownLoadFile() {
    const QString source = src("GetDownLoadFile");
    LogWrite(1, source, QStringLiteral("서버정보(FTP) 파일 다운로드 시작"));
    QString name = m_ftp->FindFirst(QStringLiteral("*.*"));
    if (name.isEmpty()) {
        // A listing that broke off says nothing about the server's files.
        if (m_ftp->listingFailed()) {
            LogWrite(3, source, m_ftp->lastError());
            fail(source, msg::kListFailed);
        } else {
            fail(source, msg::kNothingToDownload);
        }
        return 0;
    }
    for (; !name.isEmpty(); name = m_ftp->FindNext()) {
        if (isUnsafeRemoteName(name)) {
            // Such a name could put a file anywhere on this workstation.
            LogWrite(3, source, QStringLiteral("%1 파일명이 올바르지 않아 받지 않습니다.").arg(name));
            continue;
        }
        if (!m_ftp->GetFile(name, fetched(name))) {
            LogWrite(3, source, name + QStringLiteral(": ") + m_ftp->lastError());
            fail(source, msg::kDownloadFailed.arg(name));
            return 0;
        }
        noteFetched(name);
    }
    return 1;
}

bool UpdateRun::loadManifest(Manifest& manifest, QString& why) const {
    // Only this run's downloads count: a manifest left from an earlier run
    // vouches for nothing on the server now.
    for (const QString& name : {kManifestName, kSignatureName})
        if (!m_fetched.contains(name)) {
            why = name + QStringLiteral(" 파일이 서버에 없습니다.");
            return false;
        }
    // The key may be a link to where the site keeps it; only the copy step
    // is kept from writing through links.
    QFile keyFile(local(kUpdateKeyName));
    if (!keyFile.open(QIODevice::ReadOnly)) {
        why = kUpdateKeyName + QStringLiteral(" 키를 읽을 수 없습니다.");
        return false;
    }
    const QByteArray key = keyFile.read(64 * 1024);
    bool manifestOk = false, signatureOk = false;
    const QByteArray text = readPlainFile(fetched(kManifestName), 1 << 20, &manifestOk);
    const QByteArray signature = readPlainFile(fetched(kSignatureName), 4096, &signatureOk);
    if (!manifestOk || !signatureOk) {
        why = (manifestOk ? kSignatureName : kManifestName) + QStringLiteral(" 파일을 읽을 수 없습니다.");
        return false;
    }
    return verifySignature(key, text, signature, why) && parseManifest(text, manifest, why);
}

bool UpdateRun::verifyRelease(const Manifest& manifest, QString& why) const {
    // The first fetch of "Version.ini" only said whether to look: the date
    // that counts is the one in the copy the manifest vouches for, and it
    // must be the release the manifest names.
    bool ok = false;
    const QByteArray bytes = readPlainFile(fetched(kVersionFile), 1 << 20, &ok);
    Sha256 sum;
    sum.update(bytes.constData(), bytes.size());
    if (!ok || sum.result() != manifest.sums.value(kVersionFile)) {
        why = QStringLiteral("%1 파일의 SHA-256이 %2와 다릅니다.").arg(kVersionFile, kManifestName);
        return false;
    }
    const QString serverDate = versionDate(fetched(kVersionFile), kNoServerDate);
    if (serverDate != manifest.release) {
        why = QStringLiteral("%1의 DATE(%2)와 %3의 DATE(%4)가 다릅니다.")
                  .arg(kVersionFile, serverDate, kManifestName, manifest.release);
        return false;
    }
    // An older signed release is refused like a forged one: a site goes
    // back by signing the old files again under a new date.
    const QString localDate = versionDate(local(kVersionFile), kNoLocalDate);
    if (compareVersionDates(platform::toCp949(localDate), platform::toCp949(serverDate)) != 1) {
        why = QStringLiteral("서버 %1의 DATE(%2)가 설치된 %1의 DATE(%3)보다 새롭지 않아 UPDATE하지 않습니다.")
                  .arg(kVersionFile, serverDate, localDate);
        return false;
    }
    return true;
}

int UpdateRun::CopyDownLoadFile() {
    const QString source = src("CopyDownLoadFile");
    LogWrite(1, source, QStringLiteral("서버정보(FTP) 파일 다운로드 복사 시작"));

    // Settings files first, then programs, "Version.ini" last. Names match
    // without regard to case: the files come from a server whose file names
    // were written on a case-blind file system.
    QStringList settings, programs, version;
    QStringList names = m_fetched;
    names.sort();
    for (const QString& name : names) {
        const bool program = isProgramFile(name);
        if (!program && !QDir::match(QStringLiteral("*.ini"), name))
            continue; // stays in the download folder
        if (isProtected(name)) {
            LogWrite(3, source, QStringLiteral("%1 파일은 UPDATE로 바꾸지 않습니다.").arg(name));
            continue;
        }
        (isVersionFile(name) ? version : program ? programs : settings).append(name);
    }
    const QStringList plan = settings + programs + version;

    const bool keyInstalled = pathKind(local(kUpdateKeyName)) != PathKind::Missing;
    Manifest manifest;
    const ManifestSums& sums = manifest.sums;
    auto verifyFailed = [&](const QString& why) {
        LogWrite(3, source, why);
        fail(source, msg::kVerifyFailed);
        return -1;
    };
    if (keyInstalled) {
        QString why;
        if (!loadManifest(manifest, why))
            return verifyFailed(why);
        for (const QString& name : plan)
            if (!sums.contains(name))
                return verifyFailed(QStringLiteral("%1 파일이 %2에 없습니다.").arg(name, kManifestName));
        if (!verifyRelease(manifest, why))
            return verifyFailed(why);
    } else {
        LogWrite(3, source, msg::kNotVerified);
    }

    // Every file is first written whole beside its place, and checked
    // against the manifest from the very bytes that will be installed.
    std::vector<std::unique_ptr<StagedFile>> staged;
    for (const QString& name : plan) {
        auto file = std::make_unique<StagedFile>(local(name));
        Sha256 sum;
        const bool ok = file->open() && file->copyFrom(fetched(name), [&](const char* d, qsizetype n) {
            sum.update(d, n);
        }) && file->finish(isProgramFile(name) ? 0775 : 0664);
        if (!ok) {
            LogWrite(3, source, name + QStringLiteral(": ") + file->errorString());
            fail(source, msg::kCopyFailed.arg(name));
            return -1;
        }
        if (keyInstalled && sum.result() != sums.value(name))
            return verifyFailed(
                QStringLiteral("%1 파일의 SHA-256이 %2와 다릅니다.").arg(name, kManifestName));
        staged.push_back(std::move(file));
    }

    // Into place one by one; the file each one replaces is kept until all
    // are in, so a failure puts the program directory back as it was.
    QList<Placed> placed;
    for (const auto& file : staged) {
        const QString target = file->target();
        const PathKind kind = pathKind(target);
        Placed p{target, QString()};
        QString why;
        bool ok = kind == PathKind::Missing || kind == PathKind::File || kind == PathKind::Link;
        if (!ok)
            why = QStringLiteral("not a file");
        if (ok && kind != PathKind::Missing) {
            p.backup = reserveBeside(target);
            ok = !p.backup.isEmpty() && renamePath(target, p.backup, &why);
            if (!ok && !p.backup.isEmpty())
                QFile::remove(p.backup);
            if (!ok)
                p.backup.clear();
        }
        if (ok && !file->place()) {
            ok = false;
            why = file->errorString();
            if (!p.backup.isEmpty())
                renamePath(p.backup, target);
        }
        if (!ok) {
            rollBack(placed);
            const QString name = QFileInfo(target).fileName();
            LogWrite(3, source, name + QStringLiteral(": ") + why);
            fail(source, msg::kCopyFailed.arg(name));
            return -1;
        }
        placed.append(p);
    }
    for (const Placed& p : placed)
        if (!p.backup.isEmpty())
            QFile::remove(p.backup);
    for (const QString& name : plan)
        QFile::remove(fetched(name));
    LogWrite(1, source, QStringLiteral("서버정보(FTP) 파일 다운로드 복사 종료"));
    return programs.isEmpty() ? 0 : 1;
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
