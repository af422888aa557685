// FILE_APPEND_DATA alone makes every write land at the end of the file, as
// O_APPEND does; others may read, write and rename the file meanwhile. The
// threads of this process append one after the other: Wine finds the end and
// writes in two steps, so two of them at once could write over each other.
#include "platform/FileAppend.h"

#include <QDir>
#include <mutex>
#include <windows.h>

namespace platform {

bool appendToFile(const QString& path, QByteArrayView bytes, qint64* sizeAfter) {
    static std::mutex oneAtATime;
    const std::lock_guard<std::mutex> lock(oneAtATime);
    const QString native = QDir::toNativeSeparators(path);
    HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(native.utf16()), FILE_APPEND_DATA,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = bytes.isEmpty() || (WriteFile(h, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
                                        written == DWORD(bytes.size()));
    LARGE_INTEGER size{};
    const bool sized = GetFileSizeEx(h, &size);
    CloseHandle(h);
    if (ok && sizeAfter && sized)
        *sizeAfter = size.QuadPart;
    return ok;
}

} // namespace platform
