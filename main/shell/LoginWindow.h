#pragma once
// The login window: the operator's user id and the database account; a
// successful login opens the shared connection and shows the main window,
// and the login window stays open behind it.
#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>

namespace Ui {
class Login;
}

namespace settings {
class DBSetup;
}

namespace shell {

class RPMain;

class Login : public QWidget {
    Q_OBJECT
public:
    explicit Login(QWidget* parent = nullptr);
    ~Login() override;

    // Fills the database boxes from "db_setup.ini".
    void LoadDbInfo();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdSetup_Click();

    // The step the last login attempt reached ("A" .. "J").
    QString stepMarker() const { return m_step; }
    RPMain* mainWindow() const;
    settings::DBSetup* dbSetupWindow() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::unique_ptr<Ui::Login> ui;
    QString m_step;
    QPointer<RPMain> m_main;
    QPointer<settings::DBSetup> m_dbSetup;
};

} // namespace shell
