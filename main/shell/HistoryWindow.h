#pragma once
// The issuing history window "발행이력": the workstation's journal with
// filters (period, state, user, purchase serial number), its export to .xls,
// and a person's decision on a tag whose printing was never confirmed.
#include "main/journal/Journal.h"

#include <QList>
#include <QWidget>
#include <memory>

namespace Ui {
class HistoryWindow;
}

namespace shell {

class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    HistoryWindow(journal::Journal& journal, QWidget* parent = nullptr);
    ~HistoryWindow() override;

    // The filters as the boxes stand.
    journal::Filter filter() const;
    // Lists the entries the filters pass.
    void refresh();
    void cmdRecord_Click();
    void cmdVoid_Click();
    void cmdSaveExcel_Click();
    const QList<journal::Entry>& shown() const { return m_entries; }

private:
    // The uncertain entry of the selected row, or none after a message.
    const journal::Entry* selectedUncertain();

    std::unique_ptr<Ui::HistoryWindow> ui;
    journal::Journal& m_journal;
    QList<journal::Entry> m_entries;
};

} // namespace shell
