// vantrelctl tagdata, hangul and settings: what the printer would be sent for
// an identifier or a label text, and the settings record as the main window
// loads it.
#include "main/cli/Command.h"
#include "main/core/FailureReport.h"
#include "main/core/Operator.h"
#include "main/settings/SetupData.h"
#include "main/tagdata/TagData.h"
#include "platform/RuntimeError.h"

#include <QRegularExpression>

namespace cli {
namespace {

int runTagData(const QStringList& args) {
    Options o(args, {QStringLiteral("prefix")});
    if (!o.ok())
        return usageError(QStringLiteral("tagdata"), o.error());
    if (o.positional().size() < 2 || o.positional().size() > 3)
        return usageError(QStringLiteral("tagdata"), QStringLiteral("needs ORGCODE and SERIAL"));
    const QString prefix = o.value(QStringLiteral("prefix"), QLatin1String(tagdata::kTagPrefix));
    static const QRegularExpression hexDigits(QStringLiteral("^[0-9A-Fa-f]*$"));
    if (!hexDigits.match(prefix).hasMatch())
        return usageError(QStringLiteral("tagdata"), QStringLiteral("--prefix must be hexadecimal digits"));
    const QString suffix = o.positional().size() == 3 ? o.positional()[2] : QStringLiteral("01");
    return reportingFailures(QStringLiteral("tagdata"), [&] {
        out(tagdata::SetTagData(prefix.toUpper(), o.positional()[0], o.positional()[1], suffix).toUpper());
        return kOk;
    });
}

int runHangul(const QStringList& args) {
    if (args.size() != 1)
        return usageError(QStringLiteral("hangul"), QStringLiteral("needs one TEXT"));
    return reportingFailures(QStringLiteral("hangul"), [&] {
        out(QString::fromLatin1(tagdata::GetHangul(args[0]).toHex().toUpper()));
        return kOk;
    });
}

int runSettings(const QStringList& args) {
    if (!args.isEmpty())
        return usageError(QStringLiteral("settings"), QStringLiteral("takes no arguments"));
    installPrintingOperator();
    settings::SetupData d;
    settings::MainSelections sel;
    const bool loaded = settings::GetSetupData(d, sel, core::currentOperator());
    const auto line = [](const char* name, const QString& value) { out(QLatin1String(name) + '=' + value); };
    const auto num = [&](const char* name, int value) { line(name, QString::number(value)); };
    num("nTotHeight", d.nTotHeight);
    num("nLabelHeight", d.nLabelHeight);
    num("nLabelWidth", d.nLabelWidth);
    num("nPrtX", d.nPrtX);
    num("nPrtY", d.nPrtY);
    line("sDensity", d.sDensity);
    line("sFeeding", d.sFeeding);
    line("sSerialNo", d.sSerialNo);
    num("nComPort", d.nComPort);
    line("sSensorType", d.sSensorType);
    line("sPrinterType", d.sPrinterType);
    line("sNotice", d.sNotice);
    line("sConnKind", d.sConnKind);
    line("sPrinterIP", d.sPrinterIP);
    line("sPrinterPort", d.sPrinterPort);
    line("sDetailLog", d.sDetailLog);
    num("fastStatus", d.fastStatus ? 1 : 0);
    num("CboTag", sel.CboTag);
    num("CboPrintType", sel.CboPrintType);
    num("optConn", sel.optConn);
    return loaded ? kOk : kFailed;
}

CommandRegistration tagDataCommand(
    {QStringLiteral("tagdata"), QStringLiteral("ORGCODE SERIAL [SUFFIX] [--prefix HEX]"),
     QStringLiteral("prints the tag data written into the inlay (upper-case hex)"), runTagData});
CommandRegistration
    hangulCommand({QStringLiteral("hangul"), QStringLiteral("TEXT"),
                   QStringLiteral("prints the double-byte form of a label text as hex digits"), runHangul});
CommandRegistration settingsCommand(
    {QStringLiteral("settings"), QString(),
     QStringLiteral("prints the settings record loaded from the program directory"), runSettings});

} // namespace
} // namespace cli
