#pragma once
// The result grid on the screen: a table view over the grid model with the
// 15 headers, the tick box of column 1 and each row's background colour.
#include <QIdentityProxyModel>

class QTableView;

namespace database {
class ItemGrid;
}

namespace shell {

// Passes the grid through unchanged, except that the tick column also shows
// the row's colour (the model keeps the colour per row, the tick column
// carries only its check state).
class GridColours : public QIdentityProxyModel {
    Q_OBJECT
public:
    explicit GridColours(database::ItemGrid* grid, QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role) const override;

private:
    database::ItemGrid* m_grid;
};

// Sets the view up over the grid: headers, column widths, tick boxes.
void setUpGridView(QTableView* view, database::ItemGrid* grid);

} // namespace shell
