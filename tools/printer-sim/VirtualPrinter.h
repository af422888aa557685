#pragma once
// The printer itself, independent of the link it is reached by: splits the
// records of each connection, keeps the label image, answers status requests
// and sends the automatic answers after an issued label.
#include "main/labelimage/LabelCanvas.h"
#include "tools/printer-sim/RecordSplitter.h"
#include "tools/printer-sim/Script.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QTimer>
#include <functional>
#include <map>

namespace printersim {

enum class LinkKind { Tcp, Serial, Usb };

struct PrinterOptions {
    LinkKind link = LinkKind::Tcp;
    int printMs = 0; // time one label takes
    QString model = QStringLiteral("B-SX5T");
    // Nothing goes out unasked: the codes after a label answer the status
    // requests that follow it (a USB printer; any link with --asked-only).
    bool askedOnly = false;
    QString capturePath; // every received byte appended here
    QString labelsDir;   // one PNG per issued label
    Script script;
};

// Values the printer holds from the configuration records; they take effect
// with the reset record.
struct PrinterSettings {
    QByteArray rfidRecord;   // last accepted "{@RFID;...|}"
    QByteArray adjustRecord; // last accepted "{@ADJ;...|}"
    QByteArray density;      // from "{AY;...|}"
    QByteArray feed;         // from "{@003;...|}"

    // The RFID and ribbon-adjust values in force, for the margin of each
    // label: "RFID IR 003 AJ +00 PW 010  RBN FW -03 BK -02"; empty before
    // any configuration took effect.
    QString summary() const;
};

class VirtualPrinter;

// One connection of a host to the printer (a TCP client, or the device node
// being open). Answers are queued here, so a closed connection drops them.
class Session : public QObject {
    Q_OBJECT
public:
    using Writer = std::function<void(const QByteArray&)>;
    using Dropper = std::function<void()>;
    Session(VirtualPrinter* printer, Writer write, Dropper drop);

    void received(QByteArrayView bytes);
    // Queues bytes (or a drop when bytes is null) after ms milliseconds;
    // queued items go out in time order, ties in queueing order.
    void schedule(int ms, const QByteArray& bytes, bool drop = false);

private:
    void flushDue();
    struct Output {
        QByteArray bytes;
        bool drop = false;
    };
    VirtualPrinter* m_printer;
    Writer m_write;
    Dropper m_drop;
    RecordSplitter m_splitter;
    std::multimap<qint64, Output> m_outputs;
    QTimer m_timer;
    QElapsedTimer m_clock;
};

class VirtualPrinter : public QObject {
    Q_OBJECT
public:
    explicit VirtualPrinter(PrinterOptions options, QObject* parent = nullptr);
    ~VirtualPrinter() override;

    // False with a reason when the capture or labels path cannot be used.
    bool prepare(QString* error);

    Session* openSession(Session::Writer write, Session::Dropper drop);
    void closeSession(Session* session);

    const PrinterOptions& options() const { return m_options; }
    const PrinterSettings& settings() const { return m_settings; }
    const labelimage::LabelCanvas& canvas() const { return m_canvas; }
    int statusRequests() const { return m_statusCount; }
    int labelsIssued() const { return m_labelCount; }

signals:
    void labelIssued(int number, const QString& pngPath);
    void recordRejected(const QByteArray& record);

private:
    friend class Session;
    void capture(QByteArrayView bytes);
    void handleRecord(Session& session, const QByteArray& record);

    // Record handlers: false rejects the record (command error).
    bool onStatusRequest(Session& s, QByteArrayView params);
    bool onIssue(Session& s, QByteArrayView params);
    bool onClear(Session& s, QByteArrayView params);
    bool onSize(Session& s, QByteArrayView params);
    bool onDensity(Session& s, QByteArrayView params);
    bool onFeed(Session& s, QByteArrayView params);
    bool onFieldFormat(Session& s, QByteArrayView params);
    bool onFieldData(Session& s, QByteArrayView params);
    bool onLine(Session& s, QByteArrayView params);
    bool onRfidSetup(Session& s, QByteArrayView params);
    bool onTagData(Session& s, QByteArrayView params);
    bool onReset(Session& s, QByteArrayView params);
    bool onRfidSettings(Session& s, QByteArrayView params);
    bool onAdjustSettings(Session& s, QByteArrayView params);

    bool printing() const;
    QByteArray idleOrBusyCode();
    void sendAnswers(Session& s, const Behaviour& b, const QList<QByteArray>& codes, int startMs);
    QString writeLabelImage(int number);

    PrinterOptions m_options;
    PrinterSettings m_settings;
    PrinterSettings m_pendingSettings;
    labelimage::LabelCanvas m_canvas;
    QFile m_capture;
    QList<Session*> m_sessions;
    int m_statusCount = 0;
    int m_labelCount = 0;
    int m_firstImageNumber = 1;
    bool m_commandError = false;
    QElapsedTimer m_clock;
    qint64 m_printingUntil = 0;
    QList<QByteArray> m_askedAnswers; // scripted codes for the status requests after a label
};

} // namespace printersim
