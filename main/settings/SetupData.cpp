#include "main/settings/SetupData.h"

#include "main/core/FailureReport.h"
#include "main/settings/SettingsFiles.h"
#include "platform/RuntimeError.h"

namespace settings {

bool GetSetupData(SetupData& setupData, MainSelections& selections, core::Operator& op) {
    try {
        setupData.nTotHeight = platform::toInt16(readSetting(kTotHeight));
        setupData.nLabelHeight = platform::toInt16(readSetting(kLabelHeight));
        setupData.nLabelWidth = platform::toInt16(readSetting(kLabelWidth));
        setupData.nPrtX = platform::toInt16(readSetting(kPrtX));
        setupData.nPrtY = platform::toInt16(readSetting(kPrtY));
        setupData.sDensity = signedDigits(readSetting(kDensity), 2);
        setupData.sSerialNo = readSetting(kSerialNo);
        setupData.sFeeding = signedDigits(readSetting(kFeeding), 4);

        // A port below COM1 means the first port.
        QString comPort = readSetting(kComPort);
        if (platform::toInt16(comPort) < 1)
            comPort = QStringLiteral("1");
        setupData.nComPort = platform::toInt16(comPort);

        selectListPosition(readSetting(kTagKind), kTagKindCount, selections.CboTag);
        setupData.sSensorType = readSetting(kSensorType);
        selectListPosition(readSetting(kTagType), kLabelTypeCount, selections.CboPrintType);
        setupData.sPrinterType = readSetting(kPrinterType);
        setupData.sNotice = readSetting(kNotice);

        // "01" and "1" are the same connection; anything but TCP/IP or serial is USB.
        setupData.sConnKind = QString::number(platform::toInt16(readSetting(kConnKind)));
        if (setupData.sConnKind == QLatin1String("1"))
            selections.optConn = 0;
        else if (setupData.sConnKind == QLatin1String("2"))
            selections.optConn = 1;
        else
            selections.optConn = 2;

        setupData.sPrinterIP = readSetting(kPrinterIp);
        setupData.sPrinterPort = readSetting(kPrinterPort);
        setupData.fastStatus = readSetting(kFastStatus) == QLatin1String("1");
        setupData.sDetailLog = readSetting(kDetailLog);
    } catch (const std::exception& e) {
        core::reportFailure(op, QStringLiteral("GetSetupData"), core::errorText(e));
        return false;
    }
    return true;
}

} // namespace settings
