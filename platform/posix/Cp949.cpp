// Code page 949 through glibc iconv "CP949", the full Unified Hangul table.
#include "platform/Cp949.h"

#include <cerrno>
#include <iconv.h>

namespace platform {

namespace {

// One iconv descriptor per direction and thread: iconv_t keeps shift state.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    Q_DISABLE_COPY(Converter)

    // Converts all of in; returns false at the first sequence it cannot convert,
    // leaving consumed at the offset of that sequence.
    bool convert(const char* in, size_t inLen, QByteArray& out, size_t& consumed) {
        consumed = 0;
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            return false;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in);
        size_t srcLeft = inLen;
        char buf[4096];
        while (srcLeft > 0) {
            char* dst = buf;
            size_t dstLeft = sizeof buf;
            const size_t r = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
            out.append(buf, static_cast<qsizetype>(dst - buf));
            consumed = inLen - srcLeft;
            if (r == static_cast<size_t>(-1) && errno != E2BIG)
                return false;
        }
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        iconv(m_cd, nullptr, nullptr, &dst, &dstLeft);
        out.append(buf, static_cast<qsizetype>(dst - buf));
        return true;
    }

private:
    iconv_t m_cd;
};

Converter& encoder() {
    thread_local Converter c("CP949", "UTF-8");
    return c;
}
Converter& decoder() {
    thread_local Converter c("UTF-8", "CP949");
    return c;
}

} // namespace

std::optional<QByteArray> encodeCp949(QStringView text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    size_t consumed = 0;
    if (!encoder().convert(utf8.constData(), static_cast<size_t>(utf8.size()), out, consumed))
        return std::nullopt;
    return out;
}

QString fromCp949(QByteArrayView bytes) {
    QByteArray utf8;
    const char* p = bytes.data();
    size_t left = static_cast<size_t>(bytes.size());
    while (left > 0) {
        size_t consumed = 0;
        if (decoder().convert(p, left, utf8, consumed))
            break;
        // Skip the undecodable byte (a lone lead byte or a code outside the table).
        utf8.append("\xEF\xBF\xBD");
        p += consumed + 1;
        left -= std::min(left, consumed + 1);
    }
    return QString::fromUtf8(utf8);
}

} // namespace platform
