#pragma once
// Code page 949 (Korean ANSI) conversion, the full Unified Hangul table:
// glibc iconv on Linux (posix/), the system's code page functions on Windows
// (win/). Printer records, INI files and logs are CP949 bytes.
#include <QByteArray>
#include <QString>
#include <optional>

namespace platform {

// Text to CP949 bytes; nullopt when a character has no CP949 code.
std::optional<QByteArray> encodeCp949(QStringView text);
// Text to CP949 bytes; a character without a code becomes "?".
QByteArray toCp949(QStringView text);
// CP949 bytes to text; a byte sequence that is not CP949 becomes U+FFFD.
QString fromCp949(QByteArrayView bytes);

} // namespace platform
