#include "main/shell/settings/SetupWindow.h"

#include "main/settings/SetupRules.h"
#include "main/settings/SetupValues.h"
#include "ui_SetupWindow.h"

#include "main/core/FailureReport.h"
#include "main/issuing/LabelPreview.h"
#include "main/shell/widgets/BoxFocus.h"
#include "main/shell/widgets/Clicks.h"
#include "main/shell/widgets/Placement.h"

#include <QApplication>
#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>

namespace settings {

namespace {

using namespace setup;

// The boxes that select their whole text when they gain the focus.
const char* const kSelectAllBoxes[] = {"txtDBID",    "txtDBNm",   "txtDBPW",       "txtDensity",
                                       "txtFeeding", "txtIP",     "txtIssueRetry", "txtLabelH",
                                       "txtLabelW",  "txtNotice", "txtPort",       "txtPowerLevel",
                                       "txtPrtX",    "txtPrtY",   "txtSerNo",      "txtTotH"};

QPointer<Setup> g_setupWindow;

void setIfGiven(QLineEdit* box, const char* value) {
    if (value)
        box->setText(QString::fromUtf8(value));
}

} // namespace

Setup* openSetupWindow(QWidget* parent) {
    if (g_setupWindow) {
        g_setupWindow->raise();
        g_setupWindow->activateWindow();
        return g_setupWindow;
    }
    auto* w = new Setup(parent);
    // A top-level window of its own even with a parent: it must not block or
    // sit inside the main window.
    w->setWindowFlag(Qt::Window);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->Form_Load();
    w->adjustSize();
    widgets::centreOnScreen(w);
    w->show();
    g_setupWindow = w;
    return w;
}

Setup::Setup(QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::Setup>()), m_op(*this), m_boxes(*this), m_link([this] {
          return printerlink::SettingsControls{connOption(), ui->txtIP->text(), ui->txtPort->text(),
                                               ui->CboPort->currentIndex()};
      }),
      m_config(m_link, m_boxes, m_op) {
    ui->setupUi(this);
    // Lists start with nothing selected; a setting that names no entry
    // leaves them so.
    for (QComboBox* list : {ui->CboPType, ui->CboPort, ui->CboTag, ui->CboType, ui->cboPitch, ui->cboSensor})
        list->setCurrentIndex(-1);

    for (QComboBox* list : {ui->cboPitch, ui->CboPType, ui->cboSensor, ui->CboTag, ui->CboType})
        connect(list, &QComboBox::currentIndexChanged, this, [this] { applyDefaults(); });

    // An option button switched on by the program acts as if clicked.
    const QList<QRadioButton*> conn{ui->optConn_0, ui->optConn_1, ui->optConn_2};
    for (int i = 0; i < conn.size(); ++i)
        connect(conn[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optConn_Click(i);
        });

    widgets::connectClicks(this, {{ui->cmdSave, &Setup::cmdSave_Click},
                                  {ui->cmdOK, &Setup::cmdOK_Click},
                                  {ui->cmdSetting, &Setup::cmdSetting_Click},
                                  {ui->cmdInit, &Setup::cmdInit_Click},
                                  {ui->cmdAdjSetting, &Setup::cmdAdjSetting_Click},
                                  {ui->cmdAdjInit, &Setup::cmdAdjInit_Click}});

    ui->lblIPDisable->installEventFilter(this);
    ui->lblIPEable->installEventFilter(this);
    for (const char* name : kSelectAllBoxes)
        widgets::selectAllOnFocus(box(QString::fromLatin1(name)));

    // The sample label under the print settings at two fifths of its size,
    // redrawn as the boxes change; the window fits a 1024x768 screen.
    m_preview = new QLabel(this);
    m_preview->setObjectName(QStringLiteral("picLabelPreview"));
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setWordWrap(true);
    ui->vbLeft->insertWidget(ui->vbLeft->count() - 1, m_preview);
    for (QLineEdit* b : {ui->txtTotH, ui->txtLabelH, ui->txtLabelW, ui->txtPrtX, ui->txtPrtY, ui->txtNotice})
        connect(b, &QLineEdit::textChanged, this, [this] { schedulePreview(); });
    for (QComboBox* list : {ui->CboType, ui->CboPType, ui->cboSensor})
        connect(list, &QComboBox::currentIndexChanged, this, [this] { schedulePreview(); });
}

void Setup::schedulePreview() {
    // Drawn once the window has loaded, and once for a burst of changes.
    if (m_previewReady)
        m_previewLater.request();
}

bool Setup::refreshPreview() {
    const SetupValues v = readValues();
    SetupData typed;
    if (!setup::typedSetupData(v, typed)) {
        m_preview->setPixmap(QPixmap());
        m_preview->setText(QStringLiteral("라벨크기와 인쇄위치를 숫자로 입력하면 미리보기가 나타납니다."));
        return false;
    }
    try {
        const QImage image = issuing::previewImage(issuing::sampleLabel(typed, v.CboType == 1 ? 1 : 0));
        m_preview->setPixmap(QPixmap::fromImage(
            image.scaledToWidth(std::min(image.width() * 2 / 5, 400), Qt::SmoothTransformation)));
        return true;
    } catch (const std::exception& e) {
        m_preview->setPixmap(QPixmap());
        m_preview->setText(core::errorText(e));
        return false;
    }
}

Setup::~Setup() {
    // The window's own connection never outlives it.
    m_link.fncRsClose();
}

QLineEdit* Setup::box(const QString& name) const {
    auto* b = findChild<QLineEdit*>(name);
    Q_ASSERT(b);
    return b;
}

bool Setup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == ui->lblIPDisable)
            lblIPDisable_Click();
        else if (watched == ui->lblIPEable)
            lblIPEable_Click();
    }
    return QWidget::eventFilter(watched, event);
}

// ---- loading --------------------------------------------------------------

SetupValues Setup::readValues() const {
    SetupValues v;
    v.txtTotH = ui->txtTotH->text();
    v.txtLabelH = ui->txtLabelH->text();
    v.txtLabelW = ui->txtLabelW->text();
    v.txtDensity = ui->txtDensity->text();
    v.txtPrtX = ui->txtPrtX->text();
    v.txtPrtY = ui->txtPrtY->text();
    v.txtSerNo = ui->txtSerNo->text();
    v.txtFeeding = ui->txtFeeding->text();
    v.txtNotice = ui->txtNotice->text();
    v.txtDBNm = ui->txtDBNm->text();
    v.txtDBID = ui->txtDBID->text();
    v.txtDBPW = ui->txtDBPW->text();
    v.txtIP = ui->txtIP->text();
    v.txtPort = ui->txtPort->text();
    v.CboPType = ui->CboPType->currentIndex();
    v.CboPort = ui->CboPort->currentIndex();
    v.CboTag = ui->CboTag->currentIndex();
    v.cboSensor = ui->cboSensor->currentIndex();
    v.CboType = ui->CboType->currentIndex();
    v.optConn = connOption();
    v.chkFastStatus = ui->chkFastStatus->isChecked();
    v.OptLog = ui->OptLog_0->isChecked() ? 0 : ui->OptLog_1->isChecked() ? 1 : -1;
    return v;
}

void Setup::showValues(const SetupValues& v) {
    ui->txtTotH->setText(v.txtTotH);
    ui->txtLabelH->setText(v.txtLabelH);
    ui->txtLabelW->setText(v.txtLabelW);
    ui->txtPrtX->setText(v.txtPrtX);
    ui->txtPrtY->setText(v.txtPrtY);
    ui->txtDensity->setText(v.txtDensity);
    ui->txtSerNo->setText(v.txtSerNo);
    ui->txtFeeding->setText(v.txtFeeding);
    ui->CboPort->setCurrentIndex(v.CboPort);
    ui->CboTag->setCurrentIndex(v.CboTag);
    ui->cboSensor->setCurrentIndex(v.cboSensor);
    ui->CboType->setCurrentIndex(v.CboType);
    ui->CboPType->setCurrentIndex(v.CboPType);
    ui->txtNotice->setText(v.txtNotice);
    ui->txtDBNm->setText(v.txtDBNm);
    ui->txtDBID->setText(v.txtDBID);
    ui->txtDBPW->setText(v.txtDBPW);
    const QList<QRadioButton*> conn{ui->optConn_0, ui->optConn_1, ui->optConn_2};
    if (v.optConn >= 0 && v.optConn < conn.size())
        conn[v.optConn]->setChecked(true);
    ui->chkFastStatus->setChecked(v.chkFastStatus);
    ui->txtIP->setText(v.txtIP);
    ui->txtPort->setText(v.txtPort);
    if (v.OptLog == 0)
        ui->OptLog_0->setChecked(true);
    else if (v.OptLog == 1)
        ui->OptLog_1->setChecked(true);
}

bool Setup::GetSetupData() {
    m_loading = true;
    SetupValues values = readValues();
    const bool loaded = setup::GetSetupData(values, m_op);
    // What was read before a failing key is shown; the rest stays.
    showValues(values);
    m_loading = false;
    return loaded;
}

void Setup::GetRFSetupData() {
    const RfidValues v = setup::GetRFSetupData();
    ui->txtIssueRetry->setText(v.txtIssueRetry);
    ui->txtPowerLevel->setText(v.txtPowerLevel);
    ui->txtAdjRetry->setText(v.txtAdjRetry);
    m_config.sRfidTemplate = v.sRfidTemplate;
}

void Setup::GetPTSetupData() {
    m_loading = true;
    int pitch = ui->cboPitch->currentIndex();
    setup::GetPTSetupData(pitch);
    ui->cboPitch->setCurrentIndex(pitch);
    m_loading = false;
}

void Setup::GetADJSetupData() {
    const AdjustValues v = setup::GetADJSetupData();
    ui->txtRbnAdj_FW->setText(v.txtRbnAdj_FW);
    ui->txtRbnAdj_BK->setText(v.txtRbnAdj_BK);
    m_config.sAdjTemplate = v.sAdjTemplate;
}

void Setup::Form_Load() {
    // A value that cannot be read has been shown; the other files still load.
    GetSetupData();
    GetRFSetupData();
    GetPTSetupData();
    GetADJSetupData();

    enableConnection();
    const bool sa4tp = ui->CboPType->currentIndex() == SA4TP;
    const bool sx5t = ui->CboPType->currentIndex() == SX5T;
    if (sa4tp || sx5t) {
        ui->cboPitch->setEnabled(sx5t);
        ui->optConn_1->setEnabled(sx5t);
        ui->optConn_2->setEnabled(sa4tp);
    }
    m_previewReady = true;
    refreshPreview();
}

// ---- connection controls ---------------------------------------------------

void Setup::enableConnection() {
    const bool tcp = ui->optConn_0->isChecked();
    const bool serial = !tcp && ui->optConn_1->isChecked();
    ui->txtIP->setEnabled(tcp);
    ui->txtPort->setEnabled(tcp);
    ui->CboPort->setEnabled(serial);
}

void Setup::optConn_Click(int) {
    enableConnection();
}

void Setup::lblIPDisable_Click() {
    for (QWidget* w : std::initializer_list<QWidget*>{ui->optConn_0, ui->optConn_1, ui->txtIP, ui->txtPort,
                                                      ui->lblIP, ui->lblPortNo, ui->fraConn})
        w->hide();
}

void Setup::lblIPEable_Click() {
    for (QWidget* w : std::initializer_list<QWidget*>{ui->optConn_0, ui->optConn_1, ui->txtIP, ui->txtPort,
                                                      ui->lblIP, ui->lblPortNo, ui->fraConn})
        w->show();
}

// ---- defaults rule -----------------------------------------------------------

void Setup::applyPrinterConnection() {
    const int printer = ui->CboPType->currentIndex();
    if (printer != SX5T && printer != SA4TP)
        return;
    const bool sx5t = printer == SX5T;
    ui->cboPitch->setEnabled(sx5t);
    ui->optConn_1->setEnabled(sx5t);
    ui->optConn_2->setEnabled(!sx5t);
    if (!ui->optConn_0->isChecked())
        (sx5t ? ui->optConn_1 : ui->optConn_2)->setChecked(true);
}

void Setup::applyDefaults() {
    if (m_loading)
        return;
    const int sensor = ui->cboSensor->currentIndex();
    if (sensor == Transmissive) {
        ui->txtLabelH->setText(QStringLiteral("320"));
        ui->txtFeeding->setText(QStringLiteral("0200"));
        ui->txtPrtY->setText(QStringLiteral("0"));
        ui->txtPowerLevel->setText(QStringLiteral("010"));
        applyPrinterConnection();
    } else if (sensor == Reflective) {
        applyPrinterConnection();
        if (ui->CboPType->currentIndex() == SA4TP && ui->cboPitch->currentIndex() == Long) {
            // This printer has no long pitch: back to short, which runs the
            // rule again with the short values.
            ui->cboPitch->setCurrentIndex(Short);
            return;
        }
        applyReflective();
    }
}

void Setup::applyReflective() {
    const ReflectiveRow* row = reflectiveDefaults(listChoice());
    if (!row)
        return;
    if (row->message) {
        m_op.showMessage(QString::fromUtf8(row->message));
        return;
    }
    setIfGiven(ui->txtLabelH, row->txtLabelH);
    setIfGiven(ui->txtFeeding, row->txtFeeding);
    setIfGiven(ui->txtPrtY, row->txtPrtY);
    setIfGiven(ui->txtPowerLevel, row->txtPowerLevel);
    setIfGiven(ui->txtAdjRetry, row->txtAdjRetry);
    setIfGiven(ui->txtDensity, row->txtDensity);
}

ListChoice Setup::listChoice() const {
    return {ui->CboPType->currentIndex(), ui->cboPitch->currentIndex(), ui->CboTag->currentIndex(),
            ui->CboType->currentIndex()};
}

int Setup::connOption() const {
    return ui->optConn_0->isChecked() ? ConnTcp : ui->optConn_1->isChecked() ? ConnSerial : ConnUsb;
}

// ---- storing ---------------------------------------------------------------

bool Setup::checkCombination() {
    if (ui->cboPitch->currentIndex() == Short && !CheckLongSNO(ui->txtSerNo->text(), m_op))
        return false;
    const QString message = combinationProblem(listChoice(), connOption());
    if (message.isEmpty())
        return true;
    m_op.showMessage(message);
    return false;
}

void Setup::cmdSave_Click() {
    if (!checkCombination())
        return;
    setup::SetSetupData(readValues(), m_op);
    // The pitch is stored even when a box stopped the other settings.
    setup::SetPTSetupData(ui->cboPitch->currentIndex());
}

void Setup::cmdOK_Click() {
    if (!checkCombination())
        return;
    m_op.showMessage(QStringLiteral("설정이 모두 완료되었습니다. 설정창을 닫습니다."));
    close();
}

// ---- operator and boxes ----------------------------------------------------

void Setup::WindowOperator::setFocus(const QString& controlName) {
    if (auto* w = m_window.findChild<QWidget*>(controlName))
        w->setFocus(Qt::OtherFocusReason);
}

QString Setup::FrameBoxes::text(const QString& name) const {
    return m_window.box(name)->text();
}

void Setup::FrameBoxes::setText(const QString& name, const QString& value) {
    m_window.box(name)->setText(value);
}

int Setup::FrameBoxes::CboPType() const {
    return m_window.ui->CboPType->currentIndex();
}

} // namespace settings
