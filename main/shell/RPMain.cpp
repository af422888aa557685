#include "main/shell/RPMain.h"

#include "main/issuing/IssueRange.h"
#include "main/issuing/IssueValues.h"

#include "main/core/FailureReport.h"
#include "main/core/Operator.h"
#include "main/database/DbConn.h"
#include "main/database/Departments.h"
#include "main/database/ItemSearch.h"
#include "main/database/SpreadsheetExport.h"
#include "main/database/SpreadsheetImport.h"
#include "main/database/TagRemoval.h"
#include "main/journal/Reconcile.h"
#include "main/settings/SetupValues.h"
#include "main/shell/AuditWindow.h"
#include "main/shell/GridView.h"
#include "main/shell/HistoryWindow.h"
#include "main/shell/LoginWindow.h"
#include "main/shell/PreviewWindow.h"
#include "main/shell/StartUp.h"
#include "main/shell/Today.h"
#include "main/shell/settings/SetupWindow.h"
#include "main/shell/widgets/BoxFocus.h"
#include "main/shell/widgets/Clicks.h"
#include "main/shell/widgets/Placement.h"
#include "platform/ProgramDir.h"
#include "ui_RPMain.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QWindow>

namespace shell {

RPMain::RPMain(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::RPMain>()) {
    ui->setupUi(this);
    setUpGridView(ui->vaSpread1, &m_grid);
    m_link = std::make_unique<printerlink::PrinterLink>(m_setup, m_run);

    // Each control array is one group of option buttons.
    for (const auto& [name, count] : {std::pair{"OptDept", 3},
                                      {"OptSearch", 3},
                                      {"OptSort", 3},
                                      {"OptPos", 2},
                                      {"OptPrt", 3},
                                      {"optConn", 3},
                                      {"OptLock", 2}})
        optionGroup(QString::fromLatin1(name), count);
    connect(optionGroup(QStringLiteral("OptPrt"), 3), &QButtonGroup::idClicked, this, &RPMain::OptPrt_Click);

    // Amounts are whole numbers; an empty box means no bound.
    const auto* digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,15}")), this);
    ui->TDBNum_0->setValidator(digits);
    ui->TDBNum_1->setValidator(digits);
    ui->txtCatNo->setMaxLength(database::kCatNoLength);
    ui->txtPurcSNo->setMaxLength(database::kPurcSnoLength);
    ui->txtCatNm->setMaxLength(database::kCatNmLength);

    widgets::connectClicks(this, {{ui->cmdLoad, &RPMain::cmdLoad_Click},
                                  {ui->cmdPrint, &RPMain::cmdPrint_Click},
                                  {ui->cmdRePrint, &RPMain::cmdRePrint_Click},
                                  {ui->cmdTestPrint, &RPMain::cmdTestPrint_Click},
                                  {ui->cmdDel, &RPMain::cmdDel_Click},
                                  {ui->cmdSaveExcel, &RPMain::cmdSaveExcel_Click},
                                  {ui->cmdSetup, &RPMain::cmdSetup_Click},
                                  {ui->cmdPreview, &RPMain::cmdPreview_Click},
                                  {ui->cmdStop, &RPMain::cmdStop_Click},
                                  {ui->cmdHistory, &RPMain::cmdHistory_Click},
                                  {ui->cmdAudit, &RPMain::cmdAudit_Click},
                                  {ui->cmdSE, &RPMain::cmdSE_Click},
                                  {ui->cmdDept, &RPMain::cmdDept_Click}});
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &RPMain::cmdStop_Click);
    connect(ui->txtDept, &QLineEdit::returnPressed, this, &RPMain::cmdDept_Click);
    connect(ui->txtStart, &QLineEdit::returnPressed, this, &RPMain::cmdSE_Click);
    connect(ui->txtEnd, &QLineEdit::returnPressed, this, &RPMain::cmdSE_Click);
    for (QWidget* box : {static_cast<QWidget*>(ui->TDBDate2_0), static_cast<QWidget*>(ui->TDBDate2_1),
                         static_cast<QWidget*>(ui->TDBNum_0), static_cast<QWidget*>(ui->TDBNum_1),
                         static_cast<QWidget*>(ui->txtCatNm), static_cast<QWidget*>(ui->txtCatNo),
                         static_cast<QWidget*>(ui->txtDept), static_cast<QWidget*>(ui->txtPurcSNo),
                         static_cast<QWidget*>(ui->txtStart), static_cast<QWidget*>(ui->txtEnd)})
        widgets::selectAllOnFocus(box);

    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &RPMain::focusWindowChanged);

    m_ctx.setup = &m_setup;
    m_ctx.vaSpread1 = &m_grid;
    m_ctx.link = m_link.get();
    m_ctx.run = &m_run;
    m_ctx.setActiveCell = [this](int row, int col) {
        const QModelIndex index = ui->vaSpread1->model()->index(row - 1, col - 1);
        ui->vaSpread1->setCurrentIndex(index);
        ui->vaSpread1->scrollTo(index);
    };
    m_job = std::make_unique<issuing::PrintJob>(m_ctx, *this);
    m_job->lockOption = [this] { return checkedIndex(QStringLiteral("OptLock")); };
    m_job->labelType = [this] { return ui->CboPrintType->currentIndex(); };
    m_job->onProgress = [this](int done, int total) {
        ui->ProgressBar1->setValue(total > 0 ? done * 100 / total : 0);
        ui->lblRunProgress->setText(m_job->progressLine());
    };
    Form_Load();
}

RPMain::~RPMain() = default;

QButtonGroup* RPMain::optionGroup(const QString& arrayName, int count) {
    const QString groupName = QStringLiteral("grp") + arrayName;
    if (auto* g = findChild<QButtonGroup*>(groupName))
        return g;
    auto* g = new QButtonGroup(this);
    g->setObjectName(groupName);
    for (int i = 0; i < count; ++i)
        g->addButton(findChild<QRadioButton*>(arrayName + QLatin1Char('_') + QString::number(i)), i);
    return g;
}

int RPMain::checkedIndex(const QString& arrayName) const {
    const auto* g = findChild<QButtonGroup*>(QStringLiteral("grp") + arrayName);
    return g ? g->checkedId() : -1;
}

void RPMain::select(const QString& arrayName, int index) {
    if (auto* b = findChild<QRadioButton*>(arrayName + QLatin1Char('_') + QString::number(index)))
        b->setChecked(true);
}

void RPMain::Form_Load() {
    widgets::centreOnScreen(this);
    m_grid.setRows(0);
    GetSetupData();
    SetToday();
    ui->TDBDate2_0->setDate(QDate(1900, 1, 1));
    ui->TDBDate2_1->setDate(QDate::fromString(gToday, QStringLiteral("yyyy/MM/dd")));
    select(QStringLiteral("OptPrt"), 0);
    setRangeBoxesEnabled(false);
    select(QStringLiteral("OptSearch"), 0);
    select(QStringLiteral("OptPos"), 0);
    select(QStringLiteral("OptSort"), 0);
    select(QStringLiteral("OptDept"), 0);
    select(QStringLiteral("OptLock"), 0);

    QStringList depts;
    database::GetDeptData(depts, QString(), 1);
    ui->CboDept->clear();
    ui->CboDept->addItems(depts);
    ui->CboDept->setCurrentIndex(0);

    issuing::loadIssueValues(m_ctx);

    // The journal of the workstation; what an earlier session left
    // unsettled is settled now and the operator is told.
    m_journal = journal::openProgramJournal();
    m_ctx.journal = m_journal.get();
    if (m_journal)
        journal::settleAndTell(*m_journal, m_ctx.values, QStringLiteral("Form_Load"));
}

void RPMain::GetSetupData() {
    m_selections.CboTag = ui->CboTag->currentIndex();
    m_selections.CboPrintType = ui->CboPrintType->currentIndex();
    m_selections.optConn = checkedIndex(QStringLiteral("optConn"));
    // A failed load has already been reported; what was loaded is shown.
    settings::GetSetupData(m_setup, m_selections, core::currentOperator());
    showSelections();
}

void RPMain::showSelections() {
    ui->txtSerNo->setText(m_setup.sSerialNo);
    ui->CboTag->setCurrentIndex(m_selections.CboTag);
    ui->CboPrintType->setCurrentIndex(m_selections.CboPrintType);
    if (m_selections.optConn >= 0)
        select(QStringLiteral("optConn"), m_selections.optConn);
    issuing::takeSetupValues(m_ctx.values, m_setup);
}

void RPMain::Form_Activate() {
    // Coming back to the window while a run holds the buttons must neither
    // unlock them nor swap the settings under the run: the activation is
    // carried out when the run lets go of the buttons.
    if (m_locked) {
        m_activatePending = true;
        return;
    }
    if (settings::gSettingsChanged) {
        GetSetupData();
        settings::gSettingsChanged = false;
    }
    const bool ok = CheckSerNo();
    for (QPushButton* b :
         {ui->cmdLoad, ui->cmdPrint, ui->cmdRePrint, ui->cmdTestPrint, ui->cmdSaveExcel, ui->cmdDel})
        b->setEnabled(ok);
}

void RPMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        widgets::centreOnScreen(this);
}

void RPMain::focusWindowChanged(QWindow* now) {
    QWindow* mine = windowHandle();
    if (!mine || now != mine) {
        m_previousFocus = now;
        return;
    }
    // The window counts as activated when the operator comes to it from
    // another window of the program (the login, the settings window), not
    // when a message box of its own closes or another application lets go.
    QWindow* before = m_previousFocus;
    m_previousFocus = now;
    if (!before || before->transientParent() == mine)
        return;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowHandle() == before && qobject_cast<QMessageBox*>(w))
            return;
    Form_Activate();
}

void RPMain::closeEvent(QCloseEvent* event) {
    if (endingProgram()) {
        event->accept();
        return;
    }
    // No question while a tag is between print and record: the run stops
    // after its current tag, and the window asks then.
    if (m_job->running()) {
        m_closeAfterRun = true;
        m_job->requestStop();
        event->ignore();
        return;
    }
    if (!core::currentOperator().askToExit(QStringLiteral("프로그램을 종료하시겠습니까?"))) {
        event->ignore();
        return;
    }
    event->accept();
    EndProgram();
}

void RPMain::DisableButtons() {
    m_locked = true;
    for (QPushButton* b : {ui->cmdLoad, ui->cmdPrint, ui->cmdRePrint, ui->cmdSaveExcel, ui->cmdSE,
                           ui->cmdSetup, ui->cmdTestPrint, ui->cmdDel})
        b->setEnabled(false);
}

void RPMain::EnableButtons() {
    for (QPushButton* b : {ui->cmdLoad, ui->cmdPrint, ui->cmdRePrint, ui->cmdSaveExcel, ui->cmdSE,
                           ui->cmdSetup, ui->cmdTestPrint, ui->cmdDel})
        b->setEnabled(true);
    m_locked = false;
    if (m_activatePending) {
        m_activatePending = false;
        Form_Activate();
    }
}

bool RPMain::CheckSerNo() {
    return issuing::CheckSerNo(ui->txtSerNo->text());
}

void RPMain::cmdLoad_Click() {
    database::SearchUi out;
    out.LblPrtCnt = ui->LblPrtCnt->text();
    out.txtStart = ui->txtStart->text();
    out.txtEnd = ui->txtEnd->text();
    out.progress = [this](int percent) {
        if (ui->ProgressBar1->value() != percent) {
            ui->ProgressBar1->setValue(percent);
            ui->ProgressBar1->repaint();
        }
    };
    if (checkedIndex(QStringLiteral("OptPos")) == 1) {
        // A cancelled dialog changes nothing: no report, the grid as it was.
        const QString file = QFileDialog::getOpenFileName(
            this, QString::fromUtf16(database::kImportDialogTitle), platform::programDir(),
            database::qtDialogFilter(database::kImportDialogFilter));
        if (file.isEmpty())
            return;
        ui->LblPrtCnt->clear();
        ui->txtStart->clear();
        ui->txtEnd->clear();
        database::cmdLoadExcel(m_grid, file, out);
    } else {
        database::cmdLoadDb(m_grid, searchConditions(), out);
    }
    ui->LblPrtCnt->setText(out.LblPrtCnt);
    ui->txtStart->setText(out.txtStart);
    ui->txtEnd->setText(out.txtEnd);
    if (out.OptPrt == 0) {
        select(QStringLiteral("OptPrt"), 0);
        OptPrt_Click(0);
    }
}

void RPMain::runJob(void (issuing::PrintJob::*run)()) {
    ui->cmdStop->setEnabled(true);
    (m_job.get()->*run)();
    ui->cmdStop->setEnabled(false);
    ui->lblRunProgress->clear();
    endIfAskedDuringRun();
    if (m_closeAfterRun && !endingProgram()) {
        m_closeAfterRun = false;
        close();
    }
}

void RPMain::cmdPrint_Click() {
    runJob(&issuing::PrintJob::cmdPrint_Click);
}
void RPMain::cmdRePrint_Click() {
    runJob(&issuing::PrintJob::cmdRePrint_Click);
}
void RPMain::cmdTestPrint_Click() {
    runJob(&issuing::PrintJob::cmdTestPrint_Click);
}
void RPMain::cmdStop_Click() {
    m_job->requestStop();
}

database::SearchConditions RPMain::searchConditions() const {
    database::SearchConditions c;
    c.TDBDate2From = ui->TDBDate2_0->date();
    c.TDBDate2To = ui->TDBDate2_1->date();
    c.CboDept = ui->CboDept->currentText();
    c.txtCatNo = ui->txtCatNo->text();
    c.txtPurcSNo = ui->txtPurcSNo->text();
    c.txtCatNm = ui->txtCatNm->text();
    if (!ui->TDBNum_0->text().isEmpty())
        c.TDBNumFrom = ui->TDBNum_0->text().toDouble();
    if (!ui->TDBNum_1->text().isEmpty())
        c.TDBNumTo = ui->TDBNum_1->text().toDouble();
    c.OptSearch = qMax(0, checkedIndex(QStringLiteral("OptSearch")));
    c.OptSort = qMax(0, checkedIndex(QStringLiteral("OptSort")));
    return c;
}

void RPMain::cmdAudit_Click() {
    if (!m_audit) {
        QStringList depts;
        for (int i = 0; i < ui->CboDept->count(); ++i)
            depts << ui->CboDept->itemText(i);
        m_audit = new AuditWindow(depts, searchConditions(), this);
    }
    m_audit->refreshPast();
    m_audit->show();
    m_audit->raise();
    m_audit->activateWindow();
}

void RPMain::cmdHistory_Click() {
    if (!m_journal)
        return;
    if (!m_history)
        m_history = new HistoryWindow(*m_journal, this);
    m_history->refresh();
    m_history->show();
    m_history->raise();
    m_history->activateWindow();
}

void RPMain::cmdDel_Click() {
    database::cmdDel_Click(m_grid, m_ctx.values, m_run.nErrFlag, *this);
}

void RPMain::cmdSaveExcel_Click() {
    if (!database::exportAllowed(m_grid))
        return;
    const QString file =
        QFileDialog::getSaveFileName(this, QString::fromUtf16(database::kExportDialogTitle),
                                     QDir(platform::programDir()).filePath(database::proposedExportName()),
                                     database::qtDialogFilter(database::kExportDialogFilter));
    if (!file.isEmpty()) // cancelled: nothing to report
        database::cmdSaveExcel_Click(m_grid, file);
}

// Opens without waiting; the settings it stores take effect when this
// window is activated again (gSettingsChanged).
PreviewWindow* RPMain::previewWindow() const {
    return m_preview;
}

void RPMain::cmdPreview_Click() {
    if (!m_preview) {
        m_preview = new PreviewWindow(
            m_ctx,
            [this] {
                return ui->vaSpread1->currentIndex().isValid() ? ui->vaSpread1->currentIndex().row() + 1 : 0;
            },
            [this] { return ui->CboPrintType->currentIndex(); }, this);
        m_preview->setAttribute(Qt::WA_DeleteOnClose);
        // It follows the current row, the label type and what the grid shows.
        connect(ui->vaSpread1->selectionModel(), &QItemSelectionModel::currentChanged, m_preview,
                [this] { m_preview->refresh(); });
        connect(ui->CboPrintType, &QComboBox::currentIndexChanged, m_preview,
                [this] { m_preview->refresh(); });
        connect(&m_grid, &QAbstractItemModel::dataChanged, m_preview, [this] { m_preview->refreshLater(); });
        connect(&m_grid, &QAbstractItemModel::modelReset, m_preview, [this] { m_preview->refreshLater(); });
    }
    m_preview->refresh();
    m_preview->show();
    m_preview->raise();
}

void RPMain::cmdSetup_Click() {
    settings::openSetupWindow();
}

void RPMain::cmdSE_Click() {
    issuing::cmdSE_Click(m_grid, *this);
}

void RPMain::cmdDept_Click() {
    QStringList depts;
    if (!database::GetDeptData(depts, ui->txtDept->text(),
                               database::deptKindOf(qMax(0, checkedIndex(QStringLiteral("OptDept"))))))
        return; // the list stays as it was
    ui->CboDept->clear();
    ui->CboDept->addItems(depts);
    ui->CboDept->setCurrentIndex(0);
}

void RPMain::OptPrt_Click(int index) {
    issuing::OptPrt_Click(m_grid, index, *this);
}

int RPMain::OptPrt() const {
    return checkedIndex(QStringLiteral("OptPrt"));
}
QString RPMain::txtStart() const {
    return ui->txtStart->text();
}
QString RPMain::txtEnd() const {
    return ui->txtEnd->text();
}
void RPMain::setTxtEnd(const QString& text) {
    ui->txtEnd->setText(text);
}

void RPMain::setRangeBoxesEnabled(bool on) {
    ui->txtStart->setEnabled(on);
    ui->txtEnd->setEnabled(on);
}

} // namespace shell
