#pragma once
// The inventory audit window "재고조사": a reader's scan reconciled against
// the register within a scope chosen with search boxes, the counts and rows
// of each category in the grid's colours, the export to .xls, stored audits
// and their comparison with the audit before.
#include "main/audit/AuditStore.h"
#include "main/database/ItemSearch.h"

#include <QWidget>
#include <memory>

class QTabBar;

namespace Ui {
class AuditWindow;
}

namespace shell {

class AuditRowsModel;

class AuditWindow : public QWidget {
    Q_OBJECT
public:
    // Opens with the main window's departments and search boxes as the scope.
    AuditWindow(const QStringList& departments, const database::SearchConditions& search,
                QWidget* parent = nullptr);
    ~AuditWindow() override;

    // The scope as the boxes stand.
    audit::AuditScope scope() const;
    // Reads a scan file and reconciles it; false after the operator was told why.
    bool openScan(const QString& path);
    bool reconcileScan();
    void cmdOpenScan_Click();
    void cmdSave_Click();
    void cmdSaveExcel_Click();
    // Lists the stored audits; opens the one chosen.
    void refreshPast();
    bool openPast(int auditNo);
    void cmdCompare_Click();
    // Shows the rows of one tab: a category, or a part of the comparison.
    void showTab(int index);
    const audit::AuditResult& result() const { return m_result; }

private:
    void showResult();
    void progress(int value);

    std::unique_ptr<Ui::AuditWindow> ui;
    QTabBar* m_tabs = nullptr;
    AuditRowsModel* m_model = nullptr;
    audit::ScanFile m_scan;
    audit::AuditScope m_scope; // of the result shown
    audit::AuditResult m_result;
    audit::AuditComparison m_comparison;
    QHash<QString, QString> m_itemNames;
    int m_auditNo = 0; // the stored audit shown, 0 while unsaved
};

} // namespace shell
