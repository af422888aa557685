#include "main/printerconfig/PrinterConfig.h"

#include "main/core/FailureReport.h"
#include "main/core/Operator.h"
#include "main/core/Reported.h"
#include "main/printerconfig/ConfigCommands.h"
#include "main/printerlink/PrinterLink.h"
#include "main/settings/SetupValues.h"
#include "platform/Clock.h"

namespace printerconfig {

namespace {

// Closing after a failure must not hide the failure itself.
void closeQuietly(printerlink::PrinterLink& link) {
    try {
        link.fncRsClose();
    } catch (const std::exception&) {
    }
}

} // namespace

bool RfidCmd_Send(printerlink::PrinterLink& link, const QString& sSendData, core::Operator& op) {
    try {
        if (!link.fncRsOpen())
            return false;
        link.fncRsSend(sSendData, printerlink::SendWait::Bounded);
        link.fncRsSend(QString::fromLatin1(kResetRecord), printerlink::SendWait::Unbounded);
        link.fncRsClose();
        return true;
    } catch (const std::exception& e) {
        closeQuietly(link);
        op.showMessage(core::errorText(e));
        return false;
    }
}

PrinterConfig::PrinterConfig(printerlink::PrinterLink& link, ConfigBoxes& boxes, core::Operator& op)
    : m_link(link), m_boxes(boxes), m_op(op) {}

void PrinterConfig::loadTemplates() {
    sRfidTemplate = settings::setup::GetRFSetupData().sRfidTemplate;
    sAdjTemplate = settings::setup::GetADJSetupData().sAdjTemplate;
}

bool PrinterConfig::boxesFilled(const QList<std::pair<const char*, const char*>>& boxes) {
    for (const auto& [name, message] : boxes) {
        const QString box = QString::fromLatin1(name);
        if (m_boxes.text(box).isEmpty()) {
            m_op.showMessage(QString::fromUtf8(message));
            m_op.setFocus(box);
            return false;
        }
    }
    return true;
}

bool PrinterConfig::sendAndStore(const QString& command, const std::function<void()>& store,
                                 const QString& message) {
    core::WaitCursor wait(m_op);
    try {
        if (!RfidCmd_Send(m_link, command, m_op))
            return false;
        store();
        // The printer resets after "{Z0|}"; the window does not respond meanwhile.
        platform::clock().sleepMs(kResetWaitMs);
        wait.restore();
        m_op.showMessage(message + QStringLiteral("\r\n\r\n태그발행기를 리셋합니다."));
        return true;
    } catch (const std::exception& e) {
        wait.restore();
        m_op.showMessage(core::errorText(e));
        return false;
    }
}

bool PrinterConfig::cmdSetting_Click() {
    if (!boxesFilled({{"txtIssueRetry", "ISSUE RETRY값을 입력하여 주십시오."},
                      {"txtPowerLevel", "POWER LEVEL값을 입력하여 주십시오."},
                      {"txtAdjRetry", "ADJ RETRY값을 입력하여 주십시오."}}))
        return false;
    const QString issueRetry = m_boxes.text(QStringLiteral("txtIssueRetry"));
    const QString powerLevel = m_boxes.text(QStringLiteral("txtPowerLevel"));
    const QString adjRetry = m_boxes.text(QStringLiteral("txtAdjRetry"));
    const QString command =
        buildRfidCommand(sRfidTemplate, issueRetry, powerLevel, adjRetry, m_boxes.CboPType());
    return sendAndStore(
        command,
        [&] {
            // The command sent becomes the template of the next window.
            settings::setup::SetRFSetupData(formatNumber(issueRetry, QStringLiteral("000")),
                                            formatNumber(powerLevel, QStringLiteral("000")),
                                            formatNumber(adjRetry, QStringLiteral("+00")), command);
        },
        QStringLiteral("RFID환경을 설정하였습니다."));
}

bool PrinterConfig::cmdInit_Click() {
    const RfidTemplateValues v = rfidValuesOf(sRfidTemplate);
    return sendAndStore(
        sRfidTemplate,
        [&] {
            settings::setup::SetRFSetupData(v.issueRetry, v.powerLevel, v.adjRetry, sRfidTemplate);
            m_boxes.setText(QStringLiteral("txtIssueRetry"), v.issueRetry);
            m_boxes.setText(QStringLiteral("txtPowerLevel"), v.powerLevel);
            m_boxes.setText(QStringLiteral("txtAdjRetry"), v.adjRetry);
        },
        QStringLiteral("RFID설정을 초기화 하였습니다."));
}

bool PrinterConfig::cmdAdjSetting_Click() {
    if (!boxesFilled({{"txtRbnAdj_FW", "RBN ADJ(FW)값을 입력하여 주십시오."},
                      {"txtRbnAdj_BK", "RBN ADJ(BK)값을 입력하여 주십시오."}}))
        return false;
    const QString fw = m_boxes.text(QStringLiteral("txtRbnAdj_FW"));
    const QString bk = m_boxes.text(QStringLiteral("txtRbnAdj_BK"));
    return sendAndStore(
        buildAdjCommand(sAdjTemplate, fw, bk),
        [&] {
            settings::setup::SetADJSetupData(formatNumber(fw, QStringLiteral("00")),
                                             formatNumber(bk, QStringLiteral("00")));
        },
        QStringLiteral("ADJST환경을 설정하였습니다."));
}

bool PrinterConfig::cmdAdjInit_Click() {
    const AdjValues v = adjValuesOf(sAdjTemplate);
    return sendAndStore(
        sAdjTemplate,
        [&] {
            settings::setup::SetADJSetupData(v.rbnAdjFw, v.rbnAdjBk);
            m_boxes.setText(QStringLiteral("txtRbnAdj_FW"), v.rbnAdjFw);
            m_boxes.setText(QStringLiteral("txtRbnAdj_BK"), v.rbnAdjBk);
        },
        QStringLiteral("ADJUST설정을 초기화 하였습니다."));
}

} // namespace printerconfig
