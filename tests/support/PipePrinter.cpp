#include "tests/support/PipePrinter.h"

#include <QDir>
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

namespace testsupport {

namespace {

// One client of the pipe: what it writes goes to a fresh connection to the
// printer (made at its first byte: a client that only looks writes nothing),
// what the printer answers goes back, until the client closes the pipe.
void relay(HANDLE pipe, std::string host, u_short port, HANDLE stop) {
    SOCKET s = INVALID_SOCKET;
    OVERLAPPED o{};
    o.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    char buffer[4096];
    bool open = true;
    while (open && WaitForSingleObject(stop, 0) != WAIT_OBJECT_0) {
        DWORD n = 0;
        ResetEvent(o.hEvent);
        if (!ReadFile(pipe, buffer, sizeof buffer, &n, &o)) {
            const DWORD e = GetLastError();
            if (e == ERROR_IO_PENDING) {
                if (WaitForSingleObject(o.hEvent, 5) != WAIT_OBJECT_0) {
                    CancelIoEx(pipe, &o);
                }
                if (!GetOverlappedResult(pipe, &o, &n, TRUE)) {
                    const DWORD r = GetLastError();
                    if (r != ERROR_OPERATION_ABORTED)
                        open = false;
                    n = 0;
                }
            } else {
                open = false;
            }
        }
        if (n > 0) {
            if (s == INVALID_SOCKET) {
                s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
                sockaddr_in a{};
                a.sin_family = AF_INET;
                a.sin_port = htons(port);
                a.sin_addr.s_addr = inet_addr(host.c_str());
                const BOOL noDelay = TRUE;
                setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
                           sizeof noDelay);
                if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
                    break;
            }
            send(s, buffer, int(n), 0);
        }
        // The printer's answers, as they come.
        while (s != INVALID_SOCKET) {
            WSAPOLLFD p{s, POLLRDNORM, 0};
            if (WSAPoll(&p, 1, 0) != 1)
                break;
            const int got = recv(s, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            OVERLAPPED w{};
            w.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            DWORD written = 0;
            if (!WriteFile(pipe, buffer, DWORD(got), &written, &w) && GetLastError() == ERROR_IO_PENDING)
                GetOverlappedResult(pipe, &w, &written, TRUE);
            CloseHandle(w.hEvent);
        }
    }
    if (s != INVALID_SOCKET) {
        shutdown(s, SD_SEND);
        closesocket(s);
    }
    CloseHandle(o.hEvent);
    DisconnectNamedPipe(pipe);
    CloseHandle(pipe);
}

} // namespace

bool PipePrinter::start(const QStringList& simOptions) {
    if (!m_sim.start(QStringList{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0")} + simOptions)) {
        qWarning("%s", qPrintable(m_sim.error()));
        return false;
    }
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    m_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_thread = std::thread([this] { serve(); });
    // The first instance of the pipe exists once the thread has made it.
    for (int i = 0; i < 200; ++i) {
        if (WaitNamedPipeW(reinterpret_cast<const wchar_t*>(m_name.utf16()), 0) ||
            GetLastError() == ERROR_SEM_TIMEOUT)
            return true;
        Sleep(10);
    }
    return true;
}

void PipePrinter::serve() {
    const std::wstring name = m_name.toStdWString();
    const std::string host = m_sim.host().toStdString();
    const u_short port = m_sim.port();
    std::vector<std::thread> clients;
    HANDLE connected = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    while (!m_stopping) {
        // Always one instance waiting: a client that closes its handle and
        // opens again at once finds the pipe.
        HANDLE pipe = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                       PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                                       PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE)
            break;
        OVERLAPPED o{};
        ResetEvent(connected);
        o.hEvent = connected;
        bool ok = ConnectNamedPipe(pipe, &o) || GetLastError() == ERROR_PIPE_CONNECTED;
        if (!ok && GetLastError() == ERROR_IO_PENDING) {
            HANDLE waits[2] = {connected, m_stopEvent};
            DWORD r = 0;
            ok = WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 &&
                 GetOverlappedResult(pipe, &o, &r, FALSE);
        }
        if (!ok) {
            CancelIoEx(pipe, &o);
            CloseHandle(pipe);
            continue;
        }
        clients.emplace_back(relay, pipe, host, port, static_cast<HANDLE>(m_stopEvent));
    }
    for (std::thread& t : clients)
        t.join();
    CloseHandle(connected);
}

void PipePrinter::stop() {
    if (m_thread.joinable()) {
        m_stopping = true;
        SetEvent(m_stopEvent);
        m_thread.join();
        CloseHandle(m_stopEvent);
        m_stopEvent = nullptr;
    }
    m_sim.stop();
}

} // namespace testsupport
