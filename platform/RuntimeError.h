#pragma once
// The system's procedures stop at a run-time error and hand it to their caller,
// whose failure report names the procedure and shows the error text. This is
// that error, and the strict 16-bit number conversion that raises it.
#include <QString>
#include <stdexcept>

namespace platform {

class RuntimeError : public std::runtime_error {
public:
    explicit RuntimeError(const QString& text);
    QString text() const;
};

// Common error texts, worded as the operator sees them in a failure report.
inline constexpr const char* kTypeMismatch = "Type mismatch";
inline constexpr const char* kOverflow = "Overflow";

// Converts settings text to a 16-bit whole number: surrounding blanks are
// accepted, a decimal fraction rounds half to even; anything that is not a
// number raises "Type mismatch", a value outside -32768..32767 "Overflow".
qint16 toInt16(const QString& text);
// The same conversion with a 32-bit range.
qint32 toInt32(const QString& text);
// True when toInt16 would succeed.
bool isInt16(const QString& text);

} // namespace platform
