// One overlapped read stays on its way while the line is open; it waits for
// a first byte as long as it takes and ends at the first gap of 10 ms after
// it (interval timeout only: Wine does not keep the documented promise of
// both read timeouts at MAXDWORD, which there waits for the total). The
// events of the read and the write wake the event loop through notifiers
// that take a finished read and send what waits behind a finished write; an
// event is reset whenever nothing is on its way, so it does not keep the loop
// busy.
#include "platform/SerialLine.h"
#include "platform/win/OwnedHandle.h"

#include <QWinEventNotifier>
#include <utility>
#include <windows.h>

namespace platform {

namespace {
// The gap after a byte that ends a read.
constexpr DWORD kByteGapMs = 10;
constexpr DWORD kReadChunk = 4096;

HANDLE newEvent() {
    return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}
} // namespace

struct SerialLine::Port {
    OwnedHandle line;
    OwnedHandle readEvent;
    OwnedHandle writeEvent;
    OVERLAPPED readOverlapped{};
    OVERLAPPED writeOverlapped{};
    QWinEventNotifier readNotifier;
    QWinEventNotifier writeNotifier;
    char readBuffer[kReadChunk];
    bool reading = false; // a read is on its way
    bool failed = false;  // the line refused a read or a write: it is gone
    QByteArray received;  // what finished reads brought, not yet taken
    QByteArray inFlight;  // the write on its way (its buffer must live)
    QByteArray queued;    // written after it
    int baudRate = 0;

    Port() {
        readEvent.handle = newEvent();
        writeEvent.handle = newEvent();
        readNotifier.setHandle(readEvent.handle);
        writeNotifier.setHandle(writeEvent.handle);
        QObject::connect(&readNotifier, &QWinEventNotifier::activated, &readNotifier, [this] { collect(); });
        QObject::connect(&writeNotifier, &QWinEventNotifier::activated, &writeNotifier, [this] { push(); });
    }

    void startNotifiers() {
        readNotifier.setEnabled(true);
        writeNotifier.setEnabled(true);
    }

    ~Port() {
        // Nothing may land in the buffers once they are gone.
        CancelIo(line.handle);
        DWORD n = 0;
        if (reading)
            GetOverlappedResult(line.handle, &readOverlapped, &n, TRUE);
        if (!inFlight.isEmpty())
            GetOverlappedResult(line.handle, &writeOverlapped, &n, TRUE);
    }

    // Takes the finished read, if any, and keeps one read on its way.
    void collect() {
        DWORD n = 0;
        if (reading) {
            if (!GetOverlappedResult(line.handle, &readOverlapped, &n, FALSE)) {
                if (GetLastError() == ERROR_IO_INCOMPLETE)
                    return;
                failed = true;
            }
            reading = false;
            received.append(readBuffer, static_cast<int>(n));
        }
        // A read that finishes at once has brought its bytes already; the
        // next one goes out, a few times at most before events run again.
        for (int attempt = 0; !failed && attempt < 4; ++attempt) {
            ResetEvent(readEvent.handle);
            readOverlapped = OVERLAPPED{};
            readOverlapped.hEvent = readEvent.handle;
            if (ReadFile(line.handle, readBuffer, kReadChunk, &n, &readOverlapped)) {
                received.append(readBuffer, static_cast<int>(n));
                continue; // its event is set: the notifier comes back for more
            }
            if (GetLastError() == ERROR_IO_PENDING)
                reading = true;
            else
                failed = true;
            break;
        }
        if (failed)
            ResetEvent(readEvent.handle);
    }

    // Sees the write on its way finish, and sends what was queued after it.
    void push() {
        if (!inFlight.isEmpty()) {
            DWORD n = 0;
            if (!GetOverlappedResult(line.handle, &writeOverlapped, &n, FALSE)) {
                if (GetLastError() == ERROR_IO_INCOMPLETE)
                    return;
                failed = true;
            }
            inFlight.clear();
        }
        if (queued.isEmpty() || failed) {
            queued.clear();
            ResetEvent(writeEvent.handle);
            return;
        }
        inFlight = std::exchange(queued, QByteArray());
        ResetEvent(writeEvent.handle);
        writeOverlapped = OVERLAPPED{};
        writeOverlapped.hEvent = writeEvent.handle;
        DWORD n = 0;
        if (WriteFile(line.handle, inFlight.constData(), static_cast<DWORD>(inFlight.size()), &n,
                      &writeOverlapped)) {
            inFlight.clear(); // its event is set: the notifier sends what follows
        } else if (GetLastError() != ERROR_IO_PENDING) {
            failed = true;
            inFlight.clear();
            ResetEvent(writeEvent.handle);
        }
    }
};

SerialLine::SerialLine() = default;

SerialLine::~SerialLine() = default;

SerialLine::Opened SerialLine::open(const QString& name, int baudRate) {
    // A bare port name opens by its device name (COM10 and above open no
    // other way); a path (a mapped port) opens as it is.
    const bool bare = !name.contains(QLatin1Char('\\')) && !name.contains(QLatin1Char('/')) &&
                      !name.contains(QLatin1Char(':'));
    const QString path = bare ? QStringLiteral("\\\\.\\") + name : name;
    auto port = std::make_unique<Port>();
    port->line.handle =
        CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                    OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (port->line.handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? Opened::Busy
                                                                                : Opened::NoSuchPort;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port->line.handle, &dcb))
        return Opened::NoSuchPort; // a file, not a port
    dcb.BaudRate = static_cast<DWORD>(baudRate);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    COMMTIMEOUTS timeouts{kByteGapMs, 0, 0, 0, 0};
    if (!SetCommState(port->line.handle, &dcb) || !SetCommTimeouts(port->line.handle, &timeouts))
        return Opened::NoSuchPort;
    port->baudRate = baudRate;
    port->collect();
    port->startNotifiers();
    m_port = std::move(port);
    return Opened::Yes;
}

void SerialLine::close() {
    m_port.reset();
}

bool SerialLine::isOpen() const {
    return m_port != nullptr;
}

int SerialLine::baudRate() const {
    return m_port ? m_port->baudRate : 0;
}

void SerialLine::write(const QByteArray& data) {
    if (!m_port)
        return;
    m_port->queued += data;
    m_port->push();
}

bool SerialLine::writing() {
    if (!m_port)
        return false;
    m_port->push();
    return !m_port->inFlight.isEmpty() || !m_port->queued.isEmpty();
}

bool SerialLine::hasInput() {
    if (!m_port)
        return false;
    m_port->collect();
    return !m_port->received.isEmpty();
}

QByteArray SerialLine::takeInput() {
    if (!m_port)
        return {};
    m_port->collect();
    return std::exchange(m_port->received, QByteArray());
}

} // namespace platform
