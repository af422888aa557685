#pragma once
// The two configuration records of the settings window: the RFID record and
// the ribbon-adjust record, each patched from its stored template. The
// template carries the printer's fixed characters; the boxes' values go into
// their positions, formatted with the window's number patterns.
#include <QString>

namespace printerconfig {

// The reset record sent after every configuration record.
inline constexpr const char* kResetRecord = "{Z0|}";

// Formats numeric text with a pattern of zeros and literals ("000", "+00",
// "00"): 5 gives 005, +05 and 05. A value wider than the pattern keeps all its
// digits; a fraction is rounded half away from zero; a negative value is a
// minus sign before the formatted pattern; text that is not a number (the empty
// text included) passes unchanged.
QString formatNumber(const QString& text, const QString& pattern);
// True for the texts formatNumber treats as numbers: optional blanks, an
// optional sign, digits with at most one decimal point.
bool isNumericText(const QString& text);

// Printer model as `CboPType` lists it.
enum PrinterModel { ModelSX5T = 0, ModelSA4TP = 1 };
// The last twelve characters of the RFID record, which tell the printer model.
QString modelTail(int cboPTypeIndex);

// The RFID record: template 1-10, ISSUE RETRY "000", template 14-23,
// ADJ RETRY "+00", POWER LEVEL "000", the model tail. Characters missing from
// a short template are simply absent.
QString buildRfidCommand(const QString& sRfidTemplate, const QString& issueRetry, const QString& powerLevel,
                         const QString& adjRetry, int cboPTypeIndex);
// The ribbon-adjust record: template 1-28, RBN ADJ(FW) "00", template 31,
// RBN ADJ(BK) "00", the last six characters of the template.
QString buildAdjCommand(const QString& sAdjTemplate, const QString& rbnAdjFw, const QString& rbnAdjBk);

// The values a stored template carries, put back into the boxes by the reset
// buttons.
struct RfidTemplateValues {
    QString issueRetry; // characters 11-13
    QString powerLevel; // characters 27-29
    QString adjRetry;   // characters 24-26
};
RfidTemplateValues rfidValuesOf(const QString& sRfidTemplate);
struct AdjValues {
    QString rbnAdjFw; // characters 29-30
    QString rbnAdjBk; // characters 32-33
};
AdjValues adjValuesOf(const QString& sAdjTemplate);

} // namespace printerconfig
