#pragma once
// The ways a host reaches the printer: a TCP listener, or a pseudo-terminal
// whose slave device node stands for a serial port or a USB printer.
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>

class QTcpServer;
class QSocketNotifier;

namespace printersim {

class Session;
class VirtualPrinter;

class TcpLink : public QObject {
    Q_OBJECT
public:
    TcpLink(VirtualPrinter* printer, QObject* parent = nullptr);
    // host:port as given; port 0 picks a free one.
    bool listen(const QString& host, quint16 port, QString* error);
    QString endpoint() const; // "HOST:PORT"

private:
    void acceptClients();
    VirtualPrinter* m_printer;
    QTcpServer* m_server;
};

// Passes bytes on in order at the pace of a serial line of `baud` (ten bits a
// byte): each chunk is handed on when the line would have carried its last
// byte.
class LinePacer : public QObject {
public:
    LinePacer(int baud, std::function<void(const QByteArray&)> deliver, QObject* parent = nullptr);
    void push(const QByteArray& bytes);
    void flush(); // hands on everything queued, now
    void clear(); // drops everything queued

private:
    void release();

    struct Chunk {
        QByteArray bytes;
        qint64 dueNs;
    };
    double m_nsPerByte;
    std::function<void(const QByteArray&)> m_deliver;
    std::deque<Chunk> m_queue;
    qint64 m_lineFreeNs = 0;
    QElapsedTimer m_clock;
    QTimer m_timer;
};

class PtyLink : public QObject {
    Q_OBJECT
public:
    PtyLink(VirtualPrinter* printer, QObject* parent = nullptr);
    ~PtyLink() override;
    // Opens a raw pseudo-terminal and links linkPath to its device node.
    bool open(const QString& linkPath, QString* error);
    // For a USB printer: links dir/lp0 or the next free lpN.
    bool openInDirectory(const QString& dir, QString* error);
    QString linkPath() const { return m_link; }
    QString devicePath() const { return m_device; }
    // Paces both directions at `baud` (0: bytes move at once).
    void setBaud(int baud);

private:
    bool openPty(QString* error);
    void closePty();
    void endSession();
    void readMaster();
    bool drainMaster();
    void startSession();
    void watchForHost();
    void takeBytesLeftBehind();
    void hostClosed();
    void drop();
    void deliverToPrinter(const QByteArray& bytes);
    void writeToHost(const QByteArray& bytes);

    VirtualPrinter* m_printer;
    std::unique_ptr<LinePacer> m_toPrinter;
    std::unique_ptr<LinePacer> m_toHost;
    int m_master = -1;
    QString m_device;
    QString m_link;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_hangupWatch;  // while no host holds the device open
    int m_openEvents = -1; // the device's open events, where the system has them
    QSocketNotifier* m_openWatch = nullptr;
    Session* m_session = nullptr;
};

// Removes the device link when the process is asked to stop (SIGINT, SIGTERM).
void quitOnSignals();

} // namespace printersim
