#pragma once
// A Windows handle that is closed when its owner goes.
#include <windows.h>

namespace platform {

struct OwnedHandle {
    HANDLE handle = nullptr;

    OwnedHandle() = default;
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    ~OwnedHandle() {
        if (handle && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};

} // namespace platform
