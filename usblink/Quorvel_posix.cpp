// The usblp device nodes of Linux: lp0, lp1, ... of /dev/usb, or of the
// folder named by QUORVEL_DEVICE_DIR.
#include "usblink/Device.h"

#include "usblink/include/Quorvel.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel {

namespace {
std::string deviceDir() {
    const char* dir = std::getenv("QUORVEL_DEVICE_DIR");
    return (dir && *dir) ? std::string(dir) : std::string("/dev/usb");
}
} // namespace

// The printer device nodes present, in number order (lp0, lp1, ..., lp10).
// A missing folder is an empty list (no USB printer has ever been attached).
DeviceList listPrinters() {
    const std::string dir = deviceDir();
    DeviceList list;
    DIR* d = ::opendir(dir.c_str());
    if (!d) {
        if (errno != ENOENT)
            list.error = QUORVEL_NO_DEVICE_LIST;
        return list;
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
    for (auto& f : found) {
        if (f.second.size() >= PATH_MAX)
            list.error = QUORVEL_NO_DEVICE_RECORD;
        list.paths.push_back(std::move(f.second));
    }
    return list;
}

Device openPrinter(const std::string& path) {
    int fd;
    do
        fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    return fd < 0 ? NoDevice : Device(fd);
}

void closePrinter(Device device) {
    ::close(int(device));
}

size_t writeAll(Device device, const char* data, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(int(device), data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += size_t(n);
    }
    return done;
}

size_t readAvailable(Device device, char* buffer, size_t max, int waitMs) {
    pollfd pfd{int(device), POLLIN, 0};
    int ready;
    do
        ready = ::poll(&pfd, 1, waitMs);
    while (ready < 0 && errno == EINTR);
    if (ready <= 0 || !(pfd.revents & POLLIN))
        return 0;
    ssize_t n;
    do
        n = ::read(int(device), buffer, max);
    while (n < 0 && errno == EINTR);
    return n > 0 ? size_t(n) : 0;
}

} // namespace quorvel
