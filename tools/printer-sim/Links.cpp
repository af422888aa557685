#include "tools/printer-sim/Links.h"

#include "tools/printer-sim/VirtualPrinter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#ifdef __linux__
#include <sys/inotify.h>
#endif
#include <termios.h>
#include <unistd.h>

namespace printersim {

// ---------------------------------------------------------------- TcpLink

TcpLink::TcpLink(VirtualPrinter* printer, QObject* parent)
    : QObject(parent), m_printer(printer), m_server(new QTcpServer(this)) {
    connect(m_server, &QTcpServer::newConnection, this, &TcpLink::acceptClients);
}

bool TcpLink::listen(const QString& host, quint16 port, QString* error) {
    QHostAddress address;
    if (host == QLatin1String("localhost"))
        address = QHostAddress::LocalHost;
    else if (!address.setAddress(host)) {
        *error = QStringLiteral("bad host address '%1'").arg(host);
        return false;
    }
    if (!m_server->listen(address, port)) {
        *error =
            QStringLiteral("cannot listen on %1:%2: %3").arg(host).arg(port).arg(m_server->errorString());
        return false;
    }
    return true;
}

QString TcpLink::endpoint() const {
    return QStringLiteral("%1:%2").arg(m_server->serverAddress().toString()).arg(m_server->serverPort());
}

void TcpLink::acceptClients() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        // A printer answers at once; its small answers never wait for the
        // acknowledgement of the one before.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QPointer<QTcpSocket> guard(socket);
        Session* session = m_printer->openSession(
            [guard](const QByteArray& bytes) {
                if (guard && guard->state() == QAbstractSocket::ConnectedState) {
                    guard->write(bytes);
                    guard->flush();
                }
            },
            [guard] {
                if (guard)
                    guard->abort();
            });
        QPointer<Session> sessionGuard(session);
        connect(socket, &QTcpSocket::readyRead, session,
                [socket, session] { session->received(socket->readAll()); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket, sessionGuard] {
            if (sessionGuard)
                m_printer->closeSession(sessionGuard);
            socket->deleteLater();
        });
    }
}

// ---------------------------------------------------------------- LinePacer

LinePacer::LinePacer(int baud, std::function<void(const QByteArray&)> deliver, QObject* parent)
    : QObject(parent), m_nsPerByte(10.0 * 1e9 / baud), m_deliver(std::move(deliver)) {
    m_clock.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &LinePacer::release);
}

void LinePacer::push(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return;
    const qint64 start = std::max(m_clock.nsecsElapsed(), m_lineFreeNs);
    m_lineFreeNs = start + static_cast<qint64>(m_nsPerByte * static_cast<double>(bytes.size()));
    m_queue.push_back({bytes, m_lineFreeNs});
    if (!m_timer.isActive())
        release();
}

void LinePacer::flush() {
    m_timer.stop();
    while (!m_queue.empty()) {
        const QByteArray bytes = std::move(m_queue.front().bytes);
        m_queue.pop_front();
        m_deliver(bytes);
    }
}

void LinePacer::clear() {
    m_queue.clear();
    m_timer.stop();
    m_lineFreeNs = 0;
}

void LinePacer::release() {
    while (!m_queue.empty() && m_queue.front().dueNs <= m_clock.nsecsElapsed()) {
        const QByteArray bytes = std::move(m_queue.front().bytes);
        m_queue.pop_front();
        m_deliver(bytes);
    }
    if (!m_queue.empty()) {
        const qint64 waitNs = m_queue.front().dueNs - m_clock.nsecsElapsed();
        m_timer.start(static_cast<int>((waitNs + 999999) / 1000000));
    }
}

// ---------------------------------------------------------------- PtyLink

PtyLink::PtyLink(VirtualPrinter* printer, QObject* parent) : QObject(parent), m_printer(printer) {
    m_hangupWatch.setInterval(10);
    connect(&m_hangupWatch, &QTimer::timeout, this, &PtyLink::watchForHost);
}

PtyLink::~PtyLink() {
    closePty();
    if (!m_link.isEmpty())
        QFile::remove(m_link);
}

bool PtyLink::openPty(QString* error) {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        *error = QStringLiteral("cannot open a pseudo-terminal: %1")
                     .arg(QString::fromLocal8Bit(std::strerror(errno)));
        closePty();
        return false;
    }
    m_device = QString::fromLocal8Bit(::ptsname(m_master));
    // Raw: no echo, no CR/LF translation, 0x03 is data like any other byte.
    // The setting stays with the terminal while the master is open.
    const int slave = ::open(m_device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        *error =
            QStringLiteral("cannot open %1: %2").arg(m_device, QString::fromLocal8Bit(std::strerror(errno)));
        closePty();
        return false;
    }
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    ::tcsetattr(slave, TCSANOW, &tio);
    ::close(slave);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);

    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyLink::readMaster);
    // Nobody holds the device yet.
    m_notifier->setEnabled(false);
    m_hangupWatch.start();
#ifdef __linux__
    // A host opening the device is seen at once, as a USB printer's device
    // node is there at once, not at the next look of the watch.
    m_openEvents = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_openEvents >= 0 &&
        ::inotify_add_watch(m_openEvents, m_device.toLocal8Bit().constData(), IN_OPEN) >= 0) {
        m_openWatch = new QSocketNotifier(m_openEvents, QSocketNotifier::Read, this);
        connect(m_openWatch, &QSocketNotifier::activated, this, [this] {
            char events[4096];
            while (::read(m_openEvents, events, sizeof events) > 0) {
            }
            if (m_hangupWatch.isActive())
                watchForHost();
        });
    } else if (m_openEvents >= 0) {
        ::close(m_openEvents);
        m_openEvents = -1;
    }
#endif
    return true;
}

void PtyLink::endSession() {
    // Answers not yet sent go with the session.
    if (m_toHost)
        m_toHost->clear();
    if (m_session) {
        m_printer->closeSession(m_session);
        m_session = nullptr;
    }
}

void PtyLink::closePty() {
    m_hangupWatch.stop();
    // What was still on the line goes with the connection.
    if (m_toPrinter)
        m_toPrinter->clear();
    endSession();
    delete m_notifier;
    m_notifier = nullptr;
    delete m_openWatch;
    m_openWatch = nullptr;
    if (m_openEvents >= 0)
        ::close(m_openEvents);
    m_openEvents = -1;
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

bool PtyLink::open(const QString& linkPath, QString* error) {
    if (!openPty(error))
        return false;
    const QFileInfo info(linkPath);
    if (info.exists() && !info.isSymLink()) {
        *error = QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath);
        return false;
    }
    QFile::remove(linkPath);
    if (!QFile::link(m_device, linkPath)) {
        *error = QStringLiteral("cannot link %1 to %2").arg(linkPath, m_device);
        return false;
    }
    m_link = linkPath;
    return true;
}

bool PtyLink::openInDirectory(const QString& dir, QString* error) {
    if (!QDir().mkpath(dir)) {
        *error = QStringLiteral("cannot create %1").arg(dir);
        return false;
    }
    for (int n = 0; n < 1000; ++n) {
        const QString path = QDir(dir).filePath(QStringLiteral("lp%1").arg(n));
        const QFileInfo info(path);
        // A link left behind by a printer that is gone counts as free.
        if (info.isSymLink() && !info.exists())
            QFile::remove(path);
        else if (info.exists() || info.isSymLink())
            continue;
        return open(path, error);
    }
    *error = QStringLiteral("no free lpN in %1").arg(dir);
    return false;
}

void PtyLink::watchForHost() {
    if (m_master < 0)
        return;
    pollfd pfd{m_master, POLLIN, 0};
    if (::poll(&pfd, 1, 0) < 0)
        return;
    // A host may open the device, write and close it again between two
    // looks: its bytes are still there to read.
    if (pfd.revents & POLLIN) {
        startSession();
        drainMaster();
    }
    if (pfd.revents & POLLHUP) {
        if (m_session)
            hostClosed();
        return; // nobody at the other end (any more)
    }
    startSession();
    m_hangupWatch.stop();
    m_notifier->setEnabled(true);
}

void PtyLink::setBaud(int baud) {
    m_toPrinter.reset();
    m_toHost.reset();
    if (baud <= 0)
        return;
    m_toPrinter = std::make_unique<LinePacer>(baud, [this](const QByteArray& b) { deliverToPrinter(b); });
    m_toHost = std::make_unique<LinePacer>(baud, [this](const QByteArray& b) { writeToHost(b); });
}

void PtyLink::deliverToPrinter(const QByteArray& bytes) {
    if (m_session)
        m_session->received(bytes);
}

void PtyLink::writeToHost(const QByteArray& bytes) {
    qsizetype done = 0;
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // host not reading: the bytes are lost, as on a wire
        done += n;
    }
}

void PtyLink::startSession() {
    if (m_session)
        return;
    m_session = m_printer->openSession(
        [this](const QByteArray& bytes) {
            if (m_toHost)
                m_toHost->push(bytes);
            else
                writeToHost(bytes);
        },
        [this] { drop(); });
}

bool PtyLink::drainMaster() {
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n > 0) {
            if (m_toPrinter)
                m_toPrinter->push(QByteArray(buf, n));
            else
                deliverToPrinter(QByteArray(buf, n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return n < 0 && errno == EAGAIN; // false: EIO, the last host closed the device
    }
}

void PtyLink::readMaster() {
    if (!drainMaster())
        hostClosed();
}

void PtyLink::hostClosed() {
    if (m_notifier)
        m_notifier->setEnabled(false);
    // What the host wrote before it closed still reaches the printer.
    if (m_toPrinter)
        m_toPrinter->flush();
    endSession();
    // Answers the host never read are gone with the connection; the next
    // host must not find them waiting.
    const int slave = ::open(m_device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (slave >= 0) {
        ::tcflush(slave, TCIFLUSH);
        ::close(slave);
    }
    m_hangupWatch.start();
}

void PtyLink::drop() {
    // Pulling the cable: the host's open device fails from now on, and a new
    // device node takes the link's name.
    closePty();
    QString error;
    if (!openPty(&error)) {
        qWarning("printer-sim: %s", qPrintable(error));
        return;
    }
    if (!m_link.isEmpty()) {
        const QString tmp = m_link + QStringLiteral(".new");
        QFile::remove(tmp);
        if (QFile::link(m_device, tmp))
            ::rename(tmp.toLocal8Bit().constData(), m_link.toLocal8Bit().constData());
    }
}

// ---------------------------------------------------------------- signals

namespace {
int signalPipe[2] = {-1, -1};
void onSignal(int) {
    const char c = 1;
    [[maybe_unused]] auto n = ::write(signalPipe[1], &c, 1);
}
} // namespace

void quitOnSignals() {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] { QCoreApplication::quit(); });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
}

} // namespace printersim
