// The USB printer class devices of Windows, found through the setup API by
// their interface class. QUORVEL_DEVICE_DIR names a folder of stand-in
// devices instead (a test printer serves DIR\lp0, DIR\lp1, ... as named
// pipes): the same seam as the Linux library's device folder.
#include "usblink/Device.h"

#include "usblink/include/Quorvel.h"

#include <cstdlib>
#include <memory>
#include <new>
// clang-format off
#include <windows.h>
#include <setupapi.h>
// clang-format on

namespace quorvel {

namespace {

// The USB printer device interface class (usbprint.sys).
constexpr GUID UsbPrinterInterface = {
    0x28d78fad, 0x5a12, 0x11d1, {0xae, 0x5b, 0x00, 0x00, 0xf8, 0x03, 0xa8, 0xc2}};

bool exists(const std::string& path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        CloseHandle(h);
        return true;
    }
    const DWORD e = GetLastError();
    return e != ERROR_FILE_NOT_FOUND && e != ERROR_PATH_NOT_FOUND;
}

// The stand-ins present, in number order; a gap (a printer unplugged) does
// not end the list, as it does not among the usblp nodes of Linux.
DeviceList standIns(const std::string& dir) {
    constexpr int kMaxStandIns = 16; // as many as usblp has minor numbers
    DeviceList list;
    for (int n = 0; n < kMaxStandIns; ++n) {
        const std::string path = dir + "\\lp" + std::to_string(n);
        if (exists(path))
            list.paths.push_back(path);
    }
    return list;
}

struct DeviceInfoSet {
    HDEVINFO handle;
    ~DeviceInfoSet() {
        if (handle != INVALID_HANDLE_VALUE)
            SetupDiDestroyDeviceInfoList(handle);
    }
};

} // namespace

DeviceList listPrinters() {
    const char* dir = std::getenv("QUORVEL_DEVICE_DIR");
    if (dir && *dir)
        return standIns(dir);
    DeviceList list;
    DeviceInfoSet set{
        SetupDiGetClassDevsA(&UsbPrinterInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)};
    if (set.handle == INVALID_HANDLE_VALUE) {
        list.error = QUORVEL_NO_DEVICE_LIST;
        return list;
    }
    for (DWORD i = 0;; ++i) {
        SP_DEVICE_INTERFACE_DATA iface{};
        iface.cbSize = sizeof iface;
        if (!SetupDiEnumDeviceInterfaces(set.handle, nullptr, &UsbPrinterInterface, i, &iface))
            break; // ERROR_NO_MORE_ITEMS
        DWORD size = 0;
        SetupDiGetDeviceInterfaceDetailA(set.handle, &iface, nullptr, 0, &size, nullptr);
        if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
            list.error = QUORVEL_NO_DEVICE_RECORD;
            return list;
        }
        std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
        if (!buffer) {
            list.error = QUORVEL_NO_MEMORY;
            return list;
        }
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.get());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
        if (!SetupDiGetDeviceInterfaceDetailA(set.handle, &iface, detail, size, nullptr, nullptr)) {
            list.error = QUORVEL_NO_DEVICE_RECORD;
            return list;
        }
        list.paths.emplace_back(detail->DevicePath);
    }
    return list;
}

Device openPrinter(const std::string& path) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            return reinterpret_cast<Device>(h);
        // A stand-in pipe serves one client at a time: wait while it lets
        // the last one go.
        if (GetLastError() != ERROR_PIPE_BUSY || !WaitNamedPipeA(path.c_str(), 2000))
            break;
    }
    return NoDevice;
}

void closePrinter(Device device) {
    CloseHandle(reinterpret_cast<HANDLE>(device));
}

namespace {

// One transfer; waits at most waitMs (INFINITE: until done), then cancels
// what is still under way. The bytes moved.
DWORD transfer(Device device, bool write, void* data, DWORD size, DWORD waitMs) {
    HANDLE h = reinterpret_cast<HANDLE>(device);
    OVERLAPPED o{};
    o.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!o.hEvent)
        return 0;
    DWORD done = 0;
    const BOOL started = write ? WriteFile(h, data, size, &done, &o) : ReadFile(h, data, size, &done, &o);
    if (!started && GetLastError() == ERROR_IO_PENDING) {
        if (WaitForSingleObject(o.hEvent, waitMs) != WAIT_OBJECT_0)
            CancelIoEx(h, &o);
        if (!GetOverlappedResult(h, &o, &done, TRUE))
            done = 0;
    } else if (!started) {
        done = 0;
    } else if (!GetOverlappedResult(h, &o, &done, FALSE)) {
        // A handle opened without FILE_FLAG_OVERLAPPED completes at once.
    }
    CloseHandle(o.hEvent);
    return done;
}

} // namespace

size_t writeAll(Device device, const char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const DWORD n = transfer(device, true, const_cast<char*>(data + done), DWORD(size - done), INFINITE);
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

size_t readAvailable(Device device, char* buffer, size_t max, int waitMs) {
    return transfer(device, false, buffer, DWORD(max), DWORD(waitMs));
}

} // namespace quorvel
