#include "platform/RuntimeError.h"

#include <cmath>

namespace platform {

RuntimeError::RuntimeError(const QString& text) : std::runtime_error(text.toStdString()) {}

QString RuntimeError::text() const {
    return QString::fromStdString(what());
}

namespace {
double parseNumber(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    double v = 0;
    if (!t.isEmpty()) {
        // Only plain decimal notation counts: no hex, no "inf"/"nan".
        bool plain = true;
        for (QChar c : t)
            if (!(c.isDigit() || c == u'-' || c == u'+' || c == u'.' || c == u'e' || c == u'E'))
                plain = false;
        if (plain)
            v = t.toDouble(&ok);
    }
    if (!ok || !std::isfinite(v))
        throw RuntimeError(QString::fromLatin1(kTypeMismatch));
    return std::nearbyint(v); // default rounding mode: half to even
}
} // namespace

qint16 toInt16(const QString& text) {
    const double v = parseNumber(text);
    if (v < -32768.0 || v > 32767.0)
        throw RuntimeError(QString::fromLatin1(kOverflow));
    return static_cast<qint16>(v);
}

qint32 toInt32(const QString& text) {
    const double v = parseNumber(text);
    if (v < -2147483648.0 || v > 2147483647.0)
        throw RuntimeError(QString::fromLatin1(kOverflow));
    return static_cast<qint32>(v);
}

bool isInt16(const QString& text) {
    try {
        toInt16(text);
        return true;
    } catch (const RuntimeError&) {
        return false;
    }
}

} // namespace platform
