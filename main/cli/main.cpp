// vantrelctl: the command-line companion of the main program, for support and
// automation. Global option: --dir DIR (the program directory; default: the
// folder of this executable).
#include "main/cli/Command.h"
#include "main/core/Operator.h"
#include "main/database/DbConn.h"
#include "platform/ProgramDir.h"
#include "platform/RuntimeError.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif
#include <QMap>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace cli {

namespace {
QList<Command>& table() {
    static QList<Command> t;
    return t;
}
// Prints every message and question on stderr as it comes and answers every
// question as the command was told to (No unless told otherwise).
class ConsoleOperator : public core::Operator {
public:
    void showMessage(const QString& text) override {
        shown.append(text);
        QString t = text;
        t.replace(QStringLiteral("\r\n"), QStringLiteral(" / "));
        t.replace(QLatin1Char('\n'), QStringLiteral(" / "));
        t.replace(QLatin1Char('\r'), QStringLiteral(" / "));
        err(QStringLiteral("message: ") + t);
    }
    bool askYesNo(const QString& text) override {
        showMessage(text);
        err(answerYes ? QStringLiteral("answer: yes") : QStringLiteral("answer: no"));
        return answerYes;
    }
    void setWaitCursor(bool) override {}
    void setFocus(const QString&) override {}
    QStringList shown;
    bool answerYes = false;
};
ConsoleOperator& printingOperator() {
    static ConsoleOperator op;
    return op;
}
} // namespace

void answerQuestions(bool yes) {
    printingOperator().answerYes = yes;
}

CommandRegistration::CommandRegistration(Command c) {
    table().append(std::move(c));
}

const QList<Command>& commands() {
    return table();
}

void out(const QString& line) {
    const QByteArray b = line.toUtf8() + '\n';
    fwrite(b.constData(), 1, static_cast<size_t>(b.size()), stdout);
    fflush(stdout);
}

void err(const QString& line) {
    const QByteArray b = line.toUtf8() + '\n';
    fwrite(b.constData(), 1, static_cast<size_t>(b.size()), stderr);
    fflush(stderr);
}

int usageError(const QString& command, const QString& problem) {
    err(QStringLiteral("vantrelctl %1: %2").arg(command, problem));
    for (const Command& c : commands())
        if (c.name == command)
            err(QStringLiteral("usage: vantrelctl [--dir DIR] %1 %2").arg(c.name, c.usage));
    return kUsage;
}

int reportingFailures(const QString& command, const std::function<int()>& work) {
    int code = kFailed;
    try {
        code = work();
    } catch (const platform::RuntimeError& e) {
        err(QStringLiteral("vantrelctl %1: %2").arg(command, e.text()));
    }
    if (database::gDbConn.isOpen())
        database::gDbConn.close();
    return code;
}

void installPrintingOperator() {
    core::setCurrentOperator(&printingOperator());
}

QStringList shownMessages() {
    return printingOperator().shown;
}

QString Options::problemWithoutPositional() const {
    if (!ok() || m_positional.isEmpty())
        return m_error;
    return QStringLiteral("unexpected argument %1").arg(m_positional.first());
}

Options::Options(const QStringList& args, const QStringList& valueOptions, const QStringList& flags) {
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a.startsWith(QLatin1String("--")) && a.size() > 2) {
            const QString name = a.mid(2);
            if (valueOptions.contains(name)) {
                if (i + 1 >= args.size()) {
                    m_error = QStringLiteral("option --%1 needs a value").arg(name);
                    return;
                }
                m_values.insert(name, args[++i]);
            } else if (flags.contains(name)) {
                m_values.insert(name, QString());
            } else {
                m_error = QStringLiteral("unknown option %1").arg(a);
                return;
            }
        } else {
            m_positional.append(a);
        }
    }
}

} // namespace cli

namespace {
// Asked for, the help goes to standard output; after a usage error, to
// standard error.
void printHelp(bool asked = false) {
    const auto print = asked ? cli::out : cli::err;
    print(QStringLiteral("usage: vantrelctl [--dir DIR] COMMAND [ARGS]\n"
                         "       vantrelctl COMMAND --help\ncommands:"));
    for (const cli::Command& c : cli::commands())
        print(QStringLiteral("  %1 %2\n      %3").arg(c.name, c.usage, c.summary));
}
bool isHelp(const QString& arg) {
    return arg == QLatin1String("--help") || arg == QLatin1String("-h");
}
} // namespace

int main(int argc, char** argv) {
#ifdef Q_OS_WIN
    // Lines end in LF on every system: scripts compare this output with the
    // Linux build's.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    // Drawing a label needs fonts, which only a GUI application has; the
    // other commands run without one (and without a display).
    bool drawing = false;
    for (int i = 1; i < argc; ++i)
        drawing = drawing || QByteArray(argv[i]) == "preview";
    if (drawing && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::unique_ptr<QCoreApplication> application =
        drawing ? std::make_unique<QGuiApplication>(argc, argv)
                : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& app = *application;
    QStringList args = app.arguments().mid(1);
    QString dir = QCoreApplication::applicationDirPath();
    while (!args.isEmpty() && args.first().startsWith(QLatin1Char('-'))) {
        const QString opt = args.takeFirst();
        if (opt == QLatin1String("--dir")) {
            if (args.isEmpty()) {
                printHelp();
                return cli::kUsage;
            }
            dir = args.takeFirst();
        } else if (isHelp(opt)) {
            printHelp(true);
            return cli::kOk;
        } else {
            cli::err(QStringLiteral("vantrelctl: unknown option %1").arg(opt));
            printHelp();
            return cli::kUsage;
        }
    }
    if (!QDir(dir).exists()) {
        cli::err(QStringLiteral("vantrelctl: program directory %1 does not exist").arg(dir));
        return cli::kFailed;
    }
    platform::setProgramDir(dir);
    if (args.isEmpty()) {
        printHelp();
        return cli::kUsage;
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("help")) {
        printHelp(true);
        return cli::kOk;
    }
    for (const cli::Command& c : cli::commands()) {
        if (c.name != name)
            continue;
        if (std::any_of(args.begin(), args.end(), isHelp)) {
            cli::out(
                QStringLiteral("usage: vantrelctl [--dir DIR] %1 %2\n%3").arg(c.name, c.usage, c.summary));
            return cli::kOk;
        }
        return c.run(args);
    }
    cli::err(QStringLiteral("vantrelctl: unknown command %1").arg(name));
    printHelp();
    return cli::kUsage;
}
