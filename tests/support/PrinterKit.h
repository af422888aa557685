#pragma once
// Shared pieces of the printer link and issuing tests: a virtual printer on
// one of the three links with its capture file, the log lines of the program
// directory, and the USB library copied next to the program.
#include "main/printerlink/RunState.h"
#include "main/settings/SetupData.h"
#include "platform/Clock.h"
#include "platform/Cp949.h"
#include "tests/support/FastClock.h"
#include "tests/support/PrinterSimProcess.h"
#ifdef Q_OS_WIN
#include "tests/support/PipePrinter.h"
#endif
#include "tests/support/RecordingOperator.h"
#include "tests/support/ScopedTestCase.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace testsupport {

enum class Link { Tcp, Serial, Usb };

inline const char* linkName(Link l) {
    return l == Link::Tcp ? "tcp" : l == Link::Serial ? "serial" : "usb";
}

// One virtual printer with its script and capture in a folder of its own.
class Printer {
public:
    // Starts the printer on the link; the serial and USB nodes are made in
    // `deviceDir` (the USB library looks there through QUORVEL_DEVICE_DIR).
    bool start(Link link, const QString& script = {}, const QStringList& extra = {},
               const QString& deviceDir = {}) {
        m_link = link;
        QStringList args;
        const QString dir = deviceDir.isEmpty() ? m_dir.path() : deviceDir;
        if (link == Link::Tcp)
            args << QStringLiteral("--tcp") << QStringLiteral("0");
        else if (link == Link::Serial)
            args << QStringLiteral("--serial") << dir + QStringLiteral("/ttyPRN");
#ifndef Q_OS_WIN
        else
            args << QStringLiteral("--usb") << dir;
#endif
        if (!script.isEmpty()) {
            QFile f(m_dir.filePath(QStringLiteral("script.txt")));
            f.open(QIODevice::WriteOnly | QIODevice::Truncate);
            f.write(script.toUtf8());
            f.close();
            args << QStringLiteral("--script") << f.fileName();
        }
        args << QStringLiteral("--capture") << capturePath() << extra;
#ifdef Q_OS_WIN
        if (link == Link::Usb) {
            // The device: a stand-in pipe under a name no other printer has.
            const QString pipes = newStandInFolder();
            qputenv("QUORVEL_DEVICE_DIR", pipes.toLocal8Bit());
            m_pipe = std::make_unique<PipePrinter>(pipes + QStringLiteral("\\lp0"));
            return m_pipe->start(args);
        }
#else
        if (link == Link::Usb)
            qputenv("QUORVEL_DEVICE_DIR", QFile::encodeName(dir));
#endif
        return m_sim.start(args);
    }
    QString error() const {
        return m_sim.error();
    }
    QString host() const {
        return m_sim.host();
    }
    quint16 port() const {
        return m_sim.port();
    }
    QString path() const {
        return m_sim.path();
    }
    QString capturePath() const {
        return m_dir.filePath(QStringLiteral("capture.bin"));
    }
    QByteArray capture() const {
        QFile f(capturePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Waits (events running) until the capture holds at least `size` bytes.
    QByteArray captureOf(qsizetype size, int timeoutMs = 3000) const {
        QElapsedTimer t;
        t.start();
        QByteArray c = capture();
        while (c.size() < size && t.elapsed() < timeoutMs) {
            platform::clock().pumpEvents();
            c = capture();
        }
        return c;
    }
    void stop() {
#ifdef Q_OS_WIN
        m_pipe.reset();
#endif
        m_sim.stop();
    }
    testsupport::PrinterSimProcess& process() {
        return m_sim;
    }

    // The settings record of a main window that reaches this printer.
    settings::SetupData setup() const {
        settings::SetupData s;
        s.sDensity = QStringLiteral("+00");
        s.sFeeding = QStringLiteral("+0130");
        s.nComPort = 1;
        s.sSensorType = QStringLiteral("1");
        s.sPrinterType = QStringLiteral("1");
        s.sDetailLog = QStringLiteral("2");
        if (m_link == Link::Tcp) {
            s.sConnKind = QStringLiteral("1");
            s.sPrinterIP = host();
            s.sPrinterPort = QString::number(port());
        } else {
            s.sConnKind = m_link == Link::Serial ? QStringLiteral("2") : QStringLiteral("3");
        }
        return s;
    }

private:
    Link m_link = Link::Tcp;
    QTemporaryDir m_dir;
    testsupport::PrinterSimProcess m_sim;
#ifdef Q_OS_WIN
    std::unique_ptr<PipePrinter> m_pipe; // the USB device under Wine
#endif
};

// Points COM1 of the program directory at the printer's serial link.
inline void mapCom1(const testsupport::TempProgramDir& dir, const QString& device) {
    dir.writeText(QStringLiteral("conn_setup.ini"),
                  QStringLiteral("[SERIAL_PORTS]\r\nCOM1=") + device + "\r\n");
}

// Puts the USB library into the program directory, where the program binds it.
inline bool installQuorvel(const testsupport::TempProgramDir& dir) {
#ifdef Q_OS_WIN
    const QString lib = QStringLiteral("Quorvel.dll");
#else
    const QString lib = QStringLiteral("libQuorvel.so");
#endif
    QFile::remove(dir.file(lib));
    return QFile::copy(QDir(testsupport::binDir()).filePath(lib), dir.file(lib));
}

// Lines of a log of the program directory, without their time stamps.
inline QStringList logLines(const testsupport::TempProgramDir& dir, const QString& name) {
    QStringList lines;
    const QString text = platform::fromCp949(dir.read(name));
    for (const QString& l : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        lines << (l.startsWith(QLatin1Char('[')) && l.size() >= 19 ? l.mid(19) : l);
    return lines;
}

// Every error code a status request knows (also the USB waits after an
// issue) with the message box and status log line it gives for row 7.
struct StatusRequestCase {
    const char* code;
    const char* message;
    const char* log;
};
// clang-format off
inline const StatusRequestCase kStatusRequestCases[] = {
    {"01", "헤드 오픈 에러 !! [01]", "Status Request Command:[7]번 출력중 헤드 오픈 에러 !! [01]"},
    {"15", "헤드 오픈 에러 !! [15]", "Status Request Command:[7]번 출력중 헤드 오픈 에러 !! [15]"},
    {"04", "PAUSE가 눌렸습니다 !! [04]", "Status Request Command:[7]번 출력중 PAUSE가 눌렸습니다 !! [04]"},
    {"28", "PAUSE가 눌렸습니다 !! [28]", "Status Request Command:[7]번 출력중 PAUSE가 눌렸습니다 !! [28]"},
    {"06", "COMMAND ERROR !! [06]", "Status Request Command:[7]번 출력중 COMMAND ERROR !! [06]"},
    {"07", "COMMS ERROR !! [07]", "Status Request Command:[7]번 출력중 COMMS ERROR !! [07]"},
    {"11", "PAPER JAM !! [11]", "Status Request Command:[7]번 출력중 PAPER JAM !! [11]"},
    {"12", "CUTTER ERROR !! [12]", "Status Request Command:[7]번 출력중 CUTTER ERROR !! [12]"},
    {"13", "용지가 없습니다 !! [13]", "Status Request Command:[7]번 출력중 용지가 없습니다 !! [13]"},
    {"14", "리본이 없습니다 !! [14]", "Status Request Command:[7]번 출력중 리본이 없습니다 !! [14]"},
    {"17", "헤드 에러 !! [17]", "Status Request Command:[7]번 출력중 헤드 에러 !! [17]"},
    {"18", "헤드 과열 !! [18]", "Status Request Command:[7]번 출력중 헤드 과열 !! [18]"},
    {"21", "리본 에러 !! [21]", "Status Request Command:[7]번 출력중 리본 에러 !! [21]"},
    {"22", "REWIND FULL !! [22]", "Status Request Command:[7]번 출력중 REWIND FULL !! [22]"},
    {"50", "FLASH WRITE ERROR !! [50]", "Status Request Command:[7]번 출력중 FLASH WRITE ERROR !! [50]"},
    {"51", "FORMAT ERROR !! [51]", "Status Request Command:[7]번 출력중 FORMAT ERROR !! [51]"},
    {"54", "FLASH CARD FULL !! [54]", "Status Request Command:[7]번 출력중 FLASH CARD FULL !! [54]"},
    {"55", "SAVING ERROR !! [55]", "Status Request Command:[7]번 출력중 SAVING ERROR !! [55]"},
    {"61", "[7]번 출력중 RFID WRITE ERROR !! [61]", "Status Request Command::[7]번 출력중RFID WRITE ERROR [61]"},
    {"62", "[7]번 출력중 RFID ERROR !! [62]", "Status Request Command:[7]번 출력중 RFID ERROR !! [62]"},
    {"65", "[7]번 출력중 RFID CONFIG ERROR !! [65]", "Status Request Command:[7]번 출력중 RFID CONFIG ERROR !! [65]"},
};
// clang-format on

// A clock whose seconds run fast, installed for one scope.
class FastClockScope {
public:
    explicit FastClockScope(int factor) : m_clock(factor) { platform::setClock(&m_clock); }
    ~FastClockScope() { platform::setClock(nullptr); }

private:
    testsupport::FastClock m_clock;
};

} // namespace testsupport
