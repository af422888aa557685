#include "main/shell/GridView.h"

#include "main/database/ItemGrid.h"

#include <QHeaderView>
#include <QTableView>

namespace shell {

GridColours::GridColours(database::ItemGrid* grid, QObject* parent)
    : QIdentityProxyModel(parent), m_grid(grid) {
    setSourceModel(grid);
}

QVariant GridColours::data(const QModelIndex& index, int role) const {
    if (index.isValid()) {
        const int col = index.column() + 1;
        if (role == Qt::BackgroundRole && col == database::ColTick) {
            const QColor c = m_grid->background(index.row() + 1, col);
            return c.isValid() ? QVariant(c) : QVariant();
        }
        if (role == Qt::TextAlignmentRole) {
            if (col == database::ColAmount)
                return QVariant(Qt::AlignRight | Qt::AlignVCenter);
            if (col == database::ColTick || col >= database::ColIssued)
                return QVariant(Qt::AlignCenter);
        }
    }
    return QIdentityProxyModel::data(index, role);
}

void setUpGridView(QTableView* view, database::ItemGrid* grid) {
    view->setModel(new GridColours(grid, view));
    view->setAlternatingRowColors(false);
    view->setWordWrap(false);
    QHeaderView* h = view->horizontalHeader();
    h->setHighlightSections(false);
    h->setDefaultAlignment(Qt::AlignCenter);
    h->setMinimumSectionSize(36);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 8);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Widths for the usual content of each column (1-based as the operator counts).
    const int widths[database::kGridColumns] = {44,  60, 210, 110, 110, 80, 170, 170,
                                                100, 96, 120, 90,  70,  80, 60};
    for (int c = 0; c < database::kGridColumns; ++c)
        view->setColumnWidth(c, widths[c]);
}

} // namespace shell
