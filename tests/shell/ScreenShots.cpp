// Pictures of the windows for a visual check of captions and layout: run
// under a display (for example xvfb-run) with a Korean font installed:
//   xvfb-run -a -s "-screen 0 1400x900x24" shell-screenshots OUTDIR
// Writes login.png, main.png (after a search and a run of three labels),
// main-smallest.png (the main window at its smallest size, which must fit a
// 1,024 x 768 screen), exit-question.png, open-dialog.png, save-dialog.png
// (Qt's own dialogs, in Korean), preview-issued.png, preview-pending.png
// (the label preview), history.png, audit.png and audit-foreign.png (the
// inventory audit of a training scan) and dbsetup.png into OUTDIR.
#include "main/audit/ScanSim.h"
#include "main/database/DbConn.h"
#include "main/database/SpreadsheetExport.h"
#include "main/database/SpreadsheetImport.h"
#include "main/shell/AuditWindow.h"
#include "main/shell/LoginWindow.h"
#include "main/shell/PreviewWindow.h"
#include "main/shell/RPMain.h"
#include "main/shell/WidgetOperator.h"
#include "main/shell/settings/DbSetupWindow.h"
#include "platform/QtKorean.h"
#include "tests/support/IssueRig.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <cstdio>

namespace {

bool shoot(QWidget* window, const QString& file) {
    window->raise();
    window->activateWindow();
    QTest::qWait(400);
    QScreen* screen = window->screen();
    const QRect frame = window->frameGeometry().adjusted(-2, -2, 2, 2);
    const QPixmap shot = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    const bool ok = shot.save(file);
    const QRect area = screen->geometry();
    std::printf("%s %s (%dx%d at %d,%d%s)\n", ok ? "wrote" : "could not write", qPrintable(file),
                shot.width(), shot.height(), frame.x(), frame.y(),
                area.contains(frame.adjusted(2, 2, -2, -2)) ? "" : ", off screen");
    return ok;
}

// Shoots the modal dialog that open() shows, then closes it.
bool shootModal(const std::function<void()>& open, const QString& file) {
    bool ok = false;
    QTimer::singleShot(800, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            ok = shoot(dialog, file);
            dialog->close();
        }
    });
    open();
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    platform::installQtKorean(app);
    if (argc < 2) {
        std::fprintf(stderr, "usage: shell-screenshots OUTDIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    testsupport::IssueRig rig;
    if (!rig.start(60)) {
        std::fprintf(stderr, "%s\n", qPrintable(rig.problem()));
        return 1;
    }
    database::gDbConn.close();
    bool ok = true;

    shell::Login login;
    login.show();
    login.findChild<QLineEdit*>(QStringLiteral("txtID"))->setText(QStringLiteral("demo"));
    ok = shoot(&login, out + QStringLiteral("/login.png")) && ok;

    login.cmdOK_Click();
    shell::RPMain* main = login.mainWindow();
    if (!main) {
        std::fprintf(stderr, "login failed: %s\n", qPrintable(rig.op.messages.join(QLatin1Char('|'))));
        return 1;
    }
    main->cmdLoad_Click();
    main->vaSpread1().setAllTicked(false);
    for (int r = 1; r <= 3; ++r)
        main->vaSpread1().setTicked(r, true);
    main->cmdPrint_Click();
    ok = shoot(main, out + QStringLiteral("/main.png")) && ok;
    const QSize normal = main->size();
    main->resize(main->minimumSizeHint());
    std::printf("main window smallest size %dx%d\n", main->width(), main->height());
    ok = shoot(main, out + QStringLiteral("/main-smallest.png")) && ok;
    main->resize(normal);

    shell::WidgetOperator widgets;
    ok = shootModal([&] { widgets.askToExit(QStringLiteral("프로그램을 종료하시겠습니까?")); },
                    out + QStringLiteral("/exit-question.png")) &&
         ok;
    ok = shootModal(
             [&] {
                 QFileDialog::getOpenFileName(main, QString::fromUtf16(database::kImportDialogTitle),
                                              rig.dir.path(),
                                              database::qtDialogFilter(database::kImportDialogFilter));
             },
             out + QStringLiteral("/open-dialog.png")) &&
         ok;
    ok = shootModal(
             [&] {
                 QFileDialog::getSaveFileName(main, QString::fromUtf16(database::kExportDialogTitle),
                                              QDir(rig.dir.path()).filePath(database::proposedExportName()),
                                              database::qtDialogFilter(database::kExportDialogFilter));
             },
             out + QStringLiteral("/save-dialog.png")) &&
         ok;

    // The label preview of an issued row (row 2) and of one still to issue.
    main->cmdPreview_Click();
    auto* grid = main->findChild<QTableView*>(QStringLiteral("vaSpread1"));
    grid->setCurrentIndex(grid->model()->index(1, 3));
    ok = shoot(main->previewWindow(), out + QStringLiteral("/preview-issued.png")) && ok;
    grid->setCurrentIndex(grid->model()->index(5, 3));
    ok = shoot(main->previewWindow(), out + QStringLiteral("/preview-pending.png")) && ok;

    // The issuing history of the run above.
    main->cmdHistory_Click();
    if (QWidget* history = main->findChild<QWidget*>(QStringLiteral("HistoryWindow")))
        ok = shoot(history, out + QStringLiteral("/history.png")) && ok;

    // The inventory audit of a training scan of the whole register.
    {
        audit::ScanSimOptions sim;
        sim.share = 0.8;
        const QString scan = rig.dir.file(QStringLiteral("scan-sim.csv"));
        audit::writeSimulatedScan(database::gDbConn, sim, scan);
        main->cmdAudit_Click();
        if (auto* window = main->findChild<shell::AuditWindow*>(QStringLiteral("AuditWindow"))) {
            window->resize(1000, 680);
            window->openScan(scan);
            ok = shoot(window, out + QStringLiteral("/audit.png")) && ok;
            // The reads of other systems and organisations, with their reasons.
            window->findChild<QTabBar*>(QStringLiteral("tabCategories"))->setCurrentIndex(5);
            ok = shoot(window, out + QStringLiteral("/audit-foreign.png")) && ok;
        }
    }

    settings::DBSetup db;
    db.show();
    ok = shoot(&db, out + QStringLiteral("/dbsetup.png")) && ok;
    std::printf("messages: %s\n", qPrintable(rig.op.messages.join(QStringLiteral(" | "))));
    delete main;
    return ok ? 0 : 1;
}
