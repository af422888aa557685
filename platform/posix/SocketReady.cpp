#include "platform/SocketReady.h"

#include <poll.h>

namespace platform {

bool socketReadable(qintptr descriptor) {
    pollfd pfd{static_cast<int>(descriptor), POLLIN, 0};
    return ::poll(&pfd, 1, 0) == 1 && (pfd.revents & POLLIN);
}

} // namespace platform
