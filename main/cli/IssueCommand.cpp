// vantrelctl issue: the issuing run of the main window without windows. It
// logs in with the database settings of the program directory and the given
// user id, searches, chooses the rows, runs the print job against the
// configured printer and prints every operator message; exit 0 only when the
// run ended with its completion message.
#include "main/cli/Command.h"
#include "main/cli/SearchOptions.h"
#include "main/cli/Workstation.h"
#include "main/issuing/IssueRange.h"
#include "main/issuing/IssueValues.h"
#include "main/issuing/PrintJob.h"
#include "platform/ProcessLimits.h"
#include "platform/StopSignals.h"

#include <QElapsedTimer>
#include <QRegularExpression>

namespace {

// The buttons of a run without windows: nothing to lock.
class NoButtons : public core::ButtonLock {
public:
    void DisableButtons() override {}
    void EnableButtons() override {}
};

QString usage() {
    return QStringLiteral("--user ID [--kind issue|reissue|test] [--unlock] [--yes] [--rows START-END] "
                          "[--label-type label|hangtag] ") +
           cli::searchOptionsUsage();
}

int runIssue(const QStringList& args) {
    const QString name = QStringLiteral("issue");
    const cli::Options o(args, cli::searchValueOptions() + QStringList{"user", "kind", "rows", "label-type"},
                         {QStringLiteral("unlock"), QStringLiteral("yes")});
    if (const QString problem = o.problemWithoutPositional(); !problem.isEmpty())
        return cli::usageError(name, problem);
    if (!o.has(QStringLiteral("user")))
        return cli::usageError(name, QStringLiteral("--user is required"));
    const QStringList kinds = {QStringLiteral("issue"), QStringLiteral("reissue"), QStringLiteral("test")};
    const qsizetype kind = kinds.indexOf(o.value(QStringLiteral("kind"), kinds[0]));
    if (kind < 0)
        return cli::usageError(name, QStringLiteral("--kind is issue, reissue or test"));
    const QStringList labelTypes = {QStringLiteral("label"), QStringLiteral("hangtag")};
    const qsizetype labelType = o.has(QStringLiteral("label-type"))
                                    ? labelTypes.indexOf(o.value(QStringLiteral("label-type")))
                                    : qsizetype(-2);
    if (labelType == -1)
        return cli::usageError(name, QStringLiteral("--label-type is label or hangtag"));
    QString rangeStart, rangeEnd;
    if (o.has(QStringLiteral("rows"))) {
        const auto m =
            QRegularExpression(QStringLiteral("^([^-]*)-([^-]*)$")).match(o.value(QStringLiteral("rows")));
        if (!m.hasMatch())
            return cli::usageError(name, QStringLiteral("--rows is START-END"));
        rangeStart = m.captured(1);
        rangeEnd = m.captured(2);
    }
    database::SearchConditions conditions;
    cli::Workstation ws;
    if (const int rc =
            ws.openForCommand(name, o, conditions, labelType >= 0 ? static_cast<int>(labelType) : -1,
                              o.has(QStringLiteral("unlock")));
        rc >= 0)
        return rc;
    if (!issuing::CheckSerNo(ws.setup.sSerialNo))
        return cli::kFailed;
    database::ItemGrid& grid = ws.grid;

    // The search, as the search button does it.
    const database::SearchUi searchUi = cli::runSearch(o, conditions, grid);
    issuing::RangeValues range;
    range.start = searchUi.txtStart;
    range.end = searchUi.txtEnd;
    if (grid.rows() > 0 && !rangeStart.isNull()) {
        issuing::OptPrt_Click(grid, 1, range);
        range.optPrt = 1;
        range.start = rangeStart;
        range.end = rangeEnd;
        const qsizetype shown = cli::shownMessages().size();
        issuing::cmdSE_Click(grid, range);
        // A range the rules refused leaves the ticks as they were: no run.
        if (cli::shownMessages().size() != shown)
            return cli::kFailed;
    }
    cli::err(QStringLiteral("rows: %1 found, %2 ticked").arg(grid.rows()).arg(issuing::GetPrtCnt(grid)));

    // The answer to the question before a reissue withdraws recorded tags.
    cli::answerQuestions(o.has(QStringLiteral("yes")));
    NoButtons buttons;
    issuing::PrintJob job(ws.ctx, buttons);
    // SIGINT and SIGTERM end the run after the tag under way.
    const platform::StopSignals stopSignals([&job](int) { job.requestStop(); });
    int tags = 0;
    QElapsedTimer clock;
    job.onRow = [&](const issuing::RowEvent& e) {
        if (e.elsewhere) {
            cli::err(QStringLiteral("row %1: issued elsewhere %2").arg(e.row).arg(e.tagId));
            return;
        }
        ++tags;
        cli::err(QStringLiteral("row %1: %2 %3")
                     .arg(e.row)
                     .arg(e.issued ? QStringLiteral("issued") : QStringLiteral("failed"), e.tagId));
    };
    clock.start();
    if (kind == 2)
        job.cmdTestPrint_Click();
    else
        job.Print_Pattern(static_cast<qint16>(kind + 1));
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    cli::err(QStringLiteral("run: %1 tags in %2 ms, %3 ms per tag, peak memory %4 MB")
                 .arg(tags)
                 .arg(ms, 0, 'f', 0)
                 .arg(tags ? ms / tags : 0.0, 0, 'f', 1)
                 .arg(platform::peakMemoryMegabytes(), 0, 'f', 0));
    if (stopSignals.received())
        return stopSignals.exitCode();
    return job.lastRunCompleted() ? cli::kOk : cli::kFailed;
}

const cli::CommandRegistration
    reg({QStringLiteral("issue"), usage(),
         QStringLiteral("search and run an issue, reissue or test issue without windows"), runIssue});

} // namespace
