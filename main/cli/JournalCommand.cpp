// vantrelctl journal: the workstation's issuing journal. Lists its entries
// (with --pending also every open claim of the database, whichever
// workstation holds it), settles what it can, and takes a person's decision
// on an uncertain tag of any workstation.
#include "main/cli/Command.h"
#include "main/cli/SearchOptions.h"
#include "main/core/FailureReport.h"
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
    QList<journal::Entry> entries = j.entries(f);
    if (f.pendingOnly && cli::openSettingsDatabase(kName)) {
        entries = journal::withOpenClaims(j, f);
        database::gDbConn.close();
    }
    for (const journal::Entry& e : entries)
        cli::out(journal::entryLine(e));
    return cli::kOk;
}

// Settles the journal against the database of the settings; exit 0 when no
// entry needs a person any more.
int reconcile(journal::Journal& j) {
    if (!cli::openSettingsDatabase(kName))
        return cli::kFailed;
    journal::Settlement s;
    try {
        s = journal::reconcile(j, {});
    } catch (const std::exception& e) {
        database::gDbConn.close();
        cli::err(QStringLiteral("vantrelctl journal reconcile: %1").arg(core::errorText(e)));
        return cli::kFailed;
    }
    database::gDbConn.close();
    for (const journal::Entry& e : s.recorded)
        cli::out(QStringLiteral("recorded\t") + journal::entryLine(e));
    for (const journal::Entry& e : s.decided)
        cli::out(QStringLiteral("decided\t") + journal::entryLine(e));
    for (const journal::Entry& e : s.elsewhere)
        cli::out(QStringLiteral("elsewhere\t") + journal::entryLine(e));
    for (const journal::Entry& e : s.uncertain)
        cli::out(QStringLiteral("uncertain\t") + journal::entryLine(e));
    for (qsizetype i = 0; i < s.unsettled.size(); ++i)
        cli::out(QStringLiteral("unsettled\t") + journal::entryLine(s.unsettled[i]) + QLatin1Char('\t') +
                 s.problems[i]);
    return s.clean() ? cli::kOk : cli::kFailed;
}

int decide(const QString& action, const QString& tagId, journal::Journal& j) {
    QString problem;
    // A tag of this journal from before claims were kept is voided without
    // the database; everything else is decided on the claim.
    const bool opened = cli::openSettingsDatabase(kName);
    if (!opened && action != QLatin1String("void"))
        return cli::kFailed;
    const bool done = action == QLatin1String("void") ? journal::voidByPerson(j, tagId, &problem)
                                                      : journal::recordByPerson(j, tagId, {}, &problem);
    database::gDbConn.close();
    if (!done) {
        cli::err(QStringLiteral("vantrelctl journal %1: %2").arg(action, problem));
        return cli::kFailed;
    }
    const std::optional<journal::Entry> e = j.byTag(tagId);
    cli::out(e ? journal::entryLine(*e)
               : QStringLiteral("%1\t%2").arg(action == QLatin1String("void") ? QStringLiteral("voided")
                                                                              : QStringLiteral("recorded"),
                                              tagId));
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
