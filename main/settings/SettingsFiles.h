#pragma once
// The settings files of the program directory: every file, section and key the
// main program reads or writes, with the value it takes when missing. Nothing
// is cached; each read goes to the file.
#include <QString>

namespace settings {

inline constexpr const char* kSetupIni = "setup.ini";
inline constexpr const char* kTagTypeIni = "tag_type.ini";
inline constexpr const char* kPrinterTypeIni = "printer_type.ini";
inline constexpr const char* kDbSetupIni = "db_setup.ini";
inline constexpr const char* kConnSetupIni = "conn_setup.ini";
inline constexpr const char* kLogSetupIni = "log_setup.ini";
inline constexpr const char* kRfidSetupIni = "rfid_setup.ini";
inline constexpr const char* kAdjustSetupIni = "adjust_setup.ini";
inline constexpr const char* kPitchSetupIni = "pitch_setup.ini";
// Plain list of long-pitch-only printer serial numbers, one per line; opened
// relative to the working directory, not the program directory.
inline constexpr const char* kLongSnoFile = "long_sno.ini";

inline constexpr const char* kPrintOptionSection = "PRINT_OPTION";
inline constexpr const char* kPrinterInfoSection = "PRINTER_INFO";
inline constexpr const char* kTagSection = "TAG";
inline constexpr const char* kDbInfoSection = "DBINFO";
inline constexpr const char* kTagOptionSection = "TAG_OPTION";
inline constexpr const char* kPrinterListSection = "PRINTER_LIST";
inline constexpr const char* kEtcSection = "ETC";
inline constexpr const char* kDbInfoSetupSection = "DB_INFO";
inline constexpr const char* kConnectInfoSection = "CONNECT_INFO";
inline constexpr const char* kLogSection = "LOG";
inline constexpr const char* kRfidOptionSection = "RFID_OPTION";
inline constexpr const char* kAdjustOptionSection = "ADJUST_OPTION";
inline constexpr const char* kPitchOptionSection = "PITCH_OPTION";

// Shown by the settings and database windows after a store.
inline constexpr const char* kSettingsSavedMessage = "환경정보를 설정하였습니다.";

// One setting: where it lives and what a read gives when it is missing.
struct Key {
    const char* file;
    const char* section;
    const char* key;
    const char* defaultValue;
};

inline constexpr Key kTotHeight{kSetupIni, kPrintOptionSection, "TOT_HEIGHT", "0"};
inline constexpr Key kLabelHeight{kSetupIni, kPrintOptionSection, "LABEL_HEIGHT", "0"};
inline constexpr Key kLabelWidth{kSetupIni, kPrintOptionSection, "LABEL_WIDTH", "0"};
inline constexpr Key kPrtX{kSetupIni, kPrintOptionSection, "X", "0"};
inline constexpr Key kPrtY{kSetupIni, kPrintOptionSection, "Y", "0"};
inline constexpr Key kDensity{kSetupIni, kPrintOptionSection, "DENSITY", "0"};
// The main window feeds 13 mm when nothing is set; the settings window shows
// an empty box instead (kFeedingSetupWindowDefault).
inline constexpr Key kFeeding{kSetupIni, kPrintOptionSection, "FEEDING", "0130"};
inline constexpr const char* kFeedingSetupWindowDefault = "";
inline constexpr Key kSensorType{kSetupIni, kPrintOptionSection, "SENSOR_TYPE", "1"};
inline constexpr Key kSerialNo{kSetupIni, kPrinterInfoSection, "SERIAL_NO", ""};
inline constexpr Key kComPort{kSetupIni, kPrinterInfoSection, "COM_PORT", "1"};
inline constexpr Key kTagKind{kSetupIni, kTagSection, "TAG_KIND", "1"};
inline constexpr Key kDbKind{kSetupIni, kDbInfoSection, "DB_KIND", "1"};
inline constexpr Key kTagType{kTagTypeIni, kTagOptionSection, "TAG_TYPE", "1"};
inline constexpr Key kPrinterType{kPrinterTypeIni, kPrinterListSection, "PRINTER_TYPE", "1"};
inline constexpr Key kNotice{kDbSetupIni, kEtcSection, "NOTICE", ""};
inline constexpr Key kDatabase{kDbSetupIni, kDbInfoSetupSection, "DATABASE", ""};
inline constexpr Key kUser{kDbSetupIni, kDbInfoSetupSection, "USER", ""};
inline constexpr Key kPassword{kDbSetupIni, kDbInfoSetupSection, "PASSWORD", ""};
inline constexpr Key kConnKind{kConnSetupIni, kConnectInfoSection, "CONN_KIND", "1"};
inline constexpr Key kPrinterIp{kConnSetupIni, kConnectInfoSection, "PRINTER_IP", ""};
inline constexpr Key kPrinterPort{kConnSetupIni, kConnectInfoSection, "PRINTER_PORT", ""};
// "1": printer answers are taken as soon as they are whole; anything else
// keeps the fixed pauses of the printer rules.
inline constexpr Key kFastStatus{kConnSetupIni, kConnectInfoSection, "FAST_STATUS", ""};
inline constexpr Key kDetailLog{kLogSetupIni, kLogSection, "DETAIL_LOG", "2"};
inline constexpr Key kIssueRetry{kRfidSetupIni, kRfidOptionSection, "ISSUE_RETRY", ""};
inline constexpr Key kPowerLevel{kRfidSetupIni, kRfidOptionSection, "POWER_LEVEL", ""};
inline constexpr Key kAdjRetry{kRfidSetupIni, kRfidOptionSection, "ADJ_RETRY", ""};
inline constexpr Key kRfidInitCmd{kRfidSetupIni, kRfidOptionSection, "INIT_CMD", ""};
inline constexpr Key kRbnAdjFw{kAdjustSetupIni, kAdjustOptionSection, "RBN_ADJ(FW)", ""};
inline constexpr Key kRbnAdjBk{kAdjustSetupIni, kAdjustOptionSection, "RBN_ADJ(BK)", ""};
inline constexpr Key kAdjustInitCmd{kAdjustSetupIni, kAdjustOptionSection, "INIT_CMD", ""};
inline constexpr Key kPitch{kPitchSetupIni, kPitchOptionSection, "PITCH", "1"};

// The file's path in the program directory.
QString settingsPath(const char* file);
// Reads a setting the system's way: at most 254 characters, NUL and TAB
// removed; the key's default when the file, section or key is missing.
QString readSetting(const Key& key);
QString readSetting(const Key& key, const QString& defaultValue);
// A setting the programs use as a number (-32768..32767); a value that is not
// one raises a RuntimeError naming the file, section and key and what to do.
qint16 numberSetting(const Key& key);
// "PATH 파일의 [SECTION] 섹션 KEY": where a message sends the operator.
QString keyPlace(const Key& key);
// Writes the text unchanged, creating file, section or key as needed. A
// failed write is not reported: the next read shows what the file holds.
void writeSetting(const Key& key, const QString& value);

// Settings text converted to a whole number with a sign and at least the
// given count of digits: "+03", "-05", "+0130", "-0050". Raises the 16-bit
// conversion's error for a value that is no number.
QString signedDigits(const QString& value, int digits);

// A list or option group set from a setting: "1".."count" select positions
// 0..count-1; any other value leaves the position as it was.
void selectListPosition(const QString& value, int count, int& position);

} // namespace settings
