#include "main/shell/settings/DbSetupWindow.h"

#include "main/core/Operator.h"
#include "main/settings/DbSettings.h"
#include "main/shell/widgets/Placement.h"
#include "ui_DbSetupWindow.h"

#include <QShowEvent>

namespace settings {

DBSetup::DBSetup(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::DBSetup>()) {
    ui->setupUi(this);
    connect(ui->cmdSave, &QPushButton::clicked, this, &DBSetup::cmdSave_Click);
    connect(ui->cmdExit, &QPushButton::clicked, this, &DBSetup::cmdExit_Click);
}

DBSetup::~DBSetup() = default;

void DBSetup::showEvent(QShowEvent* event) {
    // The file is read afresh each time the window opens.
    int position = ui->CboCon->currentIndex();
    settings::dbsetup::GetSetupData(position);
    ui->CboCon->setCurrentIndex(position);
    QWidget::showEvent(event);
    if (!event->spontaneous())
        widgets::centreOnScreen(this);
}

void DBSetup::cmdSave_Click() {
    settings::dbsetup::SetSetupData(ui->CboCon->currentIndex(), core::currentOperator());
}

void DBSetup::cmdExit_Click() {
    close();
}

} // namespace settings
