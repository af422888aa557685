#include "main/shell/widgets/BoxFocus.h"

#include "platform/Clock.h"

#include <QAbstractSpinBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace widgets {

namespace {

bool selectAll(QWidget* control) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        if (!edit->text().isEmpty())
            edit->selectAll();
        return true;
    }
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(control)) {
        if (!spin->text().isEmpty())
            spin->selectAll();
        return true;
    }
    return false;
}

class SelectOnFocus : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            auto* control = qobject_cast<QWidget*>(watched);
            selectAll(control);
            // A mouse click that gave the focus places the cursor after this
            // event and would drop the selection again: select once more after it.
            QPointer<QWidget> later = control;
            QTimer::singleShot(0, control, [later] {
                if (later && later->hasFocus())
                    SelectAllText(later);
            });
        }
        return false;
    }
};

} // namespace

void SelectAllText(QWidget* control) {
    if (selectAll(control))
        platform::clock().runPendingEvents();
}

void selectAllOnFocus(QWidget* control) {
    static SelectOnFocus* filter = new SelectOnFocus(QCoreApplication::instance());
    control->installEventFilter(filter);
}

} // namespace widgets
