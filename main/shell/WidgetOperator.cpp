#include "main/shell/WidgetOperator.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QWidget>

namespace shell {

namespace {
QWidget* dialogParent() {
    QWidget* w = QApplication::activeWindow();
    return w && w->isVisible() ? w : nullptr;
}
} // namespace

void WidgetOperator::showMessage(const QString& text) {
    // A message must be readable even when a run left the wait cursor on.
    const bool wasWaiting = m_waitDepth > 0;
    if (wasWaiting)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    QMessageBox box(QMessageBox::NoIcon, QString::fromLatin1(core::kAppTitle), text, QMessageBox::Ok,
                    dialogParent());
    box.exec();
    if (wasWaiting)
        QGuiApplication::restoreOverrideCursor();
}

namespace {
bool ask(const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, dialogParent());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
} // namespace

bool WidgetOperator::askYesNo(const QString& text) {
    return ask(QString::fromLatin1(core::kAppTitle), text);
}

bool WidgetOperator::askToExit(const QString& text) {
    return ask(QStringLiteral("종료"), text);
}

void WidgetOperator::setWaitCursor(bool on) {
    if (on) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        ++m_waitDepth;
    } else {
        // Restoring twice is harmless: the login restores the cursor on
        // every way out, whether or not the wait had begun.
        while (m_waitDepth > 0) {
            QGuiApplication::restoreOverrideCursor();
            --m_waitDepth;
        }
    }
}

void WidgetOperator::setFocus(const QString& controlName) {
    if (QWidget* w = findControl(controlName))
        w->setFocus(Qt::OtherFocusReason);
}

QWidget* findControl(const QString& controlName) {
    QWidgetList windows;
    if (QWidget* active = QApplication::activeWindow())
        windows.append(active);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (!windows.contains(w) && w->isVisible())
            windows.append(w);
    for (QWidget* top : windows) {
        if (top->objectName() == controlName)
            return top;
        if (auto* w = top->findChild<QWidget*>(controlName))
            return w;
    }
    return nullptr;
}

} // namespace shell
