// Vantrel, the main program: one copy per workstation, the login window
// first, the main window after a successful login.
#include "main/shell/StartUp.h"
#include "main/shell/WidgetOperator.h"
#include "platform/ProgramDir.h"
#include "platform/QtKorean.h"
#include "platform/SingleInstance.h"
#include "platform/StopSignals.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    // The program closes its windows itself, after asking (EndProgram).
    QApplication::setQuitOnLastWindowClosed(false);
    platform::setProgramDir(QCoreApplication::applicationDirPath());
    platform::installQtKorean(app);

    shell::WidgetOperator op;
    core::setCurrentOperator(&op);
    platform::SingleInstance instance(QStringLiteral("Vantrel"));
    // SIGINT and SIGTERM end the program as the login window's cancel does:
    // a run first ends after its current tag.
    const platform::StopSignals stopSignals([](int) { shell::EndProgram(); });
    const int code = shell::Main(instance, op);
    if (code >= 0)
        return code;
    const int result = QApplication::exec();
    return stopSignals.received() ? stopSignals.exitCode() : result;
}
