#pragma once
// Reads a handheld reader's EPC back into the readable tag id: the inverse of
// the tag data encoding (prefix, organisation code six bits per character,
// serial number and suffix four bits per digit).
#include <QList>
#include <QString>

namespace audit {

// Why a read is not one of this organisation's tags.
enum class ForeignReason {
    None,
    NotHex,       // not hexadecimal digits (another kind of identifier)
    Prefix,       // does not start with the system's prefix
    Length,       // wrong number of digits for this organisation's tags
    Organisation, // another organisation's code (`detail` holds it)
    Serial,       // a serial or suffix digit that is no decimal digit
};

struct DecodedRead {
    QString epc;   // the read as normalised: upper-case hexadecimal where it is one
    QString tagId; // readable tag id (organisation code, serial, suffix); empty when foreign
    ForeignReason reason = ForeignReason::None;
    QString detail; // the other organisation's code, the prefix or length read
    bool ours() const { return reason == ForeignReason::None; }
};

// The EPC text of a read without blanks, "0x", and in upper case; the value
// of a "urn:epc:raw:LEN.xHEX" or "urn:epc:raw:LEN.DECIMAL" form as hex. Other
// text comes back trimmed.
QString normaliseEpc(const QString& text);

// True when the text, once normalised, is hexadecimal digits only.
bool looksLikeEpc(const QString& text);

// Decodes reads against the organisation's code and the tag suffix. The
// tags of an even-length code are read straight from their digits; every
// other read goes through the bits.
class TagDecoder {
public:
    explicit TagDecoder(const QString& organCode, const QString& suffix = QStringLiteral("01"));
    DecodedRead decode(const QString& epc) const;

private:
    DecodedRead decodeBits(DecodedRead d) const;

    QString m_organCode, m_suffix;
    QString m_head;             // prefix and the organisation's digits, when they are whole
    QList<qsizetype> m_lengths; // tag data length by organisation code length
};

// The reason as a stored audit and the command line keep it
// ("organisation SE123400"); noteLabel (Reconcile.h) says it in Korean.
QString reasonCode(ForeignReason reason, const QString& detail);

} // namespace audit
