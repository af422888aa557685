#pragma once
// The database window: which Oracle provider the login connects with.
#include <QWidget>
#include <memory>

namespace Ui {
class DBSetup;
}

namespace settings {

class DBSetup : public QWidget {
    Q_OBJECT
public:
    explicit DBSetup(QWidget* parent = nullptr);
    ~DBSetup() override;

    void cmdSave_Click();
    void cmdExit_Click();

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::DBSetup> ui;
};

} // namespace settings
