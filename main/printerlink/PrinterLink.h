#pragma once
// The printer link of a window: the connection of the kind its settings name
// (1 TCP/IP, 2 serial, 3 USB), opened, written and closed under the names the
// windows use. The main window's link takes kind and address from the
// settings record and gathers the printer's answers into the run state; the
// settings window's link takes them from its controls as they stand and
// never reads from the printer. The status protocol (StatusProtocol.cpp)
// works on the same connection.
//
// Every wait here is a loop on the caller's thread that sleeps until an event
// comes (socket or serial data, a window event) and lets it run, and ends
// after 5 seconds: the answer waits on the steady clock, the connection and
// drain waits on the whole-second clock.
#include "main/printerlink/PrinterConnection.h"
#include "main/printerlink/RunState.h"
#include "main/settings/SetupData.h"

#include "platform/SerialLine.h"
#include <QByteArray>
#include <QString>
#include <QTcpSocket>
#include <functional>
#include <memory>

namespace printerlink {

// The settings window's connection controls as they stand on the screen.
struct SettingsControls {
    int optConn = 0; // 0 TCP/IP, 1 serial, 2 USB
    QString txtIP;
    QString txtPort;
    int CboPort = 0; // list index of "COM1".."COM9"
};

class PrinterLink {
public:
    // The main window's link.
    PrinterLink(const settings::SetupData& setup, RunState& run);
    // The settings window's link; `controls` reads the window's controls.
    explicit PrinterLink(std::function<SettingsControls()> controls);
    ~PrinterLink();
    Q_DISABLE_COPY(PrinterLink)

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
    // New data is appended to `pending`; the period's data goes to the
    // status log after `rawLogHead`. A whole answer ends the period (100 ms
    // after the data was seen, or at once with fast status); data without
    // one ends it after 100 ms, while the beginning of an answer waits for
    // its rest; nothing ends it after 5 seconds. Returns the answer cut from
    // SOH to LF, or empty.
    QByteArray awaitAnswer(QByteArray& pending, const QString& rawLogHead);

    // Throws away what the printer sent before this moment (it is in the
    // status log already): the answers to the next record start here.
    void discardInput();

    // Fast status: answers are taken as soon as they are whole, and USB
    // status is asked at the library's pace (the main window's setting).
    bool fastStatus() const { return m_role.fastStatus(); }

    // The connection kind as a number (raises on a kind that is not one).
    int connKind() const;

    // Socket events of the main window.
    void Winsock1_DataArrival(qint32 bytesTotal);
    void Winsock1_Error(qint16 number, const QString& description);

    // The socket and the serial port of the connection (made on first use).
    QTcpSocket& Winsock1();
    platform::SerialLine& MSComm1();
    RunState* run() { return m_run; }

    // Told at least once a second while the link waits for the printer's
    // answer, so that a window can say it is waiting.
    std::function<void()> whileAwaiting;

private:
    // What differs between the two windows' links.
    struct Role {
        std::function<int()> kind;
        std::function<PrinterAddress()> address;
        // Shows why the address will not do and returns true when it will not.
        std::function<bool(const PrinterAddress&)> refuseAddress;
        // How an error of the open reaches the operator.
        std::function<void(const QString&)> openFailed;
        std::function<bool()> fastStatus;
        // The settings window stores a configuration only when it reached the
        // printer: a USB write the library reports as failed must not pass as
        // sent. The issuing side reads the printer's answers instead.
        bool usbWriteMustSucceed = false;
    };

    // The connection of a kind, made on first use and kept while the link
    // lives (the settings window may switch kinds between opens).
    PrinterConnection& connectionOf(int kind);

    Role m_role;
    RunState* m_run = nullptr;
    std::unique_ptr<PrinterConnection> m_connections[3];
    QString m_lastCode;
};

} // namespace printerlink
