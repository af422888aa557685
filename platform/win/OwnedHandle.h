#pragma once
// A Windows handle that is closed when its owner goes.
#include <QtGlobal>
#include <windows.h>

namespace platform {

struct OwnedHandle {
    HANDLE handle = nullptr;

    OwnedHandle() = default;
    Q_DISABLE_COPY(OwnedHandle)
    ~OwnedHandle() {
        if (handle && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
};

} // namespace platform
