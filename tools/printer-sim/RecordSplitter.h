#pragma once
// Cuts the printer's input stream into brace-framed records "{...|}".
#include <QByteArray>
#include <optional>

namespace printersim {

class RecordSplitter {
public:
    void append(QByteArrayView bytes);
    // The next complete record, braces included; nullopt until one is complete.
    std::optional<QByteArray> next();
    // Bytes held back: an unfinished record.
    qsizetype pending() const { return m_buffer.size(); }

private:
    QByteArray m_buffer;
};

} // namespace printersim
