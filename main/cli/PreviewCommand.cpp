// vantrelctl preview: the label of one row of a search, drawn as the printer
// would print it, into a PNG file. Nothing goes to the printer and no serial
// number is taken from the sequence.
#include "main/cli/Command.h"
#include "main/cli/SearchOptions.h"
#include "main/cli/Workstation.h"
#include "main/core/FailureReport.h"
#include "main/issuing/LabelPreview.h"
#include "main/issuing/RunKind.h"

namespace {

QString usage() {
    return QStringLiteral(
               "--user ID --out FILE.png [--row N] [--label-type label|hangtag] [--kind issue|test] ") +
           cli::searchOptionsUsage();
}

int runPreview(const QStringList& args) {
    const QString name = QStringLiteral("preview");
    const cli::Options o(args,
                         cli::searchValueOptions() + QStringList{"user", "out", "row", "label-type", "kind"});
    if (const QString problem = o.problemWithoutPositional(); !problem.isEmpty())
        return cli::usageError(name, problem);
    if (!o.has(QStringLiteral("user")) || !o.has(QStringLiteral("out")))
        return cli::usageError(name, QStringLiteral("--user and --out are required"));
    bool rowOk = false;
    const int row = o.value(QStringLiteral("row"), QStringLiteral("1")).toInt(&rowOk);
    if (!rowOk || row < 1)
        return cli::usageError(name, QStringLiteral("--row is a row number from 1"));
    const QStringList labelTypes = {QStringLiteral("label"), QStringLiteral("hangtag")};
    const qsizetype labelType = labelTypes.indexOf(o.value(QStringLiteral("label-type"), labelTypes[0]));
    if (labelType < 0)
        return cli::usageError(name, QStringLiteral("--label-type is label or hangtag"));
    const QStringList kinds = {QStringLiteral("issue"), QStringLiteral("test")};
    const qsizetype kind = kinds.indexOf(o.value(QStringLiteral("kind"), kinds[0]));
    if (kind < 0)
        return cli::usageError(name, QStringLiteral("--kind is issue or test"));
    database::SearchConditions conditions;
    cli::Workstation ws;
    if (const int rc = ws.openForCommand(name, o, conditions, static_cast<int>(labelType), false); rc >= 0)
        return rc;
    cli::runSearch(o, conditions, ws.grid);
    if (row > ws.grid.rows()) {
        cli::err(QStringLiteral("vantrelctl preview: the search found %1 rows, no row %2")
                     .arg(ws.grid.rows())
                     .arg(row));
        return cli::kFailed;
    }
    try {
        const issuing::LabelPreview preview =
            issuing::previewLabel(ws.ctx, row, kind == 0 ? issuing::kIssue : issuing::kTestIssue);
        const QString out = o.value(QStringLiteral("out"));
        if (!issuing::previewImage(preview).save(out, "PNG")) {
            cli::err(QStringLiteral("vantrelctl preview: %1 cannot be written").arg(out));
            return cli::kFailed;
        }
        cli::err(
            QStringLiteral("row %1: %2%3 -> %4")
                .arg(row)
                .arg(preview.tagId, preview.placeholder ? QStringLiteral(" (placeholder)") : QString(), out));
        return cli::kOk;
    } catch (const std::exception& e) {
        cli::err(QStringLiteral("vantrelctl preview: the label of row %1 cannot be made: %2")
                     .arg(row)
                     .arg(core::errorText(e)));
        return cli::kFailed;
    }
}

const cli::CommandRegistration reg({QStringLiteral("preview"), usage(),
                                    QStringLiteral("draw the label of a row of a search into a PNG file"),
                                    runPreview});

} // namespace
