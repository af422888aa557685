// The USB link to the label printer, on the usblp device nodes of Linux.
// Plain C++ and POSIX: the library loads into any program without a toolkit.
#include "usblink/include/Quorvel.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <new>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr char StatusRequest[] = "{WS|}";
constexpr int StatusRequestSize = 5;
constexpr int MinAnswerBytes = 13;
constexpr int ReadBufferSize = 256;
constexpr auto PassPause = std::chrono::milliseconds(50);
// How long one pass waits for the answer to its request before asking again.
constexpr int ReadWaitMs = 50;
constexpr auto GiveUpAfter = std::chrono::seconds(10);

std::string deviceDir() {
    const char* dir = std::getenv("QUORVEL_DEVICE_DIR");
    return (dir && *dir) ? std::string(dir) : std::string("/dev/usb");
}

// The printer device nodes present, in number order (lp0, lp1, ..., lp10).
// nullopt when the folder cannot be read; a missing folder is an empty list
// (no USB printer has ever been attached).
std::optional<std::vector<std::string>> listPrinters() {
    const std::string dir = deviceDir();
    DIR* d = ::opendir(dir.c_str());
    if (!d) {
        if (errno == ENOENT)
            return std::vector<std::string>{};
        return std::nullopt;
    }
    std::vector<std::pair<long, std::string>> found;
    while (dirent* e = ::readdir(d)) {
        const char* name = e->d_name;
        if (std::strncmp(name, "lp", 2) != 0 || name[2] == '\0')
            continue;
        char* end = nullptr;
        const long n = std::strtol(name + 2, &end, 10);
        if (*end != '\0' || n < 0)
            continue;
        const std::string path = dir + "/" + name;
        struct stat st {};
        // Only devices that are there: a link to a gone device is skipped.
        if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
            continue;
        found.emplace_back(n, path);
    }
    ::closedir(d);
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto& f : found)
        paths.push_back(std::move(f.second));
    return paths;
}

int openPrinter(const std::string& path) {
    int fd;
    do
        fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    return fd;
}

ssize_t writeAll(int fd, const char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += size_t(n);
    }
    return ssize_t(done);
}

// Whatever the printer has sent within waitMs, at most max bytes; 0 when
// nothing came (or the device failed).
ssize_t readAvailable(int fd, char* buffer, size_t max, int waitMs) {
    pollfd pfd{fd, POLLIN, 0};
    int ready;
    do
        ready = ::poll(&pfd, 1, waitMs);
    while (ready < 0 && errno == EINTR);
    if (ready <= 0 || !(pfd.revents & POLLIN))
        return 0;
    ssize_t n;
    do
        n = ::read(fd, buffer, max);
    while (n < 0 && errno == EINTR);
    return n > 0 ? n : 0;
}

int32_t statusLoop(int fd) {
    const auto start = std::chrono::steady_clock::now();
    long total = 0;
    char buffer[ReadBufferSize];
    for (;;) {
        // The request goes out again on every pass.
        writeAll(fd, StatusRequest, StatusRequestSize);
        std::memset(buffer, 0, sizeof buffer);
        total += readAvailable(fd, buffer, ReadBufferSize - 1, ReadWaitMs);
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
    const auto printers = listPrinters();
    if (!printers)
        return 0;
    int32_t count = 0;
    for (const std::string& path : *printers) {
        const int fd = openPrinter(path);
        if (fd >= 0) {
            ::close(fd);
            ++count;
        }
    }
    return count;
}

QUORVEL_API int32_t QUORVEL_STDCALL SA4T_Print(const char* text, int32_t type) {
    std::optional<std::vector<std::string>> printers;
    try {
        printers = listPrinters();
    } catch (const std::bad_alloc&) {
        return QUORVEL_NO_MEMORY;
    }
    if (!printers)
        return QUORVEL_NO_DEVICE_LIST;
    int fd = -1;
    for (const std::string& path : *printers) {
        if (path.size() >= PATH_MAX)
            return QUORVEL_NO_DEVICE_RECORD;
        fd = openPrinter(path);
        if (fd >= 0)
            break; // the first printer that opens is the printer
    }
    if (fd < 0)
        return QUORVEL_NO_PRINTER;

    int32_t result = QUORVEL_OK;
    if (type == 3) {
        result = statusLoop(fd);
    } else {
        const size_t length = text ? std::strlen(text) : 0;
        if (length > 0 && writeAll(fd, text, length) != ssize_t(length)) {
            ::close(fd);
            return QUORVEL_SHORT_WRITE;
        }
        if (type == 1)
            result = statusLoop(fd);
    }
    ::close(fd);
    return result;
}

QUORVEL_API int32_t QUORVEL_STDCALL SA4T_Status_Check(void* handle) {
    return statusLoop(int(reinterpret_cast<intptr_t>(handle)));
}

} // extern "C"
