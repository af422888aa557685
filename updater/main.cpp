// Brannow: brings the program directory up to the server's version, then
// starts the main program.
#include "platform/QtKorean.h"
#include "platform/SingleInstance.h"
#include "updater/BrannowDlg.h"
#include "updater/UpdaterLog.h"

#include <QApplication>
#include <QMessageBox>
#include <curl/curl.h>

namespace {

const QString kApp = QStringLiteral("CBrannowApp::InitInstance");

// Start-up: the network layer, the log, one updater at a time, the window.
// Returns the process's exit code.
int InitInstance(QApplication& app) {
    if (curl_global_init(CURL_GLOBAL_ALL) != CURLE_OK) {
        QMessageBox::critical(nullptr, QStringLiteral("Brannow"),
                              QStringLiteral("Windows 소켓 초기화에 실패하였습니다."));
        return 1;
    }
    updater::LogOpen(QCoreApplication::applicationFilePath());
    updater::LogWrite(1, kApp, QString());
    updater::LogWrite(1, kApp, QString());
    updater::LogWrite(1, kApp, QString(33, QChar(0x25BC))); // ▼
    updater::LogWrite(1, kApp, QStringLiteral("■ Brannow.exe 기동 ■"));

    // Held until the process ends.
    static platform::SingleInstance instance(QStringLiteral("Brannow"));
    if (!instance.acquire()) {
        updater::LogWrite(1, kApp, QStringLiteral("프로그램이 이중 실행되어서 종료됩니다. "));
        curl_global_cleanup();
        return 0;
    }

    updater::installUpdaterFonts();
    {
        updater::BrannowDlg dlg;
        dlg.exec();
    }
    updater::LogWrite(1, kApp, QStringLiteral("■ Brannow.exe 작업 종료 ■"));
    updater::LogWrite(1, kApp, QString(33, QChar(0x25B2))); // ▲
    curl_global_cleanup();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::installQtKorean(app);
    return InitInstance(app);
}
