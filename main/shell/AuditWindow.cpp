#include "main/shell/AuditWindow.h"

#include "main/audit/AuditExport.h"
#include "main/core/FailureReport.h"
#include "main/core/Operator.h"
#include "main/database/DbConn.h"
#include "platform/ProgramDir.h"
#include "ui_AuditWindow.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QTabBar>

namespace shell {

using audit::Category;

namespace {

// The grid's colours: yellow for a tag that stands where it belongs (an
// issued row), white for an asset without a tag, gray for a label that is no
// longer valid; the others light tints that stand out in a long list.
QColor colourOf(Category c) {
    // In the order of the categories: found, missing, elsewhere, withdrawn,
    // unknown, foreign, untagged.
    static const QColor colours[audit::kCategoryCount] = {{255, 255, 0},   {255, 200, 200}, {200, 225, 255},
                                                          {192, 192, 192}, {255, 225, 170}, {225, 225, 225},
                                                          {255, 255, 255}};
    return colours[static_cast<int>(c)];
}

// The comparison's tabs come after the seven categories.
constexpr int kMissingTwiceTab = audit::kCategoryCount;
constexpr int kFoundAgainTab = audit::kCategoryCount + 1;
using audit::kAuditAmountColumn;
using audit::kAuditReadsColumn;

} // namespace

// A window onto a run of rows (one category, or a part of a comparison),
// cells made when the view asks for them.
class AuditRowsModel : public QAbstractTableModel {
public:
    AuditRowsModel(const QHash<QString, QString>& names, QObject* parent)
        : QAbstractTableModel(parent), m_names(names), m_headers(audit::auditColumns()) {}
    void show(const audit::AuditRow* first, int count) {
        beginResetModel();
        m_first = first;
        m_count = count;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : m_count; }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const audit::AuditRow& row = m_first[index.row()];
        if (role == Qt::BackgroundRole)
            return colourOf(row.category);
        // Amounts and counts read as the grid shows numbers.
        const bool number = index.column() == kAuditAmountColumn || index.column() == kAuditReadsColumn;
        if (role == Qt::TextAlignmentRole && number)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole)
            return {};
        const QString text = audit::auditCells(row, m_names).value(index.column());
        return index.column() == kAuditAmountColumn ? database::formatAmount(text) : text;
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (role == Qt::DisplayRole && o == Qt::Horizontal)
            return m_headers.value(section);
        if (role == Qt::DisplayRole)
            return section + 1;
        return {};
    }

private:
    const QHash<QString, QString>& m_names;
    QStringList m_headers;
    const audit::AuditRow* m_first = nullptr;
    int m_count = 0;
};

AuditWindow::AuditWindow(const QStringList& departments, const database::SearchConditions& search,
                         QWidget* parent)
    : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::AuditWindow>()) {
    ui->setupUi(this);
    ui->CboDept->addItems(departments);
    ui->CboDept->setCurrentIndex(qMax(0, static_cast<int>(departments.indexOf(search.CboDept))));
    ui->dtFrom->setDate(search.TDBDate2From);
    ui->dtTo->setDate(search.TDBDate2To);
    ui->txtCatNo->setText(search.txtCatNo);
    ui->txtCatNm->setText(search.txtCatNm);

    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("tabCategories"));
    m_tabs->setExpanding(false);
    m_tabs->setDrawBase(false);
    ui->hbCategories->addWidget(m_tabs);
    ui->hbCategories->addStretch();
    for (int c = 0; c < audit::kCategoryCount; ++c)
        m_tabs->addTab(audit::categoryLabel(static_cast<Category>(c)));
    m_tabs->addTab(QStringLiteral("연속 미발견"));
    m_tabs->addTab(QStringLiteral("다시 찾음"));
    m_tabs->setTabVisible(kMissingTwiceTab, false);
    m_tabs->setTabVisible(kFoundAgainTab, false);
    connect(m_tabs, &QTabBar::currentChanged, this, &AuditWindow::showTab);

    m_model = new AuditRowsModel(m_itemNames, this);
    ui->grdAudit->setModel(m_model);
    ui->grdAudit->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    ui->grdAudit->verticalHeader()->setDefaultSectionSize(22);
    const int widths[] = {60, 196, 262, 96, 70, 90, 110, 84, 84, 64, 220, 260};
    for (int i = 0; i < static_cast<int>(std::size(widths)); ++i)
        ui->grdAudit->setColumnWidth(i, widths[i]);
    // The EPC is seldom needed: a reader finds it through the tag id.
    ui->grdAudit->setColumnHidden(audit::kAuditEpcColumn, true);

    connect(ui->cmdOpenScan, &QPushButton::clicked, this, &AuditWindow::cmdOpenScan_Click);
    connect(ui->cmdReconcile, &QPushButton::clicked, this, &AuditWindow::reconcileScan);
    connect(ui->cmdSave, &QPushButton::clicked, this, &AuditWindow::cmdSave_Click);
    connect(ui->cmdSaveExcel, &QPushButton::clicked, this, &AuditWindow::cmdSaveExcel_Click);
    connect(ui->cmdOpenPast, &QPushButton::clicked, this,
            [this] { openPast(ui->cboPast->currentData().toInt()); });
    connect(ui->cmdCompare, &QPushButton::clicked, this, &AuditWindow::cmdCompare_Click);
    ui->lblSummary->setText(QStringLiteral("스캔 파일을 열면 조사 범위의 자산과 대조합니다."));
}

AuditWindow::~AuditWindow() = default;

audit::AuditScope AuditWindow::scope() const {
    database::SearchConditions c;
    c.CboDept =
        ui->CboDept->currentText().isEmpty() ? QString::fromUtf16(u"전체(00)") : ui->CboDept->currentText();
    c.TDBDate2From = ui->dtFrom->date();
    c.TDBDate2To = ui->dtTo->date();
    c.txtCatNo = ui->txtCatNo->text();
    c.txtCatNm = ui->txtCatNm->text();
    return audit::AuditScope::fromConditions(c, QDate::currentDate());
}

void AuditWindow::progress(int value) {
    ui->prgImport->setValue(value);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void AuditWindow::cmdOpenScan_Click() {
    const QString file = QFileDialog::getOpenFileName(
        this, QStringLiteral("스캔 파일 열기"), platform::programDir(),
        QStringLiteral("리더기 파일 (*.csv *.txt *.xls *.json *.jsonld);;모든 파일 (*)"));
    if (!file.isEmpty())
        openScan(file);
}

bool AuditWindow::openScan(const QString& path) {
    core::currentOperator().setWaitCursor(true);
    try {
        ui->lblSummary->setText(QStringLiteral("%1 읽는 중...").arg(QFileInfo(path).fileName()));
        m_scan = audit::readScanFile(path, [this](int v) { progress(v / 2); });
    } catch (const std::exception& e) {
        core::currentOperator().setWaitCursor(false);
        ui->prgImport->setValue(0);
        core::currentOperator().showMessage(core::errorText(e));
        return false;
    }
    core::currentOperator().setWaitCursor(false);
    ui->txtFile->setText(QDir::toNativeSeparators(path));
    return reconcileScan();
}

bool AuditWindow::reconcileScan() {
    if (m_scan.reads.empty())
        return false;
    core::currentOperator().setWaitCursor(true);
    try {
        database::gDbConn.reconnectIfLost();
        m_scope = scope();
        m_result =
            audit::reconcile(database::gDbConn, m_scan, m_scope, [this](int v) { progress(50 + v / 2); });
        m_itemNames = audit::itemNames(database::gDbConn);
    } catch (const std::exception& e) {
        core::currentOperator().setWaitCursor(false);
        core::reportFailure(QStringLiteral("AuditWindow"), core::errorText(e));
        return false;
    }
    core::currentOperator().setWaitCursor(false);
    m_auditNo = 0;
    m_comparison = {};
    showResult();
    return true;
}

void AuditWindow::showResult() {
    for (int c = 0; c < audit::kCategoryCount; ++c)
        m_tabs->setTabText(c, QStringLiteral("%1 %2")
                                  .arg(audit::categoryLabel(static_cast<Category>(c)))
                                  .arg(m_result.rows[static_cast<size_t>(c)].size()));
    m_tabs->setTabVisible(kMissingTwiceTab, m_auditNo > 0 && m_comparison.later == m_auditNo);
    m_tabs->setTabVisible(kFoundAgainTab, m_auditNo > 0 && m_comparison.later == m_auditNo);
    ui->lblSummary->setText(QStringLiteral("%1%2: %3회 읽음, 범위 %4")
                                .arg(m_auditNo > 0 ? QStringLiteral("조사 %1 · ").arg(m_auditNo) : QString(),
                                     ui->txtFile->text().isEmpty()
                                         ? QStringLiteral("스캔")
                                         : QFileInfo(ui->txtFile->text()).fileName())
                                .arg(m_result.reads)
                                .arg(m_scope.description()));
    ui->prgImport->setValue(100);
    ui->cmdReconcile->setEnabled(!m_scan.reads.empty());
    ui->cmdSave->setEnabled(m_auditNo == 0 && !m_scan.reads.empty());
    ui->cmdSaveExcel->setEnabled(true);
    ui->cmdCompare->setEnabled(m_auditNo > 0);
    // The first category with rows to act on, else the found ones.
    int first = static_cast<int>(Category::Found);
    for (Category c : {Category::Missing, Category::Elsewhere, Category::Withdrawn, Category::Unknown})
        if (m_result.count(c) > 0) {
            first = static_cast<int>(c);
            break;
        }
    if (m_tabs->currentIndex() == first)
        showTab(first);
    else
        m_tabs->setCurrentIndex(first);
}

void AuditWindow::showTab(int index) {
    // A read no asset holds has only its EPC, count and reason to show.
    const bool bare =
        index == static_cast<int>(Category::Unknown) || index == static_cast<int>(Category::Foreign);
    ui->grdAudit->setColumnHidden(audit::kAuditEpcColumn, !bare);
    for (int col = audit::kAuditEpcColumn + 1; col < kAuditReadsColumn; ++col)
        ui->grdAudit->setColumnHidden(col, bare);
    ui->grdAudit->setColumnHidden(1, index == static_cast<int>(Category::Foreign));
    if (index == kMissingTwiceTab || index == kFoundAgainTab) {
        const auto& rows = index == kMissingTwiceTab ? m_comparison.missingTwice : m_comparison.foundAgain;
        m_model->show(rows.data(), static_cast<int>(rows.size()));
        return;
    }
    if (index < 0 || index >= audit::kCategoryCount)
        return;
    const auto& rows = m_result.rows[static_cast<size_t>(index)];
    m_model->show(rows.data(), static_cast<int>(rows.size()));
}

void AuditWindow::cmdSave_Click() {
    try {
        m_auditNo = audit::saveAudit(database::gDbConn, database::gUserId, m_scope, m_scan, m_result);
    } catch (const std::exception& e) {
        core::reportFailure(QStringLiteral("AuditWindow"), core::errorText(e));
        return;
    }
    refreshPast();
    showResult();
    core::currentOperator().showMessage(QStringLiteral("재고조사 %1번으로 저장되었습니다.").arg(m_auditNo));
}

void AuditWindow::cmdSaveExcel_Click() {
    const QString proposed =
        QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("재고조사.xls");
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("엑셀저장"),
                                                      QDir(platform::programDir()).filePath(proposed),
                                                      QStringLiteral("Excel 97-2003 (*.xls)"));
    if (file.isEmpty())
        return;
    QString error;
    if (!audit::exportAudit(file, m_result, m_itemNames, &error))
        core::currentOperator().showMessage(QStringLiteral("엑셀 파일을 저장하지 못했습니다: %1").arg(error));
    else
        core::currentOperator().showMessage(QStringLiteral("저장되었습니다."));
}

void AuditWindow::refreshPast() {
    ui->cboPast->clear();
    try {
        const std::vector<audit::AuditHeader> audits = audit::listAudits(database::gDbConn);
        for (auto it = audits.rbegin(); it != audits.rend(); ++it)
            ui->cboPast->addItem(QStringLiteral("%1 · %2 · %3 · %4 · 미발견 %5")
                                     .arg(it->auditNo)
                                     .arg(it->when.left(16),
                                          audit::AuditScope::fromText(it->scope).description(), it->fileName)
                                     .arg(it->counts[static_cast<int>(Category::Missing)]),
                                 it->auditNo);
    } catch (const std::exception& e) {
        // A database without the audit tables still audits; it keeps nothing.
        ui->cboPast->addItem(QStringLiteral("지난 조사를 읽을 수 없습니다: %1").arg(core::errorText(e)), 0);
    }
}

bool AuditWindow::openPast(int auditNo) {
    if (auditNo <= 0)
        return false;
    audit::AuditHeader h;
    audit::AuditResult r;
    try {
        if (!audit::loadAudit(database::gDbConn, auditNo, h, r))
            return false;
        m_itemNames = audit::itemNames(database::gDbConn);
    } catch (const std::exception& e) {
        core::reportFailure(QStringLiteral("AuditWindow"), core::errorText(e));
        return false;
    }
    m_result = std::move(r);
    m_scan = {};
    m_scope = audit::AuditScope::fromText(h.scope);
    m_auditNo = auditNo;
    m_comparison = {};
    ui->txtFile->setText(h.fileName);
    showResult();
    return true;
}

void AuditWindow::cmdCompare_Click() {
    try {
        const int earlier = audit::previousAudit(database::gDbConn, m_auditNo);
        if (earlier == 0) {
            core::currentOperator().showMessage(QStringLiteral("같은 범위의 이전 조사가 없습니다."));
            return;
        }
        m_comparison = audit::compareAudits(database::gDbConn, earlier, m_auditNo);
    } catch (const std::exception& e) {
        core::reportFailure(QStringLiteral("AuditWindow"), core::errorText(e));
        return;
    }
    m_tabs->setTabText(kMissingTwiceTab, QStringLiteral("연속 미발견 %1 (조사 %2)")
                                             .arg(m_comparison.missingTwice.size())
                                             .arg(m_comparison.earlier));
    m_tabs->setTabText(kFoundAgainTab, QStringLiteral("다시 찾음 %1").arg(m_comparison.foundAgain.size()));
    m_tabs->setTabVisible(kMissingTwiceTab, true);
    m_tabs->setTabVisible(kFoundAgainTab, true);
    m_tabs->setCurrentIndex(kMissingTwiceTab);
}

} // namespace shell
