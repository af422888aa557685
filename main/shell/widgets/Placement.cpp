#include "main/shell/widgets/Placement.h"

#include <QScreen>
#include <QWidget>

namespace widgets {

void centreOnScreen(QWidget* window) {
    QScreen* screen = window->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.x() + (area.width() - size.width()) / 2,
                 area.y() + (area.height() - size.height()) / 2);
}

} // namespace widgets
