#include "main/core/Logs.h"

#include "platform/Cp949.h"
#include "platform/FileAppend.h"
#include "platform/ProgramDir.h"

#include <QFile>
#include <cstdio>
#include <ctime>

namespace core {

QByteArray logFrame(std::time_t when) {
    // localtime_r, unlike a QDateTime per line, does not reread the time zone
    // file: a search writes one line per result row.
    std::tm t{};
    localtime_r(&when, &t);
    char buf[32];
    std::snprintf(buf, sizeof buf, "[%02d/%02d/%02d %02d:%02d:%02d]", t.tm_year % 100, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return QByteArray(buf);
}

namespace {
QByteArray frameNow() {
    return logFrame(std::time(nullptr));
}
} // namespace

namespace {
// Appends bytes to a file of the program directory; failures are swallowed
// (a log line never interrupts an operation).
void appendBytes(const QString& fileName, QByteArrayView bytes) {
    platform::appendToFile(platform::programPath(fileName), bytes);
}

} // namespace

void appendLogLine(const QString& fileName, const QString& text) {
    appendBytes(fileName, frameNow() + platform::toCp949(text) + "\r\n");
}

namespace {
constexpr size_t kBlockBytes = 1024 * 1024;
} // namespace

void LogBatch::appendText(QStringView text) {
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (p[i] >= 0x80) {
            // FNV-1a: names are short, and a general hash costs more than the look-up saves.
            quint32 h = 2166136261u;
            for (qsizetype k = 0; k < n; ++k)
                h = (h ^ p[k]) * 16777619u;
            Encoded& memo = m_encoded[h % kEncodedSlots];
            if (memo.text != text) {
                memo.text = text.toString();
                memo.bytes = platform::toCp949(text);
            }
            m_pending.append(memo.bytes.constData(), static_cast<size_t>(memo.bytes.size()));
            return;
        }
    }
    // ASCII is the same in the code page: copied as it is.
    const size_t at = m_pending.size();
    m_pending.resize(at + static_cast<size_t>(n));
    char* out = m_pending.data() + at;
    for (qsizetype i = 0; i < n; ++i)
        out[i] = static_cast<char>(p[i]);
}

void LogBatch::add(std::initializer_list<QStringView> parts) {
    if (m_pending.capacity() < kBlockBytes)
        m_pending.reserve(kBlockBytes + 64 * 1024);
    const std::time_t now = std::time(nullptr);
    if (now != m_frameTime) {
        m_frameTime = now;
        m_frame = logFrame(now);
    }
    m_pending.append(m_frame.constData(), static_cast<size_t>(m_frame.size()));
    for (QStringView part : parts)
        appendText(part);
    m_pending += "\r\n";
    // Bounded, so that a long loop never holds many lines back.
    if (m_pending.size() >= kBlockBytes)
        flush();
}

void LogBatch::flush() {
    if (!m_pending.empty())
        appendBytes(m_fileName, QByteArrayView(m_pending.data(), static_cast<qsizetype>(m_pending.size())));
    m_pending.clear();
}

QByteArray capStatusLine(const QByteArray& bytes) {
    if (bytes.size() <= kMaxStatusLineBytes)
        return bytes;
    // Never between the two bytes of a double-byte character.
    qsizetype keep = 0;
    while (keep < kMaxStatusLineBytes) {
        const qsizetype step = static_cast<unsigned char>(bytes[keep]) >= 0x81 ? 2 : 1;
        if (keep + step > kMaxStatusLineBytes)
            break;
        keep += step;
    }
    return bytes.first(keep) + " ...(" + QByteArray::number(bytes.size() - keep) + " bytes not written)";
}

void WriteLog(const QString& sLogData) {
    appendBytes(QStringLiteral("error.log"),
                frameNow() + capStatusLine(platform::toCp949(sLogData)) + "\r\n");
}

void WriteDetailLog(const QString& sLogData) {
    appendLogLine(QStringLiteral("detail_error.log"), sLogData);
}

} // namespace core
