#include "tools/printer-sim/StatusFrame.h"

namespace printersim {

QByteArray statusFrame(QByteArrayView code, int filler) {
    QByteArray frame;
    frame.reserve(FrameSize);
    frame.append(SOH).append(STX).append(code.first(qMin<qsizetype>(2, code.size())));
    // Digits only: the filler never holds SOH, STX or LF.
    frame.append(QByteArray::number(qAbs(filler) % 100000000).rightJustified(8, '0'));
    frame.append(LF);
    return frame;
}

} // namespace printersim
