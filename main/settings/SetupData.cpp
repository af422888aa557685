#include "main/settings/SetupData.h"

#include "main/core/FailureReport.h"
#include "main/settings/SettingsFiles.h"
#include "platform/RuntimeError.h"

namespace settings {

bool GetSetupData(SetupData& setupData, MainSelections& selections, core::Operator& op) {
    try {
        setupData.nTotHeight = numberSetting(kTotHeight);
        setupData.nLabelHeight = numberSetting(kLabelHeight);
        setupData.nLabelWidth = numberSetting(kLabelWidth);
        setupData.nPrtX = numberSetting(kPrtX);
        setupData.nPrtY = numberSetting(kPrtY);
        setupData.sDensity = signedDigits(QString::number(numberSetting(kDensity)), 2);
        setupData.sSerialNo = readSetting(kSerialNo);
        setupData.sFeeding = signedDigits(QString::number(numberSetting(kFeeding)), 4);

        // A port below COM1 means the first port.
        setupData.nComPort = std::max<qint16>(numberSetting(kComPort), 1);

        selectListPosition(readSetting(kTagKind), kTagKindCount, selections.CboTag);
        setupData.sSensorType = readSetting(kSensorType);
        selectListPosition(readSetting(kTagType), kLabelTypeCount, selections.CboPrintType);
        setupData.sPrinterType = readSetting(kPrinterType);
        setupData.sNotice = readSetting(kNotice);

        // "01" and "1" are the same connection; anything but TCP/IP or serial is USB.
        setupData.sConnKind = QString::number(numberSetting(kConnKind));
        if (setupData.sConnKind == QLatin1String("1"))
            selections.optConn = 0;
        else if (setupData.sConnKind == QLatin1String("2"))
            selections.optConn = 1;
        else
            selections.optConn = 2;

        setupData.sPrinterIP = readSetting(kPrinterIp);
        setupData.sPrinterPort = readSetting(kPrinterPort);
        setupData.fastStatus = readSetting(kFastStatus) == QLatin1String("1");
        // Every issue converts it: a bad value fails here, not at each tag.
        numberSetting(kDetailLog);
        setupData.sDetailLog = readSetting(kDetailLog);
    } catch (const std::exception& e) {
        core::reportFailure(op, QStringLiteral("GetSetupData"), core::errorText(e));
        return false;
    }
    return true;
}

} // namespace settings
