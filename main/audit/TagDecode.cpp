#include "main/audit/TagDecode.h"

#include "main/tagdata/TagData.h"

namespace audit {

namespace {

constexpr int kSerialDigits = 12;

bool isHex(QStringView s) {
    for (QChar c : s)
        if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F')))
            return false;
    return !s.isEmpty();
}

// Decimal digits to upper-case hexadecimal by repeated division.
QString decimalToHex(QString digits) {
    QString hex;
    while (!digits.isEmpty() && digits != QLatin1String("0")) {
        QString quotient;
        int rest = 0;
        for (QChar c : digits) {
            rest = rest * 10 + (c.unicode() - u'0');
            if (!quotient.isEmpty() || rest / 16 > 0)
                quotient += QChar(u'0' + rest / 16);
            rest %= 16;
        }
        hex.prepend(QString::number(rest, 16).toUpper());
        digits = quotient;
    }
    return hex.isEmpty() ? QStringLiteral("0") : hex;
}

// One character of the six-bit organisation code; characters the encoding
// never writes come back as '?', every "other" character as '-'.
QChar sixBitChar(quint32 v) {
    if ((v & 0x30) == 0x30)
        return (v & 0x0F) <= 9 ? QChar(u'0' + (v & 0x0F)) : QChar(u'?');
    if (v & 0x20)
        return QChar(u'?');
    if (v >= 1 && v <= 26)
        return QChar(u'A' + v - 1);
    return v == 27 ? QChar(u'-') : QChar(u'?');
}

// The bits of the hex digits; a final short group holds its value in the
// bits that were left, as the encoding wrote them.
QString bitsOf(QStringView hex) {
    QString bits;
    bits.reserve(hex.size() * 4);
    for (QChar c : hex) {
        const int v = QString(c).toInt(nullptr, 16);
        for (int b = 3; b >= 0; --b)
            bits += (v >> b) & 1 ? u'1' : u'0';
    }
    return bits;
}

QString organCodeOf(const QString& bits, int chars) {
    QString code;
    for (int i = 0; i < chars; ++i)
        code += sixBitChar(bits.mid(6 * i, 6).toUInt(nullptr, 2));
    return code;
}

constexpr int kLongestOrganCode = 20;

} // namespace

QString normaliseEpc(const QString& text) {
    QString t = text.trimmed();
    if (t.startsWith(QChar(0xFEFF)))
        t.remove(0, 1);
    static const QString raw = QStringLiteral("urn:epc:raw:");
    if (t.startsWith(raw, Qt::CaseInsensitive)) {
        const qsizetype dot = t.indexOf(QLatin1Char('.'), raw.size());
        if (dot < 0)
            return t;
        QString value = t.mid(dot + 1);
        if (value.startsWith(QLatin1Char('x'), Qt::CaseInsensitive))
            return value.mid(1).toUpper();
        bool digits = !value.isEmpty();
        for (QChar c : value)
            digits = digits && c >= u'0' && c <= u'9';
        if (!digits)
            return t;
        // The decimal form drops leading zeros: the length names the bits.
        const QString hex = decimalToHex(value);
        const int width = t.mid(raw.size(), dot - raw.size()).toInt() / 4;
        return width > hex.size() ? QString(width - hex.size(), u'0') + hex : hex;
    }
    if (t.startsWith(QLatin1String("urn:"), Qt::CaseInsensitive))
        return t;
    t.remove(QLatin1Char(' '));
    t.remove(QLatin1Char('\t'));
    t.remove(QLatin1Char('-'));
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        t = t.mid(2);
    return t.toUpper();
}

bool looksLikeEpc(const QString& text) {
    const QString n = normaliseEpc(text);
    return n.size() >= 8 && isHex(n);
}

TagDecoder::TagDecoder(const QString& organCode, const QString& suffix)
    : m_organCode(organCode), m_suffix(suffix) {
    for (int k = 0; k <= kLongestOrganCode; ++k)
        m_lengths
            << tagdata::SetTagData(QString(), QString(k, u'A'), QString(kSerialDigits, u'0'), suffix).size();
    if (organCode.size() % 2 == 0)
        m_head = tagdata::SetTagData(QLatin1String(tagdata::kTagPrefix), organCode, QString(), QString());
}

DecodedRead TagDecoder::decode(const QString& epc) const {
    DecodedRead d;
    d.epc = normaliseEpc(epc);
    // Most reads are this organisation's tags: their serial number and
    // suffix digits stand as they are behind the head.
    if (!m_head.isEmpty() && d.epc.size() == m_head.size() + kSerialDigits + m_suffix.size() &&
        d.epc.startsWith(m_head) && d.epc.endsWith(m_suffix)) {
        const QStringView serial = QStringView(d.epc).mid(m_head.size(), kSerialDigits);
        bool digits = true;
        for (QChar c : serial)
            digits = digits && c >= u'0' && c <= u'9';
        if (digits) {
            d.tagId = m_organCode + serial.toString() + m_suffix;
            return d;
        }
    }
    return decodeBits(std::move(d));
}

DecodedRead TagDecoder::decodeBits(DecodedRead d) const {
    if (!isHex(d.epc)) {
        d.reason = ForeignReason::NotHex;
        return d;
    }
    const QString prefix = QLatin1String(tagdata::kTagPrefix);
    if (!d.epc.startsWith(prefix)) {
        d.reason = ForeignReason::Prefix;
        d.detail = d.epc.left(prefix.size());
        return d;
    }
    const QString body = d.epc.mid(prefix.size());
    const QString bits = bitsOf(body);
    const int ours = static_cast<int>(m_organCode.size());
    if (ours > kLongestOrganCode || body.size() != m_lengths[ours]) {
        // Another organisation whose code has another length?
        for (int k = 0; k <= kLongestOrganCode; ++k) {
            if (k != ours && body.size() == m_lengths[k]) {
                d.reason = ForeignReason::Organisation;
                d.detail = organCodeOf(bits, k);
                return d;
            }
        }
        d.reason = ForeignReason::Length;
        d.detail = QString::number(d.epc.size());
        return d;
    }
    // The organisation's part is compared as encoded: "abc" and "ABC", or a
    // hyphen and a blank, write the same bits.
    QString ourBits;
    for (QChar c : m_organCode)
        ourBits += tagdata::EncodeSixBit(c);
    const QString code = organCodeOf(bits, ours);
    if (code != organCodeOf(ourBits, ours)) {
        d.reason = ForeignReason::Organisation;
        d.detail = code;
        return d;
    }
    QString serial;
    for (int i = 0; i < kSerialDigits; ++i) {
        const uint v = bits.mid(6 * ours + 4 * i, 4).toUInt(nullptr, 2);
        if (v > 9) {
            d.reason = ForeignReason::Serial;
            return d;
        }
        serial += QChar(u'0' + v);
    }
    // What the last bits hold is checked by writing the tag data again.
    if (tagdata::SetTagData(prefix, m_organCode, serial, m_suffix) != d.epc) {
        d.reason = ForeignReason::Serial;
        return d;
    }
    d.tagId = m_organCode + serial + m_suffix;
    return d;
}

QString reasonCode(ForeignReason reason, const QString& detail) {
    switch (reason) {
    case ForeignReason::None:
        return {};
    case ForeignReason::NotHex:
        return QStringLiteral("not hexadecimal");
    case ForeignReason::Prefix:
        return QStringLiteral("prefix %1").arg(detail);
    case ForeignReason::Length:
        return QStringLiteral("length %1 digits").arg(detail);
    case ForeignReason::Organisation:
        return QStringLiteral("organisation %1").arg(detail);
    case ForeignReason::Serial:
        return QStringLiteral("serial or suffix not decimal");
    }
    return {};
}

} // namespace audit
