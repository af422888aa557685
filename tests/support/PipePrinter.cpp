#include "tests/support/PipePrinter.h"

#include <QDir>
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

namespace testsupport {

namespace {

// One client of the pipe: what it writes goes to the printer's connection,
// what the printer answers goes back, until the client closes the pipe (its
// last bytes are still read). The printer's bytes that come when no client
// holds the pipe stay in the connection for the next one, as a USB device
// keeps what nobody read.
void relay(HANDLE pipe, SOCKET s, HANDLE stop) {
    WSAEVENT printerData = WSACreateEvent();
    WSAEventSelect(s, printerData, FD_READ | FD_CLOSE); // the socket is now non-blocking
    OVERLAPPED o{};
    o.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    char fromClient[4096];
    char fromPrinter[4096];
    bool reading = false;
    for (bool open = true; open;) {
        DWORD n = 0;
        if (!reading) {
            ResetEvent(o.hEvent);
            if (ReadFile(pipe, fromClient, sizeof fromClient, &n, &o)) {
                send(s, fromClient, int(n), 0);
                continue;
            }
            if (GetLastError() != ERROR_IO_PENDING)
                break;
            reading = true;
        }
        HANDLE waits[3] = {o.hEvent, printerData, stop};
        switch (WaitForMultipleObjects(3, waits, FALSE, INFINITE)) {
        case WAIT_OBJECT_0:
            reading = false;
            if (GetOverlappedResult(pipe, &o, &n, FALSE))
                send(s, fromClient, int(n), 0);
            else
                open = false; // the client closed the pipe
            break;
        case WAIT_OBJECT_0 + 1:
            WSAResetEvent(printerData);
            for (int got; (got = recv(s, fromPrinter, sizeof fromPrinter, 0)) > 0;) {
                OVERLAPPED w{};
                w.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
                DWORD written = 0;
                if (!WriteFile(pipe, fromPrinter, DWORD(got), &written, &w) &&
                    GetLastError() == ERROR_IO_PENDING)
                    GetOverlappedResult(pipe, &w, &written, TRUE);
                CloseHandle(w.hEvent);
            }
            break;
        default:
            open = false; // stopping
        }
    }
    if (reading) {
        DWORD n = 0;
        CancelIoEx(pipe, &o);
        GetOverlappedResult(pipe, &o, &n, TRUE);
    }
    CloseHandle(o.hEvent);
    WSAEventSelect(s, printerData, 0);
    WSACloseEvent(printerData);
}

} // namespace

bool PipePrinter::start(const QStringList& simOptions) {
    // A USB printer's model, and its way of answering only when asked.
    const QStringList asUsb{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:0"),
                            QStringLiteral("--asked-only"), QStringLiteral("--model"),
                            QStringLiteral("B-SA4TP")};
    if (!m_sim.start(asUsb + simOptions)) {
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
    m_thread = std::thread([this] { serve(); });
    // Ready once the pipe is made and waits for a client; the thread may
    // take a while to make it on a busy machine.
    for (int i = 0; i < 100; ++i) {
        if (m_made && WaitNamedPipeW(reinterpret_cast<const wchar_t*>(m_name.utf16()), 50))
            return true;
        Sleep(50);
    }
    qWarning("the stand-in pipe did not come up");
    return false;
}

// One instance of the pipe, served client after client: a USB device is one
// line, so the bytes of one client reach the printer before the next
// client's. A client that opens while the last one is still being let go
// finds the pipe busy and waits for it (WaitNamedPipe), as Quorvel does.
void PipePrinter::serve() {
    const std::wstring name = m_name.toStdWString();
    HANDLE pipe =
        CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                         PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE)
        return;
    m_made = true;
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
        if (ok)
            relay(pipe, SOCKET(m_socket), static_cast<HANDLE>(m_stopEvent));
        DisconnectNamedPipe(pipe);
    }
    CloseHandle(connected);
    CloseHandle(pipe);
}

void PipePrinter::stop() {
    if (m_thread.joinable()) {
        m_stopping = true;
        SetEvent(m_stopEvent);
        m_thread.join();
        CloseHandle(m_stopEvent);
        m_stopEvent = nullptr;
        closesocket(SOCKET(m_socket));
    }
    m_sim.stop();
}

} // namespace testsupport
