#include "main/shell/Login.h"

#include "main/database/DbConn.h"
#include "main/settings/DbSettings.h"
#include "main/shell/DBSetup.h"
#include "main/shell/RPMain.h"
#include "main/shell/StartUp.h"
#include "main/shell/core/FailureReport.h"
#include "main/shell/core/Operator.h"
#include "ui_Login.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QScreen>

namespace shell {

void centreOnScreen(QWidget* window) {
    QScreen* screen = window->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize size = window->frameGeometry().size();
    window->move(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2);
}

Login::Login(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::Login>()) {
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose, false);
    connect(ui->cmdOK, &QPushButton::clicked, this, &Login::cmdOK_Click);
    connect(ui->cmdCancel, &QPushButton::clicked, this, &Login::cmdCancel_Click);
    connect(ui->cmdSetup, &QPushButton::clicked, this, &Login::cmdSetup_Click);
    for (QWidget* box : {static_cast<QWidget*>(ui->txtID), static_cast<QWidget*>(ui->txtDBNm),
                         static_cast<QWidget*>(ui->txtDBID), static_cast<QWidget*>(ui->txtDBPW)})
        selectAllOnFocus(box);
    LoadDbInfo();
    adjustSize();
    centreOnScreen(this);
}

Login::~Login() = default;

RPMain* Login::mainWindow() const { return m_main; }
DBSetup* Login::dbSetupWindow() const { return m_dbSetup; }

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
    Operator& op = currentOperator();
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
    // login: bring it forward rather than replace the connection under it.
    if (m_main && m_main->isVisible()) {
        m_main->raise();
        m_main->activateWindow();
        return;
    }

    auto& conn = database::gDbConn;
    try {
        m_step = QStringLiteral("A");
        const QString sDBNm = ui->txtDBNm->text();
        const QString sDBID = ui->txtDBID->text();
        const QString sDBPW = ui->txtDBPW->text();
        m_step = QStringLiteral("B");
        const QString sDbKind = settings::readDbKind();
        op.setWaitCursor(true);
        database::connectionString(sDbKind, sDBNm, sDBID, sDBPW);
        m_step = QStringLiteral("C");
        conn.open(sDBNm, sDBID, sDBPW, sDbKind);
        m_step = QStringLiteral("D");
        const database::Recordset rs(conn, QStringLiteral("select *from slfanrfidauth where usr_sid = '") +
                                               database::sqlText(ui->txtID->text()) + QStringLiteral("' "));
        m_step = QStringLiteral("E");
        op.setWaitCursor(false);
        if (rs.recordCount() == 0) {
            m_step = QStringLiteral("F");
            op.showMessage(QStringLiteral("해당 아이디가 존재하지 않습니다."));
            conn.close();
            m_step = QStringLiteral("G");
            op.setFocus(ui->txtID->objectName());
            return;
        }
        m_step = QStringLiteral("H");
        database::gUserId = ui->txtID->text();
        m_step = QStringLiteral("I");
        if (!m_main)
            m_main = new RPMain();
        m_main->show();
        m_main->raise();
        m_main->activateWindow();
        m_step = QStringLiteral("J");
    } catch (const std::exception& e) {
        op.setWaitCursor(false);
        if (conn.isOpen())
            conn.close();
        // A window that failed while loading is not left half made.
        if (m_main && !m_main->isVisible())
            delete m_main;
        op.showMessage(errorText(e) + QLatin1Char('[') + m_step + QLatin1Char(']'));
    }
}

void Login::cmdCancel_Click() { EndProgram(); }

void Login::closeEvent(QCloseEvent* event) {
    // Closing the login window before the main window is up ends the
    // program as the cancel button does; afterwards it only hides it.
    event->accept();
    if (!endingProgram() && !(m_main && m_main->isVisible()))
        EndProgram();
}

void Login::cmdSetup_Click() {
    if (!m_dbSetup)
        m_dbSetup = new DBSetup();
    m_dbSetup->show();
    m_dbSetup->raise();
    m_dbSetup->activateWindow();
}

} // namespace shell
