// Code page 949 through the system's own conversion functions.
#include "platform/Cp949.h"

#include <windows.h>

namespace platform {

namespace {
constexpr UINT kCp949 = 949;

// One character's bytes: a lead byte and its trail, or a single byte.
qsizetype characterLength(QByteArrayView bytes, qsizetype at) {
    return (IsDBCSLeadByteEx(kCp949, BYTE(bytes[at])) && at + 1 < bytes.size()) ? 2 : 1;
}
} // namespace

std::optional<QByteArray> encodeCp949(QStringView text) {
    if (text.isEmpty())
        return QByteArray();
    const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
    const int wideLen = int(text.size());
    BOOL usedDefault = FALSE;
    const int n =
        WideCharToMultiByte(kCp949, WC_NO_BEST_FIT_CHARS, wide, wideLen, nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault)
        return std::nullopt;
    QByteArray out(n, Qt::Uninitialized);
    WideCharToMultiByte(kCp949, WC_NO_BEST_FIT_CHARS, wide, wideLen, out.data(), n, nullptr, nullptr);
    return out;
}

QString fromCp949(QByteArrayView bytes) {
    const auto decode = [](QByteArrayView part, QString& out) {
        const int n =
            MultiByteToWideChar(kCp949, MB_ERR_INVALID_CHARS, part.data(), int(part.size()), nullptr, 0);
        if (n <= 0)
            return false;
        const qsizetype at = out.size();
        out.resize(at + n);
        MultiByteToWideChar(kCp949, 0, part.data(), int(part.size()),
                            reinterpret_cast<wchar_t*>(out.data() + at), n);
        return true;
    };
    QString out;
    if (bytes.isEmpty() || decode(bytes, out))
        return out;
    // Character by character: an undecodable byte (a lone lead byte or a code
    // outside the table) becomes U+FFFD and the rest still decodes.
    out.clear();
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype len = characterLength(bytes, i);
        if (decode(bytes.sliced(i, len), out)) {
            i += len;
        } else {
            out.append(QChar(0xFFFD));
            ++i;
        }
    }
    return out;
}

} // namespace platform
