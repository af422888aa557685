#include "tools/printer-sim/RecordSplitter.h"

namespace printersim {

namespace {
// A record that never ends is line noise; the printer gives up on it rather
// than holding an ever growing buffer.
constexpr qsizetype MaxRecord = 64 * 1024;
} // namespace

void RecordSplitter::append(QByteArrayView bytes) {
    m_buffer.append(bytes);
}

std::optional<QByteArray> RecordSplitter::next() {
    for (;;) {
        const qsizetype start = m_buffer.indexOf('{');
        if (start < 0) {
            m_buffer.clear(); // nothing but noise outside a record
            return std::nullopt;
        }
        if (start > 0)
            m_buffer.remove(0, start);
        const qsizetype end = m_buffer.indexOf("|}", 1);
        // A brace never stands inside record data (double-byte data avoids
        // 0x7B), so a second "{" before the end means the first record was cut
        // short: start over from the later one.
        const qsizetype restart = m_buffer.indexOf('{', 1);
        if (restart > 0 && (end < 0 || restart < end)) {
            m_buffer.remove(0, restart);
            continue;
        }
        if (end < 0) {
            if (m_buffer.size() > MaxRecord)
                m_buffer.clear();
            return std::nullopt;
        }
        QByteArray record = m_buffer.left(end + 2);
        m_buffer.remove(0, end + 2);
        return record;
    }
}

} // namespace printersim
