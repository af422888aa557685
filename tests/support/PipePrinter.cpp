#include "tests/support/PipePrinter.h"

#include <QDir>
#include <iterator>
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

namespace testsupport {

namespace {

// One client of the pipe: what it writes goes to the printer's connection,
// what the printer answers goes back, until the client closes the pipe.
void relay(HANDLE pipe, SOCKET s, HANDLE stop) {
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
        if (n > 0)
            send(s, buffer, int(n), 0);
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
    CloseHandle(o.hEvent);
}

} // namespace

bool PipePrinter::start(const QStringList& simOptions) {
    if (!m_sim.start(QStringList{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0")} + simOptions)) {
        qWarning("%s", qPrintable(m_sim.error()));
        return false;
    }
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    // One connection for the printer's life, as a USB device is one line:
    // the printer's state (a label under way, scripted answers) carries over
    // from one client of the pipe to the next.
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(m_sim.port());
    a.sin_addr.s_addr = inet_addr(m_sim.host().toStdString().c_str());
    const BOOL noDelay = TRUE;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        closesocket(s);
        qWarning("no connection to the virtual printer");
        return false;
    }
    m_socket = s;
    m_stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    for (std::thread& t : m_threads)
        t = std::thread([this] { serve(); });
    // Ready once every instance of the pipe is made and one waits for a
    // client: a client that opens, closes and opens again at once (Quorvel's
    // search, then its print) finds the next one waiting. The threads may
    // take a while to make them on a busy machine.
    for (int i = 0; i < 100; ++i) {
        if (m_instances == int(std::size(m_threads)) &&
            WaitNamedPipeW(reinterpret_cast<const wchar_t*>(m_name.utf16()), 50))
            return true;
        Sleep(50);
    }
    qWarning("the stand-in pipe did not come up");
    return false;
}

// One instance of the pipe, served client after client: the instances are
// made once, so a client that closes its handle and opens again at once always
// finds one waiting.
void PipePrinter::serve() {
    const std::wstring name = m_name.toStdWString();
    HANDLE pipe = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, PIPE_UNLIMITED_INSTANCES,
                                   4096, 4096, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE)
        return;
    ++m_instances;
    HANDLE connected = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    while (!m_stopping) {
        OVERLAPPED o{};
        ResetEvent(connected);
        o.hEvent = connected;
        bool ok = ConnectNamedPipe(pipe, &o) || GetLastError() == ERROR_PIPE_CONNECTED;
        if (!ok && GetLastError() == ERROR_IO_PENDING) {
            HANDLE waits[2] = {connected, m_stopEvent};
            DWORD r = 0;
            ok = WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 &&
                 GetOverlappedResult(pipe, &o, &r, FALSE);
            if (!ok)
                CancelIoEx(pipe, &o);
        }
        if (ok) {
            const std::lock_guard<std::mutex> oneClientAtATime(m_line);
            relay(pipe, SOCKET(m_socket), static_cast<HANDLE>(m_stopEvent));
        }
        DisconnectNamedPipe(pipe);
    }
    CloseHandle(connected);
    CloseHandle(pipe);
}

void PipePrinter::stop() {
    if (m_threads[0].joinable()) {
        m_stopping = true;
        SetEvent(m_stopEvent);
        for (std::thread& t : m_threads)
            t.join();
        CloseHandle(m_stopEvent);
        m_stopEvent = nullptr;
        closesocket(SOCKET(m_socket));
    }
    m_sim.stop();
}

} // namespace testsupport
