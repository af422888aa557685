#pragma once
// The printer connection of a window: a TCP client socket (Winsock1), a
// serial port (MSComm1) and the USB library, chosen by the connection kind
// (1 TCP/IP, 2 serial, 3 USB). The main window's connection takes kind and
// address from the settings record and gathers the printer's answers into the
// run state; the settings window's connection takes them from its controls as
// they stand and never reads from the printer.
//
// Every wait here is a loop on the caller's thread that lets pending events
// run on each pass and ends after 5 seconds of the whole-second clock.
#include "main/printerlink/RunState.h"
#include "main/settings/SetupData.h"

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QTcpSocket>
#include <functional>

namespace printerlink {

// How long a serial send waits for the output queue to drain.
enum class SendWait { Bounded, Unbounded };

// The settings window's connection controls as they stand on the screen.
struct SettingsControls {
    int optConn = 0; // 0 TCP/IP, 1 serial, 2 USB
    QString txtIP;
    QString txtPort;
    int CboPort = 0; // list index of "COM1".."COM9"
};

class PrinterLink : public QObject {
public:
    // The main window's connection.
    PrinterLink(const settings::SetupData& setup, RunState& run, QObject* parent = nullptr);
    // The settings window's connection; `controls` reads the window's controls.
    explicit PrinterLink(std::function<SettingsControls()> controls, QObject* parent = nullptr);
    ~PrinterLink() override;

    bool isSettingsWindow() const { return m_run == nullptr; }

    // Opens the connection of the current kind; shows its own message and
    // returns false when the printer cannot be written to.
    bool fncRsOpen();
    // Puts one command record on the connection, as one write. Raises
    // platform::RuntimeError when the socket or port cannot take it.
    void fncRsSend(const QByteArray& sData, SendWait wait);
    void fncRsSend(const QString& sData, SendWait wait); // text goes out as CP949
    // Closes whatever fncRsOpen opened; empties the receive buffer.
    void fncRsClose();

    // Main window only. Asks the printer for its status before the tag of
    // grid row nIndex; true when it answered with a ready code.
    bool CheckPrint(qint32 nIndex);
    // The code CheckPrint evaluated last (two characters, or empty).
    const QString& lastStatusCode() const { return m_lastCode; }

    // One wait period for a status answer on the main window's connection.
    // It ends 100 ms after new data is seen (the data is appended to
    // `pending` and written to the status log after `rawLogHead`), at once
    // when `pending` already holds a whole answer, or after 5 seconds.
    // Returns the answer cut from SOH to LF, or empty.
    QByteArray awaitAnswer(QByteArray& pending, const QString& rawLogHead);
    // Appends whatever the serial port holds now to `pending`.
    void takeSerialInput(QByteArray& pending);

    // The connection kind as a number (raises on a kind that is not one).
    int connKind() const;

    // Socket events of the main window.
    void Winsock1_DataArrival(qint32 bytesTotal);
    void Winsock1_Error(qint16 number, const QString& description);

    QTcpSocket& Winsock1() { return m_socket; }
    QSerialPort& MSComm1() { return m_port; }
    RunState* run() { return m_run; }

private:
    bool openTcp(const QString& host, const QString& portText);
    void openSerial(int portNumber);
    bool openUsb();
    void requirePortOpen();
    void onSocketError(QAbstractSocket::SocketError error);

    const settings::SetupData* m_setup = nullptr;
    RunState* m_run = nullptr;
    std::function<SettingsControls()> m_controls;
    QTcpSocket m_socket;
    QSerialPort m_port;
    QString m_lastCode;
};


// Socket error numbers as the error event reports them.
qint16 socketErrorNumber(QAbstractSocket::SocketError error);

} // namespace printerlink
