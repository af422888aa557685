#pragma once
// The buttons of the settings window's frames "RFID설정" and "ADJUST설정":
// each builds one configuration record (or takes the stored one), sends it
// followed by the reset record over the window's own connection, records the
// values in the settings files and tells the operator the printer resets.
// Nothing here needs a display: the boxes are reached through ConfigBoxes and
// the operator through the Operator seam.
#include <QMap>
#include <QString>
#include <functional>

namespace core {
class Operator;
}
namespace printerlink {
class PrinterLink;
}

namespace printerconfig {

// The boxes the four buttons read and fill, by control name (txtIssueRetry,
// txtPowerLevel, txtAdjRetry, txtRbnAdj_FW, txtRbnAdj_BK), and the printer
// model list `CboPType` (0 B-SX5T, 1 B-SA4TP).
class ConfigBoxes {
public:
    virtual ~ConfigBoxes() = default;
    virtual QString text(const QString& name) const = 0;
    virtual void setText(const QString& name, const QString& value) = 0;
    virtual int CboPType() const = 0;
};

// Boxes held as plain values (command line, tests).
class ValueBoxes : public ConfigBoxes {
public:
    QString text(const QString& name) const override { return values.value(name); }
    void setText(const QString& name, const QString& value) override { values[name] = value; }
    int CboPType() const override { return printerModel; }

    QMap<QString, QString> values;
    int printerModel = 0;
};

// Sends one configuration record and then the reset record "{Z0|}" (the
// latter with no limit on the serial drain). True when both were handed to
// the connection; the connection is closed on every path. A failed open has
// shown its own message; a failure while sending shows the error text.
bool RfidCmd_Send(printerlink::PrinterLink& link, const QString& sSendData, core::Operator& op);

class PrinterConfig {
public:
    PrinterConfig(printerlink::PrinterLink& link, ConfigBoxes& boxes, core::Operator& op);

    // The stored commands, loaded with the window and kept while it is open.
    QString sRfidTemplate;
    QString sAdjTemplate;

    // Loads both templates from the settings files (the window does this when
    // it loads, together with the boxes).
    void loadTemplates();

    // Each returns true when the record was sent and the values stored.
    bool cmdSetting_Click();
    bool cmdInit_Click();
    bool cmdAdjSetting_Click();
    bool cmdAdjInit_Click();

    // How long the printer is given to reset before the operator is told.
    static constexpr int kResetWaitMs = 4000;

private:
    // The first empty box of the list shows its message, takes the focus and
    // stops the click. Blanks count as content.
    bool boxesFilled(const QList<std::pair<const char*, const char*>>& boxes);
    // Sends, stores and tells the operator; the pointer is busy meanwhile.
    bool sendAndStore(const QString& command, const std::function<void()>& store, const QString& message);

    printerlink::PrinterLink& m_link;
    ConfigBoxes& m_boxes;
    core::Operator& m_op;
};

} // namespace printerconfig
