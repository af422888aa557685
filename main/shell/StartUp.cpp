#include "main/shell/StartUp.h"

#include "main/core/FailureReport.h"
#include "main/core/Operator.h"
#include "main/issuing/PrintJob.h"
#include "main/shell/LoginWindow.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QPointer>

namespace shell {

namespace {
QPointer<Login> g_login;
bool g_ending = false;
bool g_endAfterRun = false;
} // namespace

int Main(platform::SingleInstance& instance, core::Operator& op) {
    if (!instance.acquire()) {
        op.showMessage(QStringLiteral("이미 실행되어있습니다."));
        return 0;
    }
    try {
        ShowLogin();
    } catch (const std::exception& e) {
        op.showMessage(core::errorText(e));
        op.showMessage(QStringLiteral("데이타베이스 접속에 실패했습니다.\r\n프로그램을 종료합니다."));
        EndProgram();
        return 1;
    }
    return -1;
}

void ShowLogin() {
    issuing::gTestCount = 0;
    if (!g_login)
        g_login = new Login();
    g_login->show();
}

void EndProgram() {
    // A run ends after the tag under way; the window that started it ends
    // the program when the run has returned (endAfterRun).
    if (issuing::PrintJob* job = issuing::PrintJob::active()) {
        job->requestStop();
        g_endAfterRun = true;
        return;
    }
    g_ending = true;
    for (QWidget* w : QApplication::topLevelWidgets())
        w->close();
    if (g_login)
        g_login->deleteLater();
    QCoreApplication::quit();
}

bool endingProgram() {
    return g_ending;
}

void endIfAskedDuringRun() {
    if (g_endAfterRun && !issuing::PrintJob::active()) {
        g_endAfterRun = false;
        EndProgram();
    }
}

} // namespace shell
