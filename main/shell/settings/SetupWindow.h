#pragma once
// The settings window `Setup` ("환경설정"): edits the printer, label,
// connection, database and log settings, suggests matching print values when
// the printer, pitch, sensor, tag kind or label type changes, refuses
// combinations the printers and tags do not support, and carries the RFID and
// ribbon-adjust buttons that configure the printer over the window's own
// connection.
#include "main/core/Operator.h"
#include "main/printerconfig/PrinterConfig.h"
#include "main/printerlink/PrinterLink.h"
#include "main/settings/SetupRules.h"
#include "main/settings/SetupValues.h"

#include "main/shell/widgets/LaterOnce.h"

#include <QWidget>
#include <memory>

class QLabel;

namespace Ui {
class Setup;
}
class QLineEdit;

namespace settings {

class Setup;

// Opens the settings window without blocking the caller, centred on the
// screen, its settings read afresh; a window already open is brought to the
// front instead. Returns the window.
Setup* openSetupWindow(QWidget* parent = nullptr);

class Setup : public QWidget {
    Q_OBJECT
public:
    explicit Setup(QWidget* parent = nullptr);
    ~Setup() override;

    // Opening: the settings, then RFID, pitch and adjust values, then which
    // controls are enabled.
    void Form_Load();

    // Loading the settings into the controls; the defaults rule is held off
    // meanwhile. False when a value could not be converted (already shown).
    bool GetSetupData();
    void GetRFSetupData();
    void GetPTSetupData();
    void GetADJSetupData();

    // The defaults rule, run when one of the five lists changes its selection.
    void applyDefaults();

    // The combination check; false after its message.
    bool checkCombination();
    void cmdSave_Click();
    void cmdOK_Click();

    void optConn_Click(int index);
    void lblIPDisable_Click();
    void lblIPEable_Click();

    void cmdSetting_Click() { m_config.cmdSetting_Click(); }
    void cmdInit_Click() { m_config.cmdInit_Click(); }
    void cmdAdjSetting_Click() { m_config.cmdAdjSetting_Click(); }
    void cmdAdjInit_Click() { m_config.cmdAdjInit_Click(); }

    bool loading() const { return m_loading; }
    // Draws the sample label again from the boxes as typed; nothing is
    // stored or sent. False (and a hint instead of the label) when a size or
    // offset box holds no whole number.
    bool refreshPreview();
    const QLabel& labelPreview() const { return *m_preview; }
    const printerconfig::PrinterConfig& config() const { return m_config; }
    printerlink::PrinterLink& link() { return m_link; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Messages and the wait cursor go to the program's operator; the focus
    // goes into this window's own box of that name.
    class WindowOperator : public core::Operator {
    public:
        explicit WindowOperator(Setup& window) : m_window(window) {}
        void showMessage(const QString& text) override { core::currentOperator().showMessage(text); }
        bool askYesNo(const QString& text) override { return core::currentOperator().askYesNo(text); }
        void setWaitCursor(bool on) override { core::currentOperator().setWaitCursor(on); }
        void setFocus(const QString& controlName) override;

    private:
        Setup& m_window;
    };
    // The boxes of the RFID and ADJUST frames, as the printer buttons see them.
    class FrameBoxes : public printerconfig::ConfigBoxes {
    public:
        explicit FrameBoxes(Setup& window) : m_window(window) {}
        QString text(const QString& name) const override;
        void setText(const QString& name, const QString& value) override;
        int CboPType() const override;

    private:
        Setup& m_window;
    };

    void enableConnection();
    void applyPrinterConnection();
    void applyReflective();
    setup::ListChoice listChoice() const;
    int connOption() const;
    SetupValues readValues() const;
    void showValues(const SetupValues& values);
    QLineEdit* box(const QString& name) const;

    std::unique_ptr<Ui::Setup> ui;
    void schedulePreview();
    QLabel* m_preview = nullptr;
    bool m_previewReady = false;
    widgets::LaterOnce m_previewLater{this, [this] { refreshPreview(); }};
    bool m_loading = false;
    WindowOperator m_op;
    FrameBoxes m_boxes;
    printerlink::PrinterLink m_link;
    printerconfig::PrinterConfig m_config;
};

} // namespace settings
