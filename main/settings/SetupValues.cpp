#include "main/settings/SetupValues.h"

#include "main/core/FailureReport.h"
#include "main/core/Operator.h"
#include "main/settings/SettingsFiles.h"
#include "main/settings/SetupData.h"
#include "platform/Cp949.h"
#include "platform/RuntimeError.h"

#include <QFile>

namespace settings {

bool gSettingsChanged = false;

namespace setup {

namespace {

QString positionText(int position) {
    return QString::number(position + 1);
}

QString trimSpaces(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == u' ')
        ++b;
    while (e > b && s[e - 1] == u' ')
        --e;
    return s.mid(b, e - b);
}

// The boxes the window requires, checked in this order (the IP address and
// port only for TCP/IP); `key` is the box's setting, shown and saved as typed
// where `asTyped` (the others' texts are converted).
struct RequiredBox {
    QString SetupValues::*box;
    const char* control;
    const char* message;
    const Key* key;
    bool asTyped;
};

const RequiredBox kRequired[] = {
    {&SetupValues::txtTotH, "txtTotH", "전체라벨높이를 입력하여 주십시오.", &kTotHeight, false},
    {&SetupValues::txtLabelH, "txtLabelH", "라벨높이를 입력하여 주십시오.", &kLabelHeight, true},
    {&SetupValues::txtLabelW, "txtLabelW", "라벨너비를 입력하여 주십시오.", &kLabelWidth, true},
    {&SetupValues::txtDensity, "txtDensity", "인쇄농도를 입력하여 주십시오.", &kDensity, true},
    {&SetupValues::txtPrtX, "txtPrtX", "인쇄위치X를 입력하여 주십시오.", &kPrtX, true},
    {&SetupValues::txtPrtY, "txtPrtY", "인쇄위치Y를 입력하여 주십시오.", &kPrtY, true},
    {&SetupValues::txtSerNo, "txtSerNo", "시리얼번호 입력하여 주십시오.", &kSerialNo, true},
    {&SetupValues::txtFeeding, "txtFeeding", "Feeding값을 입력하여 주십시오.", &kFeeding, false},
    {&SetupValues::txtNotice, "txtNotice", "라벨상단 표어를 입력하여 주십시오.", &kNotice, true},
    {&SetupValues::txtDBNm, "txtDBNm", "Database를 입력하여 주십시오.", &kDatabase, true},
    {&SetupValues::txtDBID, "txtDBID", "User를 입력하여 주십시오.", &kUser, true},
    {&SetupValues::txtDBPW, "txtDBPW", "Password를 입력하여 주십시오.", &kPassword, true},
    {&SetupValues::txtIP, "txtIP", "프린터IP를 입력하여 주십시오.", &kPrinterIp, true},
    {&SetupValues::txtPort, "txtPort", "프린터PORT를 입력하여 주십시오.", &kPrinterPort, true},
};

bool tcpIpOnly(const RequiredBox& r) {
    return r.box == &SetupValues::txtIP || r.box == &SetupValues::txtPort;
}

} // namespace

bool GetSetupData(SetupValues& values, core::Operator& op) {
    try {
        values.txtTotH = QString::number(platform::toInt16(readSetting(kTotHeight)));
        for (const RequiredBox& r : kRequired)
            if (r.asTyped)
                values.*r.box = readSetting(*r.key);
        values.txtFeeding = readSetting(kFeeding, QString::fromLatin1(kFeedingSetupWindowDefault));

        int comPort = platform::toInt16(readSetting(kComPort));
        if (comPort < 1)
            comPort = 1;
        if (comPort > kComPortCount) // the port list ends at COM9
            throw platform::RuntimeError(QStringLiteral("Invalid property value"));
        values.CboPort = comPort - 1;

        selectListPosition(readSetting(kTagKind), kTagKindCount, values.CboTag);
        selectListPosition(readSetting(kSensorType), 2, values.cboSensor);
        selectListPosition(readSetting(kTagType), kLabelTypeCount, values.CboType);
        selectListPosition(readSetting(kPrinterType), 2, values.CboPType);

        const int connKind = platform::toInt16(readSetting(kConnKind));
        values.optConn = connKind == 1 ? 0 : connKind == 2 ? 1 : 2;
        values.chkFastStatus = readSetting(kFastStatus) == QLatin1String("1");

        selectListPosition(readSetting(kDetailLog), 2, values.OptLog);
    } catch (const std::exception& e) {
        op.showMessage(core::errorText(e));
        return false;
    }
    return true;
}

QString feedingToStore(const QString& txtFeeding) {
    // The file holds the feed without the "+" the printer record carries.
    QString text = signedDigits(txtFeeding, 4);
    if (text.startsWith(u'+'))
        text.remove(0, 1);
    return text;
}

bool SetSetupData(const SetupValues& values, core::Operator& op) {
    const bool tcpIp = values.optConn == 0;
    for (const RequiredBox& r : kRequired) {
        if (!tcpIp && tcpIpOnly(r))
            continue;
        if ((values.*r.box).isEmpty()) {
            op.showMessage(QString::fromUtf8(r.message));
            op.setFocus(QString::fromLatin1(r.control));
            return false;
        }
    }

    try {
        writeSetting(kTotHeight, values.txtTotH);
        writeSetting(kConnKind, QString::number(values.optConn == 0 ? 1 : values.optConn == 1 ? 2 : 3));
        // Serial and USB keep the last TCP/IP address for when it is chosen again.
        for (const RequiredBox& r : kRequired)
            if (r.asTyped && (tcpIp || !tcpIpOnly(r)))
                writeSetting(*r.key, values.*r.box);
        writeSetting(kFeeding, feedingToStore(values.txtFeeding));
        writeSetting(kComPort, positionText(values.CboPort));
        writeSetting(kTagKind, positionText(values.CboTag));
        writeSetting(kPrinterType, positionText(values.CboPType));
        writeSetting(kSensorType, positionText(values.cboSensor));
        writeSetting(kTagType, positionText(values.CboType));
        writeSetting(kFastStatus, values.chkFastStatus ? QStringLiteral("1") : QStringLiteral("0"));
        if (values.OptLog == 0)
            writeSetting(kDetailLog, QStringLiteral("1"));
        else if (values.OptLog == 1)
            writeSetting(kDetailLog, QStringLiteral("2"));
    } catch (const std::exception& e) {
        op.showMessage(core::errorText(e));
        return false;
    }
    op.showMessage(QString::fromUtf8(kSettingsSavedMessage));
    gSettingsChanged = true;
    return true;
}

RfidValues GetRFSetupData() {
    return {readSetting(kIssueRetry), readSetting(kPowerLevel), readSetting(kAdjRetry),
            readSetting(kRfidInitCmd)};
}

void SetRFSetupData(const QString& sIssueRetry, const QString& sPowerLevel, const QString& sAdjRetry,
                    const QString& sSendData) {
    writeSetting(kIssueRetry, sIssueRetry);
    writeSetting(kPowerLevel, sPowerLevel);
    writeSetting(kAdjRetry, sAdjRetry);
    writeSetting(kRfidInitCmd, sSendData);
}

AdjustValues GetADJSetupData() {
    return {readSetting(kRbnAdjFw), readSetting(kRbnAdjBk), readSetting(kAdjustInitCmd)};
}

void SetADJSetupData(const QString& sRbnAdj_FW, const QString& sRbnAdj_BK) {
    writeSetting(kRbnAdjFw, sRbnAdj_FW);
    writeSetting(kRbnAdjBk, sRbnAdj_BK);
}

void GetPTSetupData(int& cboPitch) {
    selectListPosition(readSetting(kPitch), 2, cboPitch);
}

void SetPTSetupData(int cboPitch) {
    writeSetting(kPitch, positionText(cboPitch));
}

bool CheckLongSNO(const QString& txtSerNo, core::Operator& op) {
    const QString fileName = QString::fromLatin1(kLongSnoFile);
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) {
        op.showMessage(
            (f.exists() ? QStringLiteral("Path/File access error: ") : QStringLiteral("File not found: ")) +
            fileName);
        return false;
    }
    const QByteArray all = f.readAll();
    f.close();
    const QString serial = trimSpaces(txtSerNo);
    for (QByteArray line : all.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QString listed = trimSpaces(platform::fromCp949(line));
        // A blank line lists no printer; it must not match an empty serial box.
        if (!listed.isEmpty() && listed == serial) {
            op.showMessage(QStringLiteral("SHORT PITCH로 변경할 수 없는 장비입니다."));
            return false;
        }
    }
    return true;
}

bool typedSetupData(const SetupValues& v, SetupData& into) {
    bool ok = true;
    const auto whole = [&](const QString& text, qint16& field) {
        bool good = false;
        const int n = text.trimmed().toInt(&good);
        ok = ok && good && n >= -32768 && n <= 32767;
        field = static_cast<qint16>(n);
    };
    whole(v.txtTotH, into.nTotHeight);
    whole(v.txtLabelH, into.nLabelHeight);
    whole(v.txtLabelW, into.nLabelWidth);
    whole(v.txtPrtX, into.nPrtX);
    whole(v.txtPrtY, into.nPrtY);
    into.sDensity = v.txtDensity;
    into.sFeeding = v.txtFeeding;
    into.sNotice = v.txtNotice;
    into.sPrinterType = QString::number(v.CboPType + 1);
    into.sSensorType = QString::number(v.cboSensor + 1);
    return ok;
}

} // namespace setup
} // namespace settings
