#include "main/shell/LoginWindow.h"

#include "main/core/FailureReport.h"
#include "main/core/Operator.h"
#include "main/database/Login.h"
#include "main/settings/DbSettings.h"
#include "main/shell/RPMain.h"
#include "main/shell/StartUp.h"
#include "main/shell/settings/DbSetupWindow.h"
#include "main/shell/widgets/BoxFocus.h"
#include "main/shell/widgets/Placement.h"
#include "ui_LoginWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>

namespace shell {

Login::Login(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::Login>()) {
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose, false);
    connect(ui->cmdOK, &QPushButton::clicked, this, &Login::cmdOK_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &Login::cmdCancel_Click);
    connect(ui->cmdSetup, &QPushButton::clicked, this, &Login::cmdSetup_Click);
    for (QWidget* box : {static_cast<QWidget*>(ui->txtID), static_cast<QWidget*>(ui->txtDBNm),
                         static_cast<QWidget*>(ui->txtDBID), static_cast<QWidget*>(ui->txtDBPW)})
        widgets::selectAllOnFocus(box);
    LoadDbInfo();
    adjustSize();
    widgets::centreOnScreen(this);
}

Login::~Login() = default;

RPMain* Login::mainWindow() const {
    return m_main;
}
settings::DBSetup* Login::dbSetupWindow() const {
    return m_dbSetup;
}

void Login::LoadDbInfo() {
    const settings::DbInfo info = settings::readDbInfo();
    ui->txtDBNm->setText(info.sDatabase);
    ui->txtDBID->setText(info.sUser);
    ui->txtDBPW->setText(info.sPassword);
}

void Login::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !ui->txtID->text().isEmpty()) {
        cmdOK_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Login::cmdOK_Click() {
    core::Operator& op = core::currentOperator();
    struct Box {
        QLineEdit* edit;
        const char16_t* message;
    };
    const Box boxes[] = {{ui->txtID, u"아이디를 입력하여 주십시오."},
                         {ui->txtDBNm, u"Database를 입력하여 주십시오."},
                         {ui->txtDBID, u"User를 입력하여 주십시오."},
                         {ui->txtDBPW, u"Password를 입력하여 주십시오."}};
    for (const Box& b : boxes) {
        if (b.edit->text().isEmpty()) {
            op.showMessage(QString::fromUtf16(b.message));
            op.setFocus(b.edit->objectName());
            return;
        }
    }
    // The main window is already running on the connection of the first
    // login: the new user takes over that connection, never in the middle of
    // a run, whose tags are recorded under the user who started it.
    if (m_main && m_main->isVisible()) {
        if (m_main->runActive()) {
            op.showMessage(QStringLiteral("태그 발행 중에는 사용자를 바꿀 수 없습니다.\r\n"
                                          "발행이 끝난 뒤 다시 로그인하여 주십시오."));
            return;
        }
        if (database::switchUser(ui->txtID->text())) {
            m_main->raise();
            m_main->activateWindow();
        }
        return;
    }

    if (database::loginDatabase(ui->txtID->text(), ui->txtDBNm->text(), ui->txtDBID->text(),
                                ui->txtDBPW->text(), m_step) != database::LoginResult::Opened)
        return;
    try {
        if (!m_main)
            m_main = new RPMain();
        m_main->show();
        m_main->raise();
        m_main->activateWindow();
        m_step = QStringLiteral("J");
    } catch (const std::exception& e) {
        // A window that failed while loading is not left half made.
        if (m_main && !m_main->isVisible())
            delete m_main;
        database::reportLoginError(core::errorText(e), m_step);
    }
}

void Login::cmdCancel_Click() {
    EndProgram();
}

void Login::closeEvent(QCloseEvent* event) {
    // Closing the login window before the main window is up ends the
    // program as the cancel button does; afterwards it only hides it.
    event->accept();
    if (!endingProgram() && !(m_main && m_main->isVisible()))
        EndProgram();
}

void Login::cmdSetup_Click() {
    if (!m_dbSetup)
        m_dbSetup = new settings::DBSetup();
    m_dbSetup->show();
    m_dbSetup->raise();
    m_dbSetup->activateWindow();
}

} // namespace shell
