// Vantrel, the main program: one copy per workstation, the login window
// first, the main window after a successful login.
#include "main/shell/StartUp.h"
#include "main/shell/WidgetOperator.h"
#include "platform/ProgramDir.h"
#include "platform/QtKorean.h"
#include "platform/SingleInstance.h"

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
    const int code = shell::Main(instance, op);
    if (code >= 0)
        return code;
    return QApplication::exec();
}
