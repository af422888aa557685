#pragma once
// The main window: search conditions, the result grid, the issue range, the
// printer choices and the progress bar; the owner of the settings record, the
// run state and the printer connection of issuing runs.
//
// Controls carry the system's names as object names; a member of a control
// array is name_N (OptPrt_1 is option button 1 of OptPrt).
#include "main/core/ButtonLock.h"
#include "main/database/IssuingRecords.h"
#include "main/database/ItemGrid.h"
#include "main/database/ItemSearch.h"
#include "main/issuing/IssueContext.h"
#include "main/issuing/IssueRange.h"
#include "main/issuing/IssueValues.h"
#include "main/issuing/PrintJob.h"
#include "main/journal/Journal.h"
#include "main/printerlink/PrinterLink.h"
#include "main/printerlink/RunState.h"
#include "main/settings/SetupData.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class QButtonGroup;
class QRadioButton;
class QWindow;

namespace Ui {
class RPMain;
}

namespace shell {

class PreviewWindow;
class AuditWindow;
class HistoryWindow;

class RPMain : public QWidget, public core::ButtonLock, public issuing::RangeControls {
    Q_OBJECT
public:
    explicit RPMain(QWidget* parent = nullptr);
    ~RPMain() override;

    // Loading, activation and closing of the window.
    void Form_Load();
    void Form_Activate();

    // The eight command buttons a long run locks.
    void DisableButtons() override;
    void EnableButtons() override;

    // The serial-number guard over `txtSerNo`.
    bool CheckSerNo();
    // Loads the settings record and shows it in the window.
    void GetSetupData();

    void cmdLoad_Click();
    void cmdPrint_Click();
    void cmdRePrint_Click();
    void cmdTestPrint_Click();
    // Ends the run after its current tag (also Esc).
    void cmdStop_Click();
    // The issuing history of the workstation's journal.
    void cmdHistory_Click();
    void cmdAudit_Click();
    // The search boxes as the search reads them.
    database::SearchConditions searchConditions() const;
    void cmdDel_Click();
    void cmdSaveExcel_Click();
    void cmdSetup_Click();
    // Opens the label preview, which follows the current row.
    void cmdPreview_Click();
    PreviewWindow* previewWindow() const;
    void cmdSE_Click();
    void cmdDept_Click();
    void OptPrt_Click(int index);

    // The issue range frame as the print job reads it.
    int OptPrt() const override;
    QString txtStart() const override;
    QString txtEnd() const override;
    void setTxtEnd(const QString& text) override;
    void setRangeBoxesEnabled(bool on) override;

    database::ItemGrid& vaSpread1() { return m_grid; }
    const settings::SetupData& setupData() const { return m_setup; }
    printerlink::RunState& runState() { return m_run; }
    issuing::PrintJob& printJob() { return *m_job; }
    QString localIp() const { return m_ctx.values.sLocalIp; }
    const issuing::IssueContext& issueContext() const { return m_ctx; }
    // The buttons are locked while a run (or a search) is going on.
    bool runActive() const { return m_locked; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QButtonGroup* optionGroup(const QString& arrayName, int count);
    int checkedIndex(const QString& arrayName) const;
    void select(const QString& arrayName, int index);
    void showSelections();
    void focusWindowChanged(QWindow* now);
    // Runs a print job command with the stop button and the progress line,
    // then ends or closes the program when that was asked during the run.
    void runJob(void (issuing::PrintJob::*run)());

    std::unique_ptr<Ui::RPMain> ui;
    database::ItemGrid m_grid;
    settings::SetupData m_setup;
    settings::MainSelections m_selections;
    printerlink::RunState m_run;
    std::unique_ptr<printerlink::PrinterLink> m_link;
    issuing::IssueContext m_ctx;
    std::unique_ptr<issuing::PrintJob> m_job;
    std::unique_ptr<journal::Journal> m_journal;
    QPointer<HistoryWindow> m_history;
    QPointer<AuditWindow> m_audit;
    bool m_closeAfterRun = false;
    QPointer<QWindow> m_previousFocus;
    QPointer<PreviewWindow> m_preview;
    bool m_locked = false;
    bool m_activatePending = false;
};

} // namespace shell
