#pragma once
// The printer's 13-byte status answer: SOH STX, two-character status code,
// eight filler bytes, LF.
#include <QByteArray>

namespace printersim {

constexpr char SOH = 0x01;
constexpr char STX = 0x02;
constexpr char LF = 0x0A;
constexpr int FrameSize = 13;

// filler: a number shown in the eight filler digits (labels issued so far).
QByteArray statusFrame(QByteArrayView code, int filler = 0);

} // namespace printersim
