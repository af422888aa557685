#include "main/printerconfig/ConfigCommands.h"

#include <QRegularExpression>

namespace printerconfig {

namespace {

// Characters start..start+length-1 (counted from 1); whatever of them exists.
QString mid(const QString& s, int start, int length) {
    return s.mid(start - 1, length);
}

// Adds one to a string of decimal digits ("099" -> "100", "9" -> "10").
QString incrementDigits(QString digits) {
    int i = digits.size() - 1;
    while (i >= 0) {
        if (digits[i] == QLatin1Char('9')) {
            digits[i] = QLatin1Char('0');
            --i;
        } else {
            digits[i] = QChar(digits[i].unicode() + 1);
            return digits;
        }
    }
    return QLatin1Char('1') + digits;
}

const QRegularExpression& numberPattern() {
    static const QRegularExpression re(QStringLiteral("^\\s*([+-]?)\\s*(\\d*)(?:\\.(\\d*))?\\s*$"));
    return re;
}

} // namespace

bool isNumericText(const QString& text) {
    const auto m = numberPattern().match(text);
    return m.hasMatch() && (!m.captured(2).isEmpty() || !m.captured(3).isEmpty());
}

QString formatNumber(const QString& text, const QString& pattern) {
    const auto m = numberPattern().match(text);
    if (!m.hasMatch() || (m.captured(2).isEmpty() && m.captured(3).isEmpty()))
        return text;

    // Whole digits, rounded half away from zero on the first decimal.
    QString digits = m.captured(2);
    const QString fraction = m.captured(3);
    if (digits.isEmpty())
        digits = QStringLiteral("0");
    if (!fraction.isEmpty() && fraction[0] >= QLatin1Char('5'))
        digits = incrementDigits(digits);
    while (digits.size() > 1 && digits[0] == QLatin1Char('0'))
        digits.remove(0, 1);
    const bool negative = m.captured(1) == QLatin1String("-") && digits != QLatin1String("0");

    // The pattern's zeros take the digits, padded in front; literals stay.
    const qsizetype zeros = pattern.count(QLatin1Char('0'));
    if (digits.size() < zeros)
        digits.prepend(QString(zeros - digits.size(), QLatin1Char('0')));
    QString out;
    bool placed = false;
    for (const QChar c : pattern) {
        if (c != QLatin1Char('0')) {
            out += c;
        } else if (!placed) {
            out += digits;
            placed = true;
        }
    }
    return negative ? QLatin1Char('-') + out : out;
}

QString modelTail(int cboPTypeIndex) {
    return cboPTypeIndex == ModelSA4TP ? QStringLiteral("1100211110|}") : QStringLiteral("0000000000|}");
}

QString buildRfidCommand(const QString& sRfidTemplate, const QString& issueRetry, const QString& powerLevel,
                         const QString& adjRetry, int cboPTypeIndex) {
    return mid(sRfidTemplate, 1, 10) + formatNumber(issueRetry, QStringLiteral("000")) +
           mid(sRfidTemplate, 14, 10) + formatNumber(adjRetry, QStringLiteral("+00")) +
           formatNumber(powerLevel, QStringLiteral("000")) + modelTail(cboPTypeIndex);
}

QString buildAdjCommand(const QString& sAdjTemplate, const QString& rbnAdjFw, const QString& rbnAdjBk) {
    return mid(sAdjTemplate, 1, 28) + formatNumber(rbnAdjFw, QStringLiteral("00")) +
           mid(sAdjTemplate, 31, 1) + formatNumber(rbnAdjBk, QStringLiteral("00")) + sAdjTemplate.right(6);
}

RfidTemplateValues rfidValuesOf(const QString& sRfidTemplate) {
    return {mid(sRfidTemplate, 11, 3), mid(sRfidTemplate, 27, 3), mid(sRfidTemplate, 24, 3)};
}

AdjValues adjValuesOf(const QString& sAdjTemplate) {
    return {mid(sAdjTemplate, 29, 2), mid(sAdjTemplate, 32, 2)};
}

} // namespace printerconfig
