// Pictures of the windows for a visual check of captions and layout: run
// under a display (for example xvfb-run) with a Korean font installed:
//   xvfb-run -a -s "-screen 0 1400x900x24" shell-screenshots OUTDIR
// Writes login.png, main.png (after a search and a run of three labels),
// preview-issued.png, preview-pending.png (the label preview) and
// dbsetup.png into OUTDIR.
#include "main/database/DbConn.h"
#include "main/settings/window/DbSetupWindow.h"
#include "main/shell/LoginWindow.h"
#include "main/shell/PreviewWindow.h"
#include "main/shell/RPMain.h"
#include "tests/support/IssueRig.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
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
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "could not write", qPrintable(file), shot.width(),
                shot.height());
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
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

    // The label preview of an issued row (row 2) and of one still to issue.
    main->cmdPreview_Click();
    auto* grid = main->findChild<QTableView*>(QStringLiteral("vaSpread1"));
    grid->setCurrentIndex(grid->model()->index(1, 3));
    ok = shoot(main->previewWindow(), out + QStringLiteral("/preview-issued.png")) && ok;
    grid->setCurrentIndex(grid->model()->index(5, 3));
    ok = shoot(main->previewWindow(), out + QStringLiteral("/preview-pending.png")) && ok;

    settings::DBSetup db;
    db.show();
    ok = shoot(&db, out + QStringLiteral("/dbsetup.png")) && ok;
    std::printf("messages: %s\n", qPrintable(rig.op.messages.join(QStringLiteral(" | "))));
    delete main;
    return ok ? 0 : 1;
}
