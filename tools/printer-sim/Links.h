#pragma once
// The ways a host reaches the printer: a TCP listener, or a pseudo-terminal
// whose slave device node stands for a serial port or a USB printer.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

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

private:
    bool openPty(QString* error);
    void closePty();
    void readMaster();
    bool drainMaster();
    void startSession();
    void watchForHost();
    void takeBytesLeftBehind();
    void hostClosed();
    void drop();

    VirtualPrinter* m_printer;
    int m_master = -1;
    QString m_device;
    QString m_link;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_hangupWatch; // while no host holds the device open
    Session* m_session = nullptr;
};

// Removes the device link when the process is asked to stop (SIGINT, SIGTERM).
void quitOnSignals();

} // namespace printersim
