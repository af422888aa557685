#pragma once
// Serial port numbers: COMn names the serial device of number n. The device
// path is the value of key "COMn" in section "SERIAL_PORTS" of
// "conn_setup.ini" when present (COM1=/dev/ttyUSB0), else /dev/ttyS(n-1).
#include <QString>

namespace printerlink {

QString serialDevicePath(int portNumber);

} // namespace printerlink
