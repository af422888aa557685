#pragma once
// The label preview of the main window: the label of the grid's current row
// as the printer would print it, for the label type chosen in the main
// window and the run kind chosen here. It follows the current row; nothing
// is sent to the printer and no serial number is taken.
#include "main/issuing/IssueContext.h"
#include "main/shell/widgets/LaterOnce.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;

namespace shell {

class PreviewWindow : public QWidget {
    Q_OBJECT
public:
    // `ctx` is the main window's issue context; `currentRow` and `labelType`
    // read the main window as it stands (row 0: none).
    PreviewWindow(const issuing::IssueContext& ctx, std::function<int()> currentRow,
                  std::function<int()> labelType, QWidget* parent = nullptr);

    // Draws the label of the current row again; refreshLater() once after a
    // burst of grid changes (a run changes several cells per tag).
    void refresh();
    void refreshLater() { m_later.request(); }
    // The run kind chosen: issuing::kIssue, kReissue or kTestIssue.
    qint16 runKind() const;
    // What the window shows: the label, or why there is none.
    const QLabel& picture() const { return *m_picture; }

private:
    const issuing::IssueContext& m_ctx;
    std::function<int()> m_currentRow;
    std::function<int()> m_labelType;
    QComboBox* m_kind;
    QLabel* m_picture;
    QLabel* m_caption;
    widgets::LaterOnce m_later{this, [this] { refresh(); }};
};

} // namespace shell
