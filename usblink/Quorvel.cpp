// The USB link to the label printer: the exported calls and the status loop,
// over the device calls of the system side (Quorvel_posix.cpp, Quorvel_win.cpp).
// Plain C++: the library loads into any program without a toolkit.
#include "usblink/include/Quorvel.h"

#include "usblink/Device.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

using namespace quorvel;

namespace {

constexpr char StatusRequest[] = "{WS|}";
constexpr int StatusRequestSize = 5;
constexpr int MinAnswerBytes = 13;
constexpr int ReadBufferSize = 256;
constexpr auto PassPause = std::chrono::milliseconds(50);
// How long one pass waits for the answer to its request before asking again.
constexpr int ReadWaitMs = 50;
constexpr auto GiveUpAfter = std::chrono::seconds(10);

int32_t statusLoop(Device fd) {
    const auto start = std::chrono::steady_clock::now();
    long total = 0;
    char buffer[ReadBufferSize];
    for (;;) {
        // The request goes out again on every pass.
        writeAll(fd, StatusRequest, StatusRequestSize);
        std::memset(buffer, 0, sizeof buffer);
        total += long(readAvailable(fd, buffer, ReadBufferSize - 1, ReadWaitMs));
        // An answer is taken only once 13 bytes have come in; the buffer is
        // cleared before each read, so a frame split across reads is missed.
        if (total >= MinAnswerBytes && buffer[0] != '\0') {
            const size_t length = std::strlen(buffer);
            for (size_t i = 0; i + 1 < length; ++i) {
                if (buffer[i] == 0x01 && buffer[i + 1] == 0x02) {
                    const char code[3] = {buffer[i + 2], i + 2 < length ? buffer[i + 3] : '\0', '\0'};
                    return int32_t(std::atoi(code));
                }
            }
        }
        // A printer that never answers must not hold the caller forever.
        if (std::chrono::steady_clock::now() - start >= GiveUpAfter)
            return QUORVEL_NO_ANSWER;
        std::this_thread::sleep_for(PassPause);
    }
}

} // namespace

extern "C" {

QUORVEL_API int32_t Find_SA4T_Printer(void) {
    DeviceList printers;
    try {
        printers = listPrinters();
    } catch (const std::bad_alloc&) {
        return 0;
    }
    int32_t count = 0;
    for (const std::string& path : printers.paths) {
        const Device fd = openPrinter(path);
        if (fd != NoDevice) {
            closePrinter(fd);
            ++count;
        }
    }
    return count;
}

QUORVEL_API int32_t QUORVEL_STDCALL SA4T_Print(const char* text, int32_t type) {
    DeviceList printers;
    try {
        printers = listPrinters();
    } catch (const std::bad_alloc&) {
        return QUORVEL_NO_MEMORY;
    }
    if (printers.error != 0)
        return printers.error;
    Device fd = NoDevice;
    for (const std::string& path : printers.paths) {
        fd = openPrinter(path);
        if (fd != NoDevice)
            break; // the first printer that opens is the printer
    }
    if (fd == NoDevice)
        return QUORVEL_NO_PRINTER;

    int32_t result = QUORVEL_OK;
    if (type == 3) {
        result = statusLoop(fd);
    } else {
        const size_t length = text ? std::strlen(text) : 0;
        if (length > 0 && writeAll(fd, text, length) != length) {
            closePrinter(fd);
            return QUORVEL_SHORT_WRITE;
        }
        if (type == 1)
            result = statusLoop(fd);
    }
    closePrinter(fd);
    return result;
}

QUORVEL_API int32_t QUORVEL_STDCALL SA4T_Status_Check(void* handle) {
    return statusLoop(reinterpret_cast<Device>(handle));
}

} // extern "C"
