#pragma once
// INI profile functions with the behaviour the system's settings files rely on:
// case-insensitive section and key names, blanks around names and values
// ignored, a missing file/section/key gives the default, a write creates the
// file, section or key and changes only that one line. File text is CP949.
// On Windows these are the system's own functions (win/); on Linux an
// emulation of them (posix/), held to the same rules by the same tests.
#include <QString>
#include <optional>

namespace platform {

// Copies at most size - 1 bytes (CP949) of the value into the result, as the
// reader's buffer would hold them. A matching pair of quotes around the value
// is removed.
QString GetPrivateProfileStringA(const QString& section, const QString& key, const QString& defaultValue,
                                 int size, const QString& fileName);

// The value's leading decimal number (optional sign); 0 when the value does
// not start with one; the default when the key is missing.
int GetPrivateProfileIntA(const QString& section, const QString& key, int defaultValue,
                          const QString& fileName);

// Writes key=value into the section. No key: the whole section is removed.
// No value: the key is removed. Returns false when the file cannot be written.
bool WritePrivateProfileStringA(const QString& section, const std::optional<QString>& key,
                                const std::optional<QString>& value, const QString& fileName);

// The system's way of reading a setting: a 255-character buffer, then every
// NUL and TAB character removed, so at most 254 characters and never a tab.
QString readProfileText(const QString& fileName, const QString& section, const QString& key,
                        const QString& defaultValue = QString());

} // namespace platform
