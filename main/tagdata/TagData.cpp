#include "main/tagdata/TagData.h"

#include "platform/Cp949.h"
#include "platform/RuntimeError.h"

namespace tagdata {

namespace {

[[noreturn]] void typeMismatch() {
    throw platform::RuntimeError(QString::fromLatin1(platform::kTypeMismatch));
}
[[noreturn]] void overflow() {
    throw platform::RuntimeError(QString::fromLatin1(platform::kOverflow));
}

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

QString padBits(const QString& bits, int width) {
    return bits.size() >= width ? bits : QString(width - bits.size(), u'0') + bits;
}

// Groups of four bits, rounded to the nearest whole number with a tie going to
// the even count: an odd pair of trailing bits is dropped or padded so that
// the tag data length stays even.
qsizetype groupCount(qsizetype bitCount) {
    const qsizetype whole = bitCount / 4;
    const qsizetype rest = bitCount % 4;
    if (rest < 2)
        return whole;
    if (rest > 2)
        return whole + 1;
    return (whole % 2 == 0) ? whole : whole + 1;
}

} // namespace

QString DECtoBIN(quint64 valF) {
    QString result;
    while (valF >= 2) {
        result.prepend(QChar(u'0' + static_cast<char16_t>(valF % 2)));
        valF /= 2;
    }
    result.prepend(QChar(u'0' + static_cast<char16_t>(valF)));
    return result;
}

QString DECtoBIN(const QString& valF) {
    const QString t = valF.trimmed();
    if (t.isEmpty())
        typeMismatch();
    quint64 n = 0;
    for (QChar c : t) {
        if (!isAsciiDigit(c))
            typeMismatch();
        const quint64 digit = c.unicode() - u'0';
        if (n > (UINT64_MAX - digit) / 10)
            overflow();
        n = n * 10 + digit;
    }
    return DECtoBIN(n);
}

QString BINtoDEC(const QString& valF) {
    if (valF.isEmpty())
        return QString();
    quint64 sum = 0;
    quint64 weight = 1;
    bool weightOverflowed = false;
    for (qsizetype i = valF.size() - 1; i >= 0; --i) {
        const QChar c = valF[i];
        quint64 digit = 0;
        if (isAsciiDigit(c))
            digit = c.unicode() - u'0';
        else if (c >= u'A' && c <= u'Z')
            digit = c.unicode() - u'A' + 10;
        else if (c >= u'a' && c <= u'z')
            digit = c.unicode() - u'a' + 10;
        else
            typeMismatch();
        if (digit != 0) {
            if (weightOverflowed || digit > (UINT64_MAX - sum) / weight)
                overflow();
            sum += digit * weight;
        }
        if (weight > UINT64_MAX / 2)
            weightOverflowed = true;
        else
            weight *= 2;
    }
    return QString::number(sum);
}

QString EncodeSixBit(QChar valF) {
    if (isAsciiDigit(valF))
        return QStringLiteral("11") + padBits(DECtoBIN(valF.unicode() - u'0'), 4);
    int i = 1;
    for (; i <= 26; ++i)
        if (valF.unicode() == 64 + i || valF.unicode() == 96 + i)
            break;
    return QStringLiteral("0") + padBits(DECtoBIN(static_cast<quint64>(i)), 5);
}

QString SetTagData(const QString& sPreCode, const QString& sOrganCode, const QString& sSeqNo,
                   const QString& sExpandCode) {
    QString bits;
    for (QChar c : sOrganCode)
        bits += EncodeSixBit(c);
    for (QChar c : sSeqNo)
        bits += padBits(DECtoBIN(QString(c)), 4);
    for (QChar c : sExpandCode)
        bits += padBits(DECtoBIN(QString(c)), 4);

    QString hex;
    const qsizetype n = groupCount(bits.size());
    for (qsizetype g = 0; g < n; ++g) {
        const quint64 value = BINtoDEC(bits.mid(4 * g, 4)).toULongLong();
        hex += QString::number(value, 16).toUpper();
    }
    return sPreCode + hex;
}

QByteArray GetHangul(const QString& hcode) {
    QByteArray result;
    result.reserve(hcode.size() * 2);
    for (qsizetype i = 0; i < hcode.size(); ++i) {
        // A character outside the basic plane is one character of two code units.
        const qsizetype len =
            (hcode[i].isHighSurrogate() && i + 1 < hcode.size() && hcode[i + 1].isLowSurrogate()) ? 2 : 1;
        const QStringView ch = QStringView(hcode).mid(i, len);
        i += len - 1;
        // A character without a code prints as "?", as every other field of
        // the label does, rather than failing the whole tag.
        std::optional<QByteArray> bytes = platform::encodeCp949(ch);
        if (!bytes || bytes->isEmpty() ||
            (static_cast<unsigned char>(bytes->at(0)) > 128 && bytes->size() != 2))
            bytes = QByteArray("?");
        const auto first = static_cast<unsigned char>(bytes->at(0));
        if (first > 128) {
            result += *bytes;
            continue;
        }
        if (first >= 0x7F)
            overflow();
        result += static_cast<char>(0xC9);
        result += static_cast<char>(first + 0x81);
    }
    return result;
}

} // namespace tagdata
