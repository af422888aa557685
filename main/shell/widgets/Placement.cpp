#include "main/shell/widgets/Placement.h"

#include <QEvent>
#include <QKeySequence>
#include <QScreen>
#include <QShortcut>

#include <QWidget>
#include <algorithm>

namespace widgets {

void centreOnScreen(QWidget* window) {
    QScreen* screen = window->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // The frame (title bar, borders) around the window's own area.
    const QSize frame = window->frameGeometry().size() - window->size();
    const QSize room = area.size() - frame;
    if (window->width() > room.width() || window->height() > room.height())
        window->resize(window->size().boundedTo(room).expandedTo(window->minimumSize()));
    const QSize size = window->frameGeometry().size();
    window->move(area.x() + std::max(0, (area.width() - size.width()) / 2),
                 area.y() + std::max(0, (area.height() - size.height()) / 2));
}

namespace {
class CentreOnShow : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && !event->spontaneous())
            centreOnScreen(static_cast<QWidget*>(watched));
        return false;
    }
};
} // namespace

void placeAndCloseOnEscape(QWidget* window) {
    window->installEventFilter(new CentreOnShow(window));
    QObject::connect(new QShortcut(QKeySequence(Qt::Key_Escape), window), &QShortcut::activated, window,
                     &QWidget::close);
}

} // namespace widgets
