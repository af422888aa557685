#include "platform/Cp949.h"

namespace platform {

QByteArray toCp949(QStringView text) {
    QByteArray out;
    out.reserve(text.size() * 2);
    // Fast path for the common case, then per character so that one
    // unconvertible character costs only itself.
    if (auto all = encodeCp949(text))
        return *all;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype len = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        if (auto b = encodeCp949(text.mid(i, len)))
            out.append(*b);
        else
            out.append('?');
        i += len - 1;
    }
    return out;
}

} // namespace platform
