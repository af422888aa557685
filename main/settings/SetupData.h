#pragma once
// The settings record of the main window, loaded from the INI files of the
// program directory. Text fields are compared as numbers by their users.
#include <QString>

namespace core {
class Operator;
}

namespace settings {

struct SetupData {
    qint16 nTotHeight = 0;
    qint16 nLabelHeight = 0;
    qint16 nLabelWidth = 0;
    qint16 nPrtX = 0;
    qint16 nPrtY = 0;
    QString sDensity;  // sign and two digits: +03, -05
    QString sFeeding;  // sign and four digits: +0130, -0050
    QString sSerialNo; // printer serial number
    qint16 nComPort = 0;
    QString sSensorType;  // "1" transmissive, "2" reflective
    QString sPrinterType; // "1" B-SX5T, "2" B-SA4TP
    QString sNotice;      // label top slogan
    QString sConnKind;    // "1" TCP/IP, "2" serial, "3" USB (01 loads as 1)
    QString sPrinterIP;
    QString sPrinterPort;
    QString sDetailLog;      // "1" detail trace on
    bool fastStatus = false; // answers taken as soon as they are whole
};

// The three main-window selections the settings set: tag kind list `CboTag`,
// label type list `CboPrintType` (0 label type, 1 hang-tag type) and the
// connection option group `optConn` (0 TCP/IP, 1 serial, 2 USB).
struct MainSelections {
    int CboTag = 0;
    int CboPrintType = 0;
    int optConn = 0;
};

// Tag kind list positions (삼성테크윈, 루셈, UR-TECH, RF링크) and label types.
inline constexpr int kTagKindCount = 4;
inline constexpr int kLabelTypeCount = 2;

// The main window's loading of the settings record: fills `SetupData` and the
// three selections from the settings files of the program directory. A value
// that must be a 16-bit number and is not stops the loading at that key:
// fields loaded before it keep their new values, the rest keep what they had,
// and "[GetSetupData][error]" goes to the detail log and to the operator.
// Returns false in that case.
bool GetSetupData(SetupData& setupData, MainSelections& selections, core::Operator& op);

} // namespace settings
