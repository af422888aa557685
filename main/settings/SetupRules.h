#pragma once
// The settings window's rules on its lists, kept apart from the window so
// they can be checked without one: the print values that suit a reflective
// sensor for a printer, pitch, tag kind and label type, and the combinations
// that cannot be stored.
#include <QString>

namespace settings::setup {

// List positions as the lists hold them.
enum PrinterPos { SX5T = 0, SA4TP = 1 };
enum PitchPos { Short = 0, Long = 1 };
enum SensorPos { Transmissive = 0, Reflective = 1 };
enum TagKindPos { Samsung = 0, Lusem = 1, UrTech = 2, RfLink = 3 };
enum LabelTypePos { LabelType = 0, HangTag = 1 };
enum ConnPos { ConnTcp = 0, ConnSerial = 1, ConnUsb = 2 };

struct ListChoice {
    int printer = SX5T;
    int pitch = Short;
    int tag = Samsung;
    int type = LabelType;
};

// Print values for the reflective sensor; a null value leaves its box as it
// is. Combinations the tags do not exist in carry a message instead.
struct ReflectiveRow {
    int printer, pitch, tag, type;
    const char* txtLabelH;
    const char* txtFeeding;
    const char* txtPrtY;
    const char* txtPowerLevel;
    const char* txtAdjRetry;
    const char* txtDensity;
    const char* message;
};

// The row for a choice, or nullptr when the table has none.
const ReflectiveRow* reflectiveDefaults(const ListChoice& choice);

// Why the choice with this connection option cannot be stored, or an empty
// text when it can (the long-pitch list is checked by CheckLongSNO).
QString combinationProblem(const ListChoice& choice, int connOption);

} // namespace settings::setup
