#include "main/shell/StartUp.h"

#include "main/issuing/PrintJob.h"
#include "main/shell/Login.h"
#include "main/core/FailureReport.h"
#include "main/core/Operator.h"
#include "platform/Clock.h"
#include "platform/SingleInstance.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QDate>
#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace shell {

QString gToday;

namespace {
QPointer<Login> g_login;
bool g_ending = false;

class SelectOnFocus : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) {
            // After the focus event: a mouse click that gave the focus would
            // otherwise place the cursor and drop the selection again.
            QPointer<QWidget> w = qobject_cast<QWidget*>(watched);
            QTimer::singleShot(0, w, [w] {
                if (w && w->hasFocus())
                    SelectAllText(w);
            });
        }
        return false;
    }
};
} // namespace

void SetToday() { gToday = QDate::currentDate().toString(QStringLiteral("yyyy/MM/dd")); }

int Main(platform::SingleInstance& instance, core::Operator& op) {
    if (!instance.acquire()) {
        op.showMessage(QStringLiteral("이미 실행되어있습니다."));
        return 0;
    }
    try {
        ShowLogin();
    } catch (const std::exception& e) {
        op.showMessage(core::errorText(e));
        op.showMessage(QStringLiteral("데이타베이스 접속에 실패했습니다.\r\n프로그램을 종료합니다."));
        EndProgram();
        return 1;
    }
    return -1;
}

void ShowLogin() {
    issuing::gTestCount = 0;
    if (!g_login)
        g_login = new Login();
    g_login->show();
}

void EndProgram() {
    g_ending = true;
    for (QWidget* w : QApplication::topLevelWidgets())
        w->close();
    if (g_login)
        g_login->deleteLater();
    QCoreApplication::quit();
}

bool endingProgram() { return g_ending; }

void SelectAllText(QWidget* control) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        if (!edit->text().isEmpty())
            edit->selectAll();
    } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(control)) {
        if (!spin->text().isEmpty())
            spin->selectAll();
    } else {
        return;
    }
    platform::clock().runPendingEvents();
}

void selectAllOnFocus(QWidget* control) {
    static SelectOnFocus* filter = new SelectOnFocus(qApp);
    control->installEventFilter(filter);
}

} // namespace shell
