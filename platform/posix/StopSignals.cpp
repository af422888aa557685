// The signals through a socket pair that the event loop watches (a signal
// handler may do no more than write a byte).
#include "platform/StopSignals.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

namespace {

int g_pipe[2] = {-1, -1};
struct sigaction g_previous[2];
constexpr int kSignals[2] = {SIGINT, SIGTERM};

void onSignal(int number) {
    const unsigned char c = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &c, 1);
}

} // namespace

StopSignals::StopSignals(std::function<void(int)> onSignal_) : m_onSignal(std::move(onSignal_)) {
    if (g_pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_pipe) != 0)
        return;
    m_installed = true;
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char c = 0;
        while (::read(g_pipe[0], &c, 1) == 1)
            deliver(c);
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int i = 0; i < 2; ++i)
        ::sigaction(kSignals[i], &sa, &g_previous[i]);
}

StopSignals::~StopSignals() {
    if (!m_installed)
        return;
    for (int i = 0; i < 2; ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
}

} // namespace platform
