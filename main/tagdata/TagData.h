#pragma once
// The identifier written into a tag's RFID inlay, and the double-byte form of
// label texts for the printer's Korean fonts. Pure functions: they read no
// settings and keep no state. A conversion that cannot be done raises
// platform::RuntimeError to the caller, whose failure report shows it.
#include <QByteArray>
#include <QString>

namespace tagdata {

// The fixed head of every tag identifier this system writes (sPreCode).
inline constexpr char kTagPrefix[] = "05410D";

// The tag data: sPreCode followed by upper-case hexadecimal digits packing the
// organisation code six bits per character and the serial number and suffix
// four bits per digit. A non-digit in sSeqNo or sExpandCode raises
// "Type mismatch" and no data is produced.
QString SetTagData(const QString& sPreCode, const QString& sOrganCode, const QString& sSeqNo,
                   const QString& sExpandCode);

// Six bits as "0"/"1" text: digits are 11 + the digit in four bits, letters
// (either case) 0 + their alphabet position in five bits, anything else 27.
QString EncodeSixBit(QChar valF);

// Base-2 digits of a non-negative whole number, most significant first, no
// leading zeros ("0" for zero).
QString DECtoBIN(quint64 valF);
// The same for text holding such a number (blanks around it allowed);
// anything else raises "Type mismatch", a number beyond 64 bits "Overflow".
QString DECtoBIN(const QString& valF);

// Decimal text of a base-2 digit string ("0101" gives "5"); empty text gives
// an empty result. Letters count 10..35 as in any base; other characters
// raise "Type mismatch".
QString BINtoDEC(const QString& valF);

// The double-byte form of a label text, exactly two bytes per character: a
// character with a two-byte code page 949 code keeps its own bytes, a
// single-byte character b becomes 0xC9, b + 0x81. A single-byte code of 0x7F
// or above raises "Overflow"; a character without any code page 949 code
// becomes "?" (0xC9 0xC0).
QByteArray GetHangul(const QString& hcode);

} // namespace tagdata
