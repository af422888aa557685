#include "main/shell/HistoryWindow.h"

#include "main/core/FailureReport.h"
#include "main/core/Operator.h"
#include "main/journal/Reconcile.h"
#include "main/shell/widgets/Placement.h"
#include "platform/ProgramDir.h"
#include "ui_HistoryWindow.h"

#include <QFileDialog>
#include <QHeaderView>

namespace shell {

namespace {
// The state list: everything, the states, then the entries still open.
constexpr int kAllStates = 0;
constexpr int kPendingStates = 6;
} // namespace

HistoryWindow::HistoryWindow(journal::Journal& journal, QWidget* parent)
    : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::HistoryWindow>()), m_journal(journal) {
    ui->setupUi(this);
    ui->cboState->addItems({QStringLiteral("전체"), QStringLiteral("전송"), QStringLiteral("확인"),
                            QStringLiteral("기록"), QStringLiteral("실패"), QStringLiteral("취소"),
                            QStringLiteral("미확정")});
    ui->dtFrom->setDate(QDate::currentDate().addMonths(-1));
    ui->dtTo->setDate(QDate::currentDate());
    ui->grdHistory->setColumnCount(static_cast<int>(journal::historyHeaders().size()));
    ui->grdHistory->setHorizontalHeaderLabels(journal::historyHeaders());
    ui->grdHistory->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(ui->cmdSearch, &QPushButton::clicked, this, &HistoryWindow::refresh);
    connect(ui->cmdRecord, &QPushButton::clicked, this, &HistoryWindow::cmdRecord_Click);
    connect(ui->cmdVoid, &QPushButton::clicked, this, &HistoryWindow::cmdVoid_Click);
    connect(ui->cmdSaveExcel, &QPushButton::clicked, this, &HistoryWindow::cmdSaveExcel_Click);
    widgets::placeAndCloseOnEscape(this);
}

HistoryWindow::~HistoryWindow() = default;

journal::Filter HistoryWindow::filter() const {
    journal::Filter f;
    f.from = ui->dtFrom->date();
    f.to = ui->dtTo->date();
    const int state = ui->cboState->currentIndex();
    if (state == kPendingStates)
        f.pendingOnly = true;
    else if (state > kAllStates)
        f.state = static_cast<journal::State>(state - 1);
    f.user = ui->txtUser->text().trimmed();
    f.purcSno = ui->txtPurcSno->text().trimmed();
    return f;
}

void HistoryWindow::refresh() {
    try {
        // Uncertain tags of every workstation: the open claims of the
        // database beside this workstation's own entries.
        m_entries = journal::withOpenClaims(m_journal, filter());
    } catch (const std::exception& e) {
        core::currentOperator().showMessage(core::errorText(e));
        return;
    }
    ui->grdHistory->setRowCount(static_cast<int>(m_entries.size()));
    for (int r = 0; r < m_entries.size(); ++r) {
        const QStringList cells = journal::historyRow(m_entries[r]);
        for (int c = 0; c < cells.size(); ++c)
            ui->grdHistory->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    ui->lblCount->setText(QStringLiteral("%1건").arg(m_entries.size()));
}

const journal::Entry* HistoryWindow::selectedUncertain() {
    const int row = ui->grdHistory->currentRow();
    if (row < 0 || row >= m_entries.size() || m_entries[row].state != journal::State::Sent) {
        core::currentOperator().showMessage(
            QStringLiteral("발행 여부가 확인되지 않은(전송) 태그를 선택하여 주십시오."));
        return nullptr;
    }
    return &m_entries[row];
}

void HistoryWindow::cmdRecord_Click() {
    const journal::Entry* e = selectedUncertain();
    if (!e ||
        !core::currentOperator().askYesNo(
            QStringLiteral("태그 %1의 라벨이 출력된 것을 확인하셨습니까?\r\n\r\n구매번호 %2에 기록합니다.")
                .arg(e->tagId, e->purcSno)))
        return;
    QString problem;
    if (!journal::recordByPerson(m_journal, e->tagId, {}, &problem))
        core::currentOperator().showMessage(problem);
    refresh();
}

void HistoryWindow::cmdVoid_Click() {
    const journal::Entry* e = selectedUncertain();
    if (!e || !core::currentOperator().askYesNo(
                  QStringLiteral("태그 %1의 라벨이 출력되지 않은 것을 확인하셨습니까?").arg(e->tagId)))
        return;
    QString problem;
    if (!journal::voidByPerson(m_journal, e->tagId, &problem))
        core::currentOperator().showMessage(problem);
    refresh();
}

void HistoryWindow::cmdSaveExcel_Click() {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("발행이력 저장"), platform::programDir(),
                                     QStringLiteral("Excel 97-2003 (*.xls)"));
    if (path.isEmpty())
        return; // cancelled: nothing to report
    QString error;
    if (!journal::exportHistory(path, m_entries, &error))
        core::currentOperator().showMessage(QStringLiteral("발행이력을 저장하지 못했습니다.\r\n\r\n") +
                                            error);
    else
        core::currentOperator().showMessage(
            QStringLiteral("발행이력 %1건을 저장하였습니다.").arg(m_entries.size()));
}

} // namespace shell
