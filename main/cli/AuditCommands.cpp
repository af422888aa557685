// Inventory audit commands: audit reconciles a reader's scan against the
// register (and lists and compares stored audits), scan-sim writes a
// training scan from the database.
#include "main/audit/AuditExport.h"
#include "main/audit/AuditStore.h"
#include "main/audit/Reconcile.h"
#include "main/audit/ScanSim.h"
#include "main/cli/Command.h"
#include "main/cli/SearchOptions.h"
#include "main/core/FailureReport.h"
#include "main/database/DbConn.h"
#include "platform/RuntimeError.h"

#include <QDate>
#include <QFileInfo>
#include <cstdio>

namespace {

using audit::Category;

// The search options that set a scope (the issue state and order do not).
QStringList scopeOptions() {
    QStringList names = cli::searchValueOptions();
    names.removeAll(QStringLiteral("state"));
    names.removeAll(QStringLiteral("sort"));
    return names;
}

QString scopeUsage() {
    return QStringLiteral(
        "[--from YYYYMMDD] [--to YYYYMMDD] [--dept CODE] [--cat-no X] [--purc-sno X] [--name X] "
        "[--amount-from N] [--amount-to N]");
}

// An audit counts every asset of its scope, tagged or not, in no order: the
// search's issue state and sort are refused rather than ignored.
bool stateOrSortGiven(const QStringList& args, QString& problem) {
    for (const QString& a : args)
        if (a == QLatin1String("--state") || a == QLatin1String("--sort")) {
            problem = QStringLiteral("%1 does not apply: the scope takes every issue state").arg(a);
            return true;
        }
    return false;
}

bool readScope(const cli::Options& o, audit::AuditScope& scope, QString& problem) {
    database::SearchConditions c;
    if (!cli::readSearchOptions(o, c, problem))
        return false;
    const QString dept = o.value(QStringLiteral("dept"), QStringLiteral("00"));
    if (dept.contains(QLatin1Char('(')) || dept.contains(QLatin1Char(')'))) {
        problem = QStringLiteral("--dept takes a department code");
        return false;
    }
    c.CboDept = QLatin1Char('(') + dept + QLatin1Char(')');
    scope = audit::AuditScope::fromConditions(c, QDate::currentDate());
    if (!o.has(QStringLiteral("to")))
        scope.toYmd.clear();
    return true;
}

QByteArray rowLine(const QString& category, const audit::AuditRow& r) {
    QByteArray line = category.toUtf8();
    for (const QString* f : {r.tagId.isEmpty() ? &r.epc : &r.tagId, &r.purcSno, &r.deptCode})
        line += '\t' + f->toUtf8();
    if (!r.note.isEmpty())
        line += '\t' + r.note.toUtf8();
    return line + '\n';
}

void printRow(const QString& category, const audit::AuditRow& r) {
    const QByteArray line = rowLine(category, r);
    fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
}

int runAudit(const QStringList& args) {
    const QString cmd = QStringLiteral("audit");
    QStringList values = scopeOptions();
    values << QStringLiteral("out") << QStringLiteral("user");
    const cli::Options o(args, values, {QStringLiteral("save")});
    QString problem;
    if (stateOrSortGiven(args, problem))
        return cli::usageError(cmd, problem);
    if (!o.ok())
        return cli::usageError(cmd, o.error());
    if (o.positional().size() != 1)
        return cli::usageError(cmd, QStringLiteral("give one scan file"));
    audit::AuditScope scope;
    if (!readScope(o, scope, problem))
        return cli::usageError(cmd, problem);
    const QString out = o.value(QStringLiteral("out"));
    if (o.has(QStringLiteral("out")) && !out.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive))
        return cli::usageError(cmd, QStringLiteral("--out names an .xls file"));

    audit::ScanFile scan;
    try {
        scan = audit::readScanFile(o.positional().first());
    } catch (const platform::RuntimeError& e) {
        cli::err(QStringLiteral("vantrelctl audit: ") + e.text());
        return cli::kUsage;
    }
    cli::installPrintingOperator();
    if (!cli::openSettingsDatabase(cmd))
        return cli::kUsage;
    try {
        const audit::AuditResult result = audit::reconcile(database::gDbConn, scan, scope);
        // Lines written a block at a time: a million assets print in a moment.
        QByteArray text;
        for (const auto& rows : result.rows)
            for (const audit::AuditRow& r : rows) {
                text += rowLine(audit::categoryName(r.category), r);
                if (text.size() > (1 << 16)) {
                    fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
                    text.clear();
                }
            }
        fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
        cli::out(result.summary());
        if (!out.isEmpty()) {
            QString error;
            if (!audit::exportAudit(out, result, audit::itemNames(database::gDbConn), &error))
                throw platform::RuntimeError(QStringLiteral("%1: %2").arg(out, error));
        }
        if (o.has(QStringLiteral("save"))) {
            QString user = o.value(QStringLiteral("user"), qEnvironmentVariable("USER"));
            if (user.isEmpty())
                user = QStringLiteral("vantrelctl");
            const int no = audit::saveAudit(database::gDbConn, user, scope, scan, result);
            cli::err(QStringLiteral("saved as audit %1").arg(no));
        }
        database::gDbConn.close();
        return result.clean() ? cli::kOk : cli::kFailed;
    } catch (const platform::RuntimeError& e) {
        cli::err(QStringLiteral("vantrelctl audit: ") + core::operatorText(e.text()));
        database::gDbConn.close();
        return cli::kUsage;
    }
}

int listAudits() {
    cli::installPrintingOperator();
    if (!cli::openSettingsDatabase(QStringLiteral("audit")))
        return cli::kUsage;
    return cli::reportingFailures(QStringLiteral("audit list"), [&] {
        QStringList head = {QStringLiteral("audit"), QStringLiteral("when"), QStringLiteral("user"),
                            QStringLiteral("scope"), QStringLiteral("file"), QStringLiteral("reads")};
        for (int c = 0; c < audit::kCategoryCount; ++c)
            head << audit::categoryName(static_cast<Category>(c));
        cli::out(head.join(QLatin1Char('\t')));
        for (const audit::AuditHeader& h : audit::listAudits(database::gDbConn)) {
            QStringList f = {QString::number(h.auditNo), h.when, h.user, h.scope, h.fileName,
                             QString::number(h.reads)};
            for (int n : h.counts)
                f << QString::number(n);
            cli::out(f.join(QLatin1Char('\t')));
        }
        return cli::kOk;
    });
}

int compare(const QStringList& ids) {
    const QString cmd = QStringLiteral("audit");
    if (ids.isEmpty() || ids.size() > 2)
        return cli::usageError(cmd, QStringLiteral("compare takes one or two audit numbers"));
    int a = 0, b = 0;
    bool okA = false, okB = true;
    a = ids.last().toInt(&okA);
    if (ids.size() == 2) {
        b = a;
        a = ids.first().toInt(&okB);
    }
    if (!okA || !okB)
        return cli::usageError(cmd, QStringLiteral("audit numbers are whole numbers"));
    cli::installPrintingOperator();
    if (!cli::openSettingsDatabase(cmd))
        return cli::kUsage;
    return cli::reportingFailures(QStringLiteral("audit compare"), [&] {
        if (ids.size() == 1) {
            b = a;
            a = audit::previousAudit(database::gDbConn, b);
            if (a == 0) {
                cli::err(
                    QStringLiteral("vantrelctl audit compare: audit %1 has no earlier audit of its scope")
                        .arg(b));
                return cli::kFailed;
            }
        }
        const audit::AuditComparison c = audit::compareAudits(database::gDbConn, a, b);
        for (const audit::AuditRow& r : c.missingTwice)
            printRow(QStringLiteral("missing-twice"), r);
        for (const audit::AuditRow& r : c.foundAgain)
            printRow(QStringLiteral("found-again"), r);
        cli::out(QStringLiteral("compare: audit %1 with %2, %3 missing twice, %4 found again")
                     .arg(a)
                     .arg(b)
                     .arg(c.missingTwice.size())
                     .arg(c.foundAgain.size()));
        return cli::kOk;
    });
}

int auditCommand(const QStringList& args) {
    if (args.value(0) == QLatin1String("list") && args.size() == 1)
        return listAudits();
    if (args.value(0) == QLatin1String("compare"))
        return compare(args.mid(1));
    return runAudit(args);
}

int scanSim(const QStringList& args) {
    const QString cmd = QStringLiteral("scan-sim");
    QStringList values = scopeOptions();
    values << QStringLiteral("out") << QStringLiteral("share") << QStringLiteral("elsewhere")
           << QStringLiteral("withdrawn") << QStringLiteral("unknown") << QStringLiteral("foreign")
           << QStringLiteral("repeats") << QStringLiteral("reads") << QStringLiteral("seed")
           << QStringLiteral("format");
    const cli::Options o(args, values);
    if (!o.ok())
        return cli::usageError(cmd, o.error());
    if (!o.positional().isEmpty() || !o.has(QStringLiteral("out")))
        return cli::usageError(cmd, QStringLiteral("give --out FILE"));
    audit::ScanSimOptions s;
    QString problem;
    if (!readScope(o, s.scope, problem))
        return cli::usageError(cmd, problem);
    bool ok = true;
    auto count = [&](const char* name, int& v) {
        if (!o.has(QLatin1String(name)))
            return;
        bool good = false;
        v = o.value(QLatin1String(name)).toInt(&good);
        if (!good || v < 0) {
            ok = false;
            problem = QStringLiteral("--%1 needs a whole number >= 0").arg(QLatin1String(name));
        }
    };
    count("elsewhere", s.elsewhere);
    count("withdrawn", s.withdrawn);
    count("unknown", s.unknown);
    count("foreign", s.foreign);
    count("repeats", s.maxRepeats);
    count("reads", s.reads);
    int seed = 1;
    count("seed", seed);
    s.seed = static_cast<quint32>(seed);
    if (o.has(QStringLiteral("share"))) {
        bool good = false;
        s.share = o.value(QStringLiteral("share")).toDouble(&good);
        if (!good || s.share < 0 || s.share > 1) {
            ok = false;
            problem = QStringLiteral("--share is a number from 0 to 1");
        }
    }
    if (!ok)
        return cli::usageError(cmd, problem);
    const QString path = o.value(QStringLiteral("out"));
    const QString suffix = QFileInfo(path).suffix().toLower();
    const QString format = o.value(QStringLiteral("format"),
                                   suffix == QLatin1String("txt")   ? QStringLiteral("txt")
                                   : suffix == QLatin1String("xls") ? QStringLiteral("xls")
                                   : suffix == QLatin1String("json") || suffix == QLatin1String("jsonld")
                                       ? QStringLiteral("epcis")
                                       : QStringLiteral("csv"));
    const QStringList formats = {QStringLiteral("csv"), QStringLiteral("txt"), QStringLiteral("epcis"),
                                 QStringLiteral("xls")};
    if (!formats.contains(format))
        return cli::usageError(cmd, QStringLiteral("--format is csv, txt, epcis or xls"));
    s.format = static_cast<audit::ScanFormat>(formats.indexOf(format));

    cli::installPrintingOperator();
    if (!cli::openSettingsDatabase(cmd))
        return cli::kFailed;
    return cli::reportingFailures(QStringLiteral("scan-sim"), [&] {
        const audit::ScanSimSummary sum = audit::writeSimulatedScan(database::gDbConn, s, path);
        cli::out(QStringLiteral("scan-sim: %1 reads of %2 tags in the scope, %3 elsewhere, %4 withdrawn, "
                                "%5 unknown, %6 foreign written to %7")
                     .arg(sum.reads)
                     .arg(sum.inScope)
                     .arg(sum.elsewhere)
                     .arg(sum.withdrawn)
                     .arg(sum.unknown)
                     .arg(sum.foreign)
                     .arg(path));
        return cli::kOk;
    });
}

const cli::CommandRegistration auditRegistration({
    QStringLiteral("audit"),
    QStringLiteral("FILE ") + scopeUsage() +
        QStringLiteral(" [--out FILE.xls] [--save] [--user ID] | list | compare ID [ID]"),
    QStringLiteral("reconcile a reader's scan (text, CSV, .xls, EPCIS JSON) against the register; list and "
                   "compare stored audits"),
    auditCommand,
});

const cli::CommandRegistration scanSimRegistration({
    QStringLiteral("scan-sim"),
    QStringLiteral("--out FILE ") + scopeUsage() +
        QStringLiteral(
            " [--share X] [--elsewhere N] [--withdrawn N] [--unknown N] [--foreign N] [--repeats N] "
            "[--reads N] [--seed S] [--format csv|txt|epcis|xls]"),
    QStringLiteral("write a training scan of the database as a handheld reader exports it"),
    scanSim,
});

} // namespace
