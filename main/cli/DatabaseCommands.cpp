// Item database commands: init-db creates an embedded demo database, search
// runs the item search of the main window and prints the grid it fills.
#include "main/cli/Command.h"
#include "main/database/DbConn.h"
#include "main/database/DemoData.h"
#include "main/database/Departments.h"
#include "main/database/ItemSearch.h"
#include "main/database/Login.h"
#include "main/settings/DbSettings.h"
#include "platform/RuntimeError.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace {

int initDb(const QStringList& args) {
    const cli::Options o(args, {QStringLiteral("demo-rows"), QStringLiteral("seed")});
    if (!o.ok())
        return cli::usageError(QStringLiteral("init-db"), o.error());
    if (o.positional().size() != 1)
        return cli::usageError(QStringLiteral("init-db"), QStringLiteral("give one database file"));
    bool okRows = true, okSeed = true;
    const int rows = o.value(QStringLiteral("demo-rows"), QStringLiteral("500")).toInt(&okRows);
    const quint32 seed = o.value(QStringLiteral("seed"), QStringLiteral("1")).toUInt(&okSeed);
    if (!okRows || rows < 0)
        return cli::usageError(QStringLiteral("init-db"), QStringLiteral("--demo-rows needs a whole number >= 0"));
    if (!okSeed)
        return cli::usageError(QStringLiteral("init-db"), QStringLiteral("--seed needs a whole number >= 0"));
    const QString path = QFileInfo(o.positional().first()).absoluteFilePath();
    try {
        const database::DemoSummary s = database::createDemoDatabase(path, rows, seed);
        cli::out(QStringLiteral("created %1: %2 purchase records (%3 with a tag), %4 departments, %5 items, "
                                "%6 specifications, user \"%7\"")
                     .arg(QDir::toNativeSeparators(path))
                     .arg(s.purchases)
                     .arg(s.issued)
                     .arg(s.departments)
                     .arg(s.items)
                     .arg(s.specs)
                     .arg(QLatin1String(database::kDemoUser)));
        return cli::kOk;
    } catch (const platform::RuntimeError& e) {
        cli::err(QStringLiteral("vantrelctl init-db: ") + e.text());
        return cli::kFailed;
    }
}

bool dateOption(const cli::Options& o, const QString& name, QDate& date, QString& problem) {
    if (!o.has(name))
        return true;
    date = QDate::fromString(o.value(name), QStringLiteral("yyyyMMdd"));
    if (!date.isValid())
        problem = QStringLiteral("--%1 needs a date YYYYMMDD").arg(name);
    return date.isValid();
}

bool amountOption(const cli::Options& o, const QString& name, std::optional<double>& amount, QString& problem) {
    if (!o.has(name))
        return true;
    bool ok = false;
    const double v = o.value(name).toDouble(&ok);
    if (!ok) {
        problem = QStringLiteral("--%1 needs a number").arg(name);
        return false;
    }
    amount = v;
    return true;
}

void writeStdout(const QByteArray& bytes) {
    fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
    fflush(stdout);
}

int search(const QStringList& args) {
    const QString cmd = QStringLiteral("search");
    const cli::Options o(args, {QStringLiteral("from"), QStringLiteral("to"), QStringLiteral("dept"),
                                QStringLiteral("cat-no"), QStringLiteral("purc-sno"), QStringLiteral("name"),
                                QStringLiteral("amount-from"), QStringLiteral("amount-to"), QStringLiteral("state"),
                                QStringLiteral("sort")});
    if (!o.ok())
        return cli::usageError(cmd, o.error());
    if (!o.positional().isEmpty())
        return cli::usageError(cmd, QStringLiteral("unexpected argument %1").arg(o.positional().first()));

    database::SearchConditions c;
    QString problem;
    if (!dateOption(o, QStringLiteral("from"), c.TDBDate2From, problem) ||
        !dateOption(o, QStringLiteral("to"), c.TDBDate2To, problem) ||
        !amountOption(o, QStringLiteral("amount-from"), c.TDBNumFrom, problem) ||
        !amountOption(o, QStringLiteral("amount-to"), c.TDBNumTo, problem))
        return cli::usageError(cmd, problem);
    const QStringList states = {QStringLiteral("pending"), QStringLiteral("issued"), QStringLiteral("all")};
    const QStringList sorts = {QStringLiteral("sno"), QStringLiteral("name"), QStringLiteral("cat")};
    c.OptSearch = static_cast<int>(states.indexOf(o.value(QStringLiteral("state"), states[0])));
    c.OptSort = static_cast<int>(sorts.indexOf(o.value(QStringLiteral("sort"), sorts[0])));
    if (c.OptSearch < 0)
        return cli::usageError(cmd, QStringLiteral("--state is pending, issued or all"));
    if (c.OptSort < 0)
        return cli::usageError(cmd, QStringLiteral("--sort is sno, name or cat"));
    c.txtCatNo = o.value(QStringLiteral("cat-no"));
    c.txtPurcSNo = o.value(QStringLiteral("purc-sno"));
    c.txtCatNm = o.value(QStringLiteral("name"));

    cli::installPrintingOperator();
    const settings::DbInfo account = settings::readDbInfo();
    try {
        database::openDbConn(account.sDatabase, account.sUser, account.sPassword, settings::readDbKind());
    } catch (const platform::RuntimeError& e) {
        cli::err(QStringLiteral("vantrelctl search: cannot open the database: ") + e.text());
        return cli::kFailed;
    }

    // A department is given by its code, or as the list shows it: "name(code)".
    const QString dept = o.value(QStringLiteral("dept"), QStringLiteral("00"));
    if (dept.contains(QLatin1Char('(')))
        c.CboDept = dept;
    else if (dept == QLatin1String("00"))
        c.CboDept = QString::fromUtf16(database::kAllDepartments);
    else
        c.CboDept = database::GetDeptNm(dept).trimmed() + QLatin1Char('(') + dept + QLatin1Char(')');

    database::ItemGrid grid;
    database::SearchUi ui;
    database::cmdLoadDb(grid, c, ui);

    QByteArray text = database::gridHeaders().join(QLatin1Char('\t')).toUtf8() + '\n';
    for (int r = 1; r <= grid.rows(); ++r) {
        for (int col = 1; col <= database::kGridColumns; ++col) {
            if (col > 1)
                text += '\t';
            text += grid.text(r, col).toUtf8();
        }
        text += '\n';
    }
    writeStdout(text);
    database::gDbConn.close();
    return grid.rows() > 0 ? cli::kOk : cli::kFailed;
}

const cli::CommandRegistration initDbCommand({
    QStringLiteral("init-db"),
    QStringLiteral("FILE [--demo-rows N] [--seed S]"),
    QStringLiteral("create an embedded item database with the schema and N demo purchase records (default 500)"),
    initDb,
});

const cli::CommandRegistration searchCommand({
    QStringLiteral("search"),
    QStringLiteral("[--from YYYYMMDD] [--to YYYYMMDD] [--dept CODE] [--cat-no X] [--purc-sno X] [--name X] "
                   "[--amount-from N] [--amount-to N] [--state pending|issued|all] [--sort sno|name|cat]"),
    QStringLiteral("search the item database of the program directory's settings and print the result grid"),
    search,
});

} // namespace
