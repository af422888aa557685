#pragma once
// What the settings window `Setup` reads from and writes to the settings
// files, as values: the window copies its controls into these structures and
// back, and shows nothing the procedures here do not show themselves.
#include <QString>

namespace core {
class Operator;
}

namespace settings {

// Set after every successful store of the settings window; the main window
// reloads its settings record when it is next activated, and clears it.
extern bool gSettingsChanged;

// The settings window's controls that hold a setting. Lists are positions
// (-1 when nothing is selected); option groups are the index of the button
// that is on (-1 when none is).
struct SetupValues {
    QString txtTotH;
    QString txtLabelH;
    QString txtLabelW;
    QString txtDensity;
    QString txtPrtX;
    QString txtPrtY;
    QString txtSerNo;
    QString txtFeeding;
    QString txtNotice;
    QString txtDBNm;
    QString txtDBID;
    QString txtDBPW;
    QString txtIP;
    QString txtPort;
    int CboPType = -1;  // 0 B-SX5T, 1 B-SA4TP
    int CboPort = -1;   // COM1..COM9
    int CboTag = -1;    // 삼성테크윈, 루셈, UR-TECH, RF링크
    int cboSensor = -1; // 0 투과, 1 반사
    int CboType = -1;   // 0 라벨형, 1 고리형
    int optConn = 0;    // 0 TCP/IP, 1 serial, 2 USB
    bool chkFastStatus = false;
    int OptLog = -1; // 0 "Y", 1 "N"
};

// The values of the RFID frame, and the stored RFID command used as template.
struct RfidValues {
    QString txtIssueRetry;
    QString txtPowerLevel;
    QString txtAdjRetry;
    QString sRfidTemplate;
};

// The values of the ribbon-adjust frame, and the stored adjust command.
struct AdjustValues {
    QString txtRbnAdj_FW;
    QString txtRbnAdj_BK;
    QString sAdjTemplate;
};

struct SetupData;

namespace setup {

inline constexpr int kComPortCount = 9;

// The settings record of the boxes as typed, for the sample label of the
// window; nothing is read or stored. False when a size or offset box holds
// no whole number.
bool typedSetupData(const SetupValues& values, SetupData& into);

// Loads the settings into the values; values whose setting is not one of the
// list's entries stay as they were. A value that cannot be converted (a
// non-numeric height or port, a port above COM9) stops the loading there: the
// error text is shown and false returned; values loaded before it stay.
bool GetSetupData(SetupValues& values, core::Operator& op);

// Stores the values. The first empty required box gets its message and the
// focus and nothing is stored; then the keys are written in a fixed order;
// success is shown and gSettingsChanged set. A feed that is no number shows
// the error after the keys before it were written. Returns true when stored.
bool SetSetupData(const SetupValues& values, core::Operator& op);

// The feed as stored: four digits, a minus sign when negative, no "+".
// Raises the 16-bit conversion's error for text that is no number.
QString feedingToStore(const QString& txtFeeding);

RfidValues GetRFSetupData();
void SetRFSetupData(const QString& sIssueRetry, const QString& sPowerLevel, const QString& sAdjRetry,
                    const QString& sSendData);

AdjustValues GetADJSetupData();
// The adjust command itself is never written: it comes with the installation.
void SetADJSetupData(const QString& sRbnAdj_FW, const QString& sRbnAdj_BK);

// Pitch list: 0 "Short", 1 "Long". "1"/"2" select it; other values keep it.
void GetPTSetupData(int& cboPitch);
void SetPTSetupData(int cboPitch);

// True when the printer serial number may use short pitch, that is when it is
// not listed in "long_sno.ini" (working directory; spaces around the number
// and the lines do not count). A listed number shows
// "SHORT PITCH로 변경할 수 없는 장비입니다."; a missing or unreadable list
// shows the error; both return false.
bool CheckLongSNO(const QString& txtSerNo, core::Operator& op);

} // namespace setup
} // namespace settings
