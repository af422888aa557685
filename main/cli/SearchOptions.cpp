#include "main/cli/SearchOptions.h"

#include "main/core/FailureReport.h"
#include "main/database/DbConn.h"
#include "main/database/Departments.h"
#include "main/database/Login.h"
#include "main/settings/DbSettings.h"
#include "platform/RuntimeError.h"

#include <QRegularExpression>
#include <cstdio>

namespace cli {

namespace {

bool dateOption(const Options& o, const QString& name, QDate& date, QString& problem) {
    if (!o.has(name))
        return true;
    date = QDate::fromString(o.value(name), QStringLiteral("yyyyMMdd"));
    if (!date.isValid())
        problem = QStringLiteral("--%1 needs a date YYYYMMDD").arg(name);
    return date.isValid();
}

bool amountOption(const Options& o, const QString& name, std::optional<double>& amount, QString& problem) {
    if (!o.has(name))
        return true;
    // Whole won, as the search box takes it: "nan", "inf" or "1e308" would
    // otherwise pass as a search that finds nothing.
    constexpr qlonglong kMaxAmount = 999'999'999'999'999; // exact as a double
    bool ok = false;
    const qlonglong v = o.value(name).trimmed().toLongLong(&ok);
    if (!ok || v < 0 || v > kMaxAmount) {
        problem = QStringLiteral("--%1 needs a whole number from 0 to %2").arg(name).arg(kMaxAmount);
        return false;
    }
    amount = static_cast<double>(v);
    return true;
}

// A text option is no longer than its column and holds no control
// character: longer text could match nothing, and the database refuses a
// pattern that long.
bool textOption(const Options& o, const QString& name, qsizetype longest, QString& into, QString& problem) {
    into = o.value(name);
    bool control = false;
    for (const QChar ch : into)
        control = control || ch.unicode() < 0x20 || ch.unicode() == 0x7F;
    if (into.size() <= longest && !control)
        return true;
    problem =
        QStringLiteral("--%1 takes at most %2 characters, without control characters").arg(name).arg(longest);
    return false;
}

} // namespace

QStringList searchValueOptions() {
    return {QStringLiteral("from"),        QStringLiteral("to"),        QStringLiteral("dept"),
            QStringLiteral("cat-no"),      QStringLiteral("purc-sno"),  QStringLiteral("name"),
            QStringLiteral("amount-from"), QStringLiteral("amount-to"), QStringLiteral("state"),
            QStringLiteral("sort")};
}

QString searchOptionsUsage() {
    return QStringLiteral(
        "[--from YYYYMMDD] [--to YYYYMMDD] [--dept CODE] [--cat-no X] [--purc-sno X] [--name X] "
        "[--amount-from N] [--amount-to N] [--state pending|issued|all] [--sort sno|name|cat]");
}

bool readSearchOptions(const Options& o, database::SearchConditions& c, QString& problem) {
    if (!dateOption(o, QStringLiteral("from"), c.TDBDate2From, problem) ||
        !dateOption(o, QStringLiteral("to"), c.TDBDate2To, problem) ||
        !amountOption(o, QStringLiteral("amount-from"), c.TDBNumFrom, problem) ||
        !amountOption(o, QStringLiteral("amount-to"), c.TDBNumTo, problem))
        return false;
    const QStringList states = {QStringLiteral("pending"), QStringLiteral("issued"), QStringLiteral("all")};
    const QStringList sorts = {QStringLiteral("sno"), QStringLiteral("name"), QStringLiteral("cat")};
    c.OptSearch = static_cast<int>(states.indexOf(o.value(QStringLiteral("state"), states[0])));
    c.OptSort = static_cast<int>(sorts.indexOf(o.value(QStringLiteral("sort"), sorts[0])));
    if (c.OptSearch < 0) {
        problem = QStringLiteral("--state is pending, issued or all");
        return false;
    }
    if (c.OptSort < 0) {
        problem = QStringLiteral("--sort is sno, name or cat");
        return false;
    }
    static const QRegularExpression department(QStringLiteral("^(\\w+|[^()]*\\(\\w+\\))$"));
    if (o.has(QStringLiteral("dept")) && !department.match(o.value(QStringLiteral("dept"))).hasMatch()) {
        problem = QStringLiteral("--dept needs a department code (letters and digits), or NAME(CODE)");
        return false;
    }
    return textOption(o, QStringLiteral("cat-no"), database::kCatNoLength, c.txtCatNo, problem) &&
           textOption(o, QStringLiteral("purc-sno"), database::kPurcSnoLength, c.txtPurcSNo, problem) &&
           textOption(o, QStringLiteral("name"), database::kCatNmLength, c.txtCatNm, problem);
}

QString deptOptionText(const Options& o) {
    const QString dept = o.value(QStringLiteral("dept"), QStringLiteral("00"));
    if (dept.contains(QLatin1Char('(')))
        return dept;
    if (dept == QLatin1String("00"))
        return QString::fromUtf16(database::kAllDepartments);
    return database::GetDeptNm(dept).trimmed() + QLatin1Char('(') + dept + QLatin1Char(')');
}

database::SearchUi runSearch(const Options& o, database::SearchConditions& c, database::ItemGrid& grid) {
    c.CboDept = deptOptionText(o);
    database::SearchUi ui;
    database::cmdLoadDb(grid, c, ui);
    return ui;
}

bool openSettingsDatabase(const QString& command) {
    const settings::DbInfo account = settings::readDbInfo();
    try {
        database::openDbConn(account.sDatabase, account.sUser, account.sPassword, settings::readDbKind());
        return true;
    } catch (const platform::RuntimeError& e) {
        err(QStringLiteral("vantrelctl %1: cannot open the database: %2")
                .arg(command, core::operatorText(e.text())));
        return false;
    }
}

void printGrid(const database::ItemGrid& grid) {
    // Written in blocks as the rows are formatted: a whole register's text
    // is never held at once.
    constexpr size_t kBlock = 256 * 1024;
    std::string text = database::gridHeaders().join(QLatin1Char('\t')).toUtf8().toStdString() + '\n';
    text.reserve(kBlock + 4096);
    for (int r = 1; r <= grid.rows(); ++r) {
        for (int col = 1; col <= database::kGridColumns; ++col) {
            if (col > 1)
                text += '\t';
            grid.appendUtf8(r, col, text);
        }
        text += '\n';
        if (text.size() >= kBlock) {
            fwrite(text.data(), 1, text.size(), stdout);
            text.clear();
        }
    }
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

} // namespace cli
