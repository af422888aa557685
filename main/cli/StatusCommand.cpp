// vantrelctl status: opens the configured printer connection as the main
// window does, asks the printer for its status once and prints the code and
// its meaning. Exit code 0 when the printer is ready, 1 otherwise.
#include "main/cli/Command.h"
#include "main/core/Operator.h"
#include "main/printerlink/PrinterLink.h"
#include "main/printerlink/StatusCodes.h"
#include "main/settings/SetupData.h"

namespace {

int runStatus(const QStringList& args) {
    if (!args.isEmpty())
        return cli::usageError(QStringLiteral("status"), QStringLiteral("takes no arguments"));
    cli::installPrintingOperator();
    settings::SetupData setup;
    settings::MainSelections selections;
    // A settings file that stops the loading has shown its message; the
    // fields read so far are used, as the main window does.
    settings::GetSetupData(setup, selections, core::currentOperator());

    printerlink::RunState run;
    printerlink::PrinterLink link(setup, run);
    if (!link.fncRsOpen()) {
        cli::out(QStringLiteral("printer not reachable"));
        return cli::kFailed;
    }
    const bool ready = link.CheckPrint(0);
    link.fncRsClose();
    const QString code = link.lastStatusCode();
    if (code.isEmpty())
        cli::out(QStringLiteral("no status answer"));
    else
        cli::out(QStringLiteral("status %1: %2").arg(code, printerlink::statusMeaning(code)));
    return ready ? cli::kOk : cli::kFailed;
}

const cli::CommandRegistration
    reg({QStringLiteral("status"), QString(),
         QStringLiteral("ask the configured printer for its status (exit 0 when ready)"), runStatus});

} // namespace
