// The printer device as each system side reaches it: the list of USB printer
// devices, open, write, a read that waits a little, close. Quorvel.cpp builds
// the exported calls on these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvel {

// An open printer: a file descriptor on Linux, a HANDLE on Windows.
using Device = intptr_t;
constexpr Device NoDevice = -1;

struct DeviceList {
    int32_t error = 0; // 0, or the QUORVEL_ result that ends the call
    std::vector<std::string> paths;
};

// The USB printer devices present, in the system's order.
DeviceList listPrinters();
Device openPrinter(const std::string& path);
void closePrinter(Device device);
// The bytes written (all unless the device failed).
size_t writeAll(Device device, const char* data, size_t size);
// Whatever the printer has sent within waitMs, at most max bytes; 0 when
// nothing came (or the device failed).
size_t readAvailable(Device device, char* buffer, size_t max, int waitMs);

} // namespace quorvel
