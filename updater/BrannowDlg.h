#pragma once
// The updater's window: four step rows with their bars, the overall bar, the
// red failure message with the OK button, and the wait line. It only shows
// the run; the run itself is UpdateRun on a worker thread.
#include "updater/PosKey.h"
#include "updater/UpdateRun.h"

#include <QDialog>
#include <QTimer>

#include <array>
#include <memory>
#include <thread>

namespace Ui {
class BrannowDlg;
}

namespace updater {

class BrannowDlg : public QDialog, public UpdateWindow {
    Q_OBJECT
public:
    // baseDir: the program directory ("." in production).
    explicit BrannowDlg(const QString& baseDir = QStringLiteral("."), QWidget* parent = nullptr);
    ~BrannowDlg() override;

    // UpdateWindow, called from the worker thread: each call is carried over
    // to the window's thread.
    void setBarPos(int barId, int pos) override;
    void armStepTimer(int step, int ms) override;
    void ShowMessage(const QString& text) override;
    void repaintWindow() override;
    void closeWindow() override;

    UpdateRun& run() { return *m_run; }
    // Start delay of the run after the window opens, 1000 ms.
    void setStartDelay(int ms) { m_startTimer.setInterval(ms); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void OnInitDialog();
    void startUpdateThread();
    void onStepTimer(int step);
    void onOk();

    std::unique_ptr<Ui::BrannowDlg> ui;
    std::unique_ptr<UpdateRun> m_run;
    QString m_baseDir;
    QTimer m_startTimer;                // timer 9000
    std::array<QTimer, 4> m_stepTimers; // timers 9001..9004
    std::thread m_worker;
    PosKey m_keys;
    bool m_started = false;
};

// The virtual key code of a Qt key event's key; 0 when it has none.
int virtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers);

// Fonts of the window's texts, with a Korean font standing in on systems
// without the original faces.
void installUpdaterFonts();

} // namespace updater
