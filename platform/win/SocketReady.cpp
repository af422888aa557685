#include "platform/SocketReady.h"

#include <winsock2.h>

namespace platform {

bool socketReadable(qintptr descriptor) {
    WSAPOLLFD pfd{static_cast<SOCKET>(descriptor), POLLRDNORM, 0};
    return WSAPoll(&pfd, 1, 0) == 1 && (pfd.revents & POLLRDNORM);
}

} // namespace platform
