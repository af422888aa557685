// vantrelctl journal: the workstation's issuing journal. Lists its entries,
// settles what it can, and takes a person's decision on an uncertain tag.
#include "main/cli/Command.h"
#include "main/cli/SearchOptions.h"
#include "main/database/DbConn.h"
#include "main/journal/Reconcile.h"

#include <QDate>

namespace {

const QString kName = QStringLiteral("journal");

int list(const cli::Options& o, journal::Journal& j) {
    journal::Filter f;
    f.pendingOnly = o.has(QStringLiteral("pending"));
    if (o.has(QStringLiteral("since"))) {
        f.from = QDate::fromString(o.value(QStringLiteral("since")), QStringLiteral("yyyyMMdd"));
        if (!f.from.isValid())
            return cli::usageError(kName, QStringLiteral("--since is a date YYYYMMDD"));
    }
    for (const journal::Entry& e : j.entries(f))
        cli::out(journal::entryLine(e));
    return cli::kOk;
}

// Settles the journal against the database of the settings; exit 0 when no
// entry needs a person any more.
int reconcile(journal::Journal& j) {
    if (!cli::openSettingsDatabase(kName))
        return cli::kFailed;
    const journal::Settlement s = journal::reconcile(j, {});
    database::gDbConn.close();
    for (const journal::Entry& e : s.recorded)
        cli::out(QStringLiteral("recorded\t") + journal::entryLine(e));
    for (const journal::Entry& e : s.uncertain)
        cli::out(QStringLiteral("uncertain\t") + journal::entryLine(e));
    for (qsizetype i = 0; i < s.unsettled.size(); ++i)
        cli::out(QStringLiteral("unsettled\t") + journal::entryLine(s.unsettled[i]) + QLatin1Char('\t') +
                 s.problems[i]);
    return s.clean() ? cli::kOk : cli::kFailed;
}

int decide(const QString& action, const QString& tagId, journal::Journal& j) {
    QString problem;
    bool done = false;
    if (action == QLatin1String("void")) {
        done = journal::voidByPerson(j, tagId, &problem);
    } else {
        if (!cli::openSettingsDatabase(kName))
            return cli::kFailed;
        done = journal::recordByPerson(j, tagId, {}, &problem);
        database::gDbConn.close();
    }
    if (!done) {
        cli::err(QStringLiteral("vantrelctl journal %1: %2").arg(action, problem));
        return cli::kFailed;
    }
    cli::out(journal::entryLine(*j.byTag(tagId)));
    return cli::kOk;
}

int runJournal(const QStringList& args) {
    const cli::Options o(args, {QStringLiteral("since")}, {QStringLiteral("pending")});
    if (!o.ok())
        return cli::usageError(kName, o.error());
    const QStringList p = o.positional();
    const QString action = p.value(0);
    const bool decision = action == QLatin1String("record") || action == QLatin1String("void");
    if (!(p.isEmpty() || (action == QLatin1String("reconcile") && p.size() == 1) ||
          (decision && p.size() == 2)))
        return cli::usageError(kName, QStringLiteral("give nothing, reconcile, record TAGID or void TAGID"));
    cli::installPrintingOperator();
    std::unique_ptr<journal::Journal> j = journal::openProgramJournal();
    if (!j)
        return cli::kFailed;
    if (p.isEmpty())
        return list(o, *j);
    if (action == QLatin1String("reconcile"))
        return reconcile(*j);
    return decide(action, p[1], *j);
}

const cli::CommandRegistration
    reg({kName,
         QStringLiteral("[--pending] [--since YYYYMMDD] | reconcile | record TAGID | "
                        "void TAGID"),
         QStringLiteral("list, settle and decide the tags of the issuing journal"), runJournal});

} // namespace
