// Shows the settings window on the display of the session (Xvfb in CI) with
// the shipped settings files and a typical workstation's settings, and saves
// a picture of it: setup_window_shot OUT.png
#include "main/shell/settings/SetupWindow.h"
#include "tests/support/RecordingOperator.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        fprintf(stderr, "usage: setup_window_shot OUT.png\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    testsupport::TempProgramDir dir;
    testsupport::installSettingsTemplates(dir.path());
    dir.writeText("setup.ini",
                  "[PRINT_OPTION]\r\nTOT_HEIGHT=510\r\nLABEL_HEIGHT=480\r\nLABEL_WIDTH=940\r\n"
                  "X=0\r\nY=40\r\nDENSITY=0\r\nFEEDING=0060\r\nSENSOR_TYPE=2\r\n"
                  "[PRINTER_INFO]\r\nSERIAL_NO=5T3C0211\r\nCOM_PORT=1\r\n[TAG]\r\nTAG_KIND=1\r\n");
    dir.writeText("db_setup.ini",
                  "[ETC]\r\nNOTICE=소중한 자산, 아끼고 보호합시다\r\n[DB_INFO]\r\nDATABASE=ASSETDB\r\n"
                  "USER=rfid\r\nPASSWORD=rfid\r\n");
    dir.writeText("conn_setup.ini",
                  "[CONNECT_INFO]\r\nCONN_KIND=1\r\nPRINTER_IP=192.168.0.50\r\nPRINTER_PORT=9100\r\n");
    dir.writeText("log_setup.ini", "[LOG]\r\nDETAIL_LOG=2\r\n");
    dir.writeText("pitch_setup.ini", "[PITCH_OPTION]\r\nPITCH=2\r\n");
    testsupport::RecordingOperator op;
    core::setCurrentOperator(&op);

    settings::Setup* w = settings::openSetupWindow(nullptr);
    int status = 1;
    QTimer::singleShot(1000, [&] {
        // The whole screen, so that a window running off it shows.
        status = w->screen()->grabWindow(0).save(out) ? 0 : 1;
        const QRect frame = w->frameGeometry();
        fprintf(stderr, "window %dx%d at %d,%d\n", frame.width(), frame.height(), frame.x(), frame.y());
        for (const QString& m : op.messages)
            fprintf(stderr, "message: %s\n", qPrintable(m));
        app.quit();
    });
    app.exec();
    core::setCurrentOperator(nullptr);
    return status;
}
