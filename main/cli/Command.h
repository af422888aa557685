#pragma once
// vantrelctl's command table. A command file registers itself with a static
// CommandRegistration; main.cpp parses the global options and dispatches.
#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>

namespace cli {

// Exit codes: 0 success, 1 failure (message on stderr), 2 usage error.
inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

struct Command {
    QString name;
    QString usage;   // one line: arguments and options after the command name
    QString summary; // one line
    std::function<int(const QStringList& args)> run;
};

struct CommandRegistration {
    explicit CommandRegistration(Command c);
};

const QList<Command>& commands();

// Output helpers: UTF-8 lines on stdout / stderr.
void out(const QString& line);
void err(const QString& line);
// Usage error for a command: prints its usage line, returns kUsage.
int usageError(const QString& command, const QString& problem);
// Runs a command's work, which returns the exit code. A failure it throws is
// printed as "vantrelctl COMMAND: TEXT" and gives kFailed; the database, when
// the work left it open, is closed either way.
int reportingFailures(const QString& command, const std::function<int()>& work);

// Installs an Operator that prints every message as "message: TEXT" on stderr
// (line breaks shown as " / ") and answers questions No. Returns it.
void installPrintingOperator();
// The messages shown since installPrintingOperator().
QStringList shownMessages();
// How the printing operator answers questions from now on (No by default).
void answerQuestions(bool yes);

// Small option parser: "--name value" and "--flag"; positional arguments kept.
class Options {
public:
    // valueOptions take a value, flags do not; anything else starting with
    // "--" is an error.
    Options(const QStringList& args, const QStringList& valueOptions, const QStringList& flags = {});
    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }
    // For a command that takes no positional arguments: what is wrong with
    // the options or the first such argument, empty when nothing is.
    QString problemWithoutPositional() const;
    bool has(const QString& name) const { return m_values.contains(name); }
    QString value(const QString& name, const QString& fallback = QString()) const {
        return m_values.value(name, fallback);
    }
    const QStringList& positional() const { return m_positional; }

private:
    QMap<QString, QString> m_values;
    QStringList m_positional;
    QString m_error;
};

} // namespace cli
