#include "tools/printer-sim/VirtualPrinter.h"

#include "main/labelimage/LabelRecords.h"
#include "tools/printer-sim/StatusFrame.h"

#include <QDir>
#include <QRegularExpression>
#include <random>

namespace printersim {

namespace {

constexpr int DefaultSplitMs = 200;
constexpr int DefaultGapMs = 100;

} // namespace

// ---------------------------------------------------------------- Session

Session::Session(VirtualPrinter* printer, Writer write, Dropper drop)
    : QObject(printer), m_printer(printer), m_write(std::move(write)), m_drop(std::move(drop)) {
    m_timer.setSingleShot(true);
    // A label takes the printer's time to the millisecond, not within the
    // few percent a coarse timer allows.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Session::flushDue);
    m_clock.start();
}

void Session::received(QByteArrayView bytes) {
    m_printer->capture(bytes);
    m_splitter.append(bytes);
    while (auto record = m_splitter.next()) {
        m_printer->handleRecord(*this, *record);
    }
}

void Session::schedule(int ms, const QByteArray& bytes, bool drop) {
    m_outputs.emplace(m_clock.elapsed() + ms, Output{bytes, drop});
    const qint64 wait = qMax<qint64>(0, m_outputs.begin()->first - m_clock.elapsed());
    m_timer.start(int(wait));
}

void Session::flushDue() {
    while (!m_outputs.empty() && m_outputs.begin()->first <= m_clock.elapsed()) {
        const Output out = m_outputs.begin()->second;
        m_outputs.erase(m_outputs.begin());
        if (out.drop) {
            m_outputs.clear();
            // The link closes the connection and then the session: leave this
            // handler first.
            QTimer::singleShot(0, m_printer, m_drop);
            return;
        }
        m_write(out.bytes);
    }
    if (!m_outputs.empty())
        m_timer.start(int(qMax<qint64>(0, m_outputs.begin()->first - m_clock.elapsed())));
}

// ---------------------------------------------------------- VirtualPrinter

VirtualPrinter::VirtualPrinter(PrinterOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)) {
    m_clock.start();
}

VirtualPrinter::~VirtualPrinter() = default;

bool VirtualPrinter::prepare(QString* error) {
    if (!m_options.capturePath.isEmpty()) {
        m_capture.setFileName(m_options.capturePath);
        if (!m_capture.open(QIODevice::WriteOnly | QIODevice::Append)) {
            *error = QStringLiteral("cannot open capture file %1: %2")
                         .arg(m_options.capturePath, m_capture.errorString());
            return false;
        }
    }
    if (!m_options.labelsDir.isEmpty()) {
        QDir dir(m_options.labelsDir);
        if (!dir.mkpath(QStringLiteral("."))) {
            *error = QStringLiteral("cannot create labels folder %1").arg(m_options.labelsDir);
            return false;
        }
        // Continue the numbering of an earlier run so file names keep sorting
        // in issue order.
        static const QRegularExpression name(QStringLiteral("^label-(\\d{6})\\.png$"));
        for (const QString& f : dir.entryList({QStringLiteral("label-*.png")}, QDir::Files)) {
            const auto m = name.match(f);
            if (m.hasMatch())
                m_firstImageNumber = qMax(m_firstImageNumber, m.captured(1).toInt() + 1);
        }
    }
    return true;
}

Session* VirtualPrinter::openSession(Session::Writer write, Session::Dropper drop) {
    auto* s = new Session(this, std::move(write), std::move(drop));
    m_sessions << s;
    return s;
}

void VirtualPrinter::closeSession(Session* session) {
    if (m_sessions.removeOne(session))
        delete session;
}

void VirtualPrinter::capture(QByteArrayView bytes) {
    if (m_capture.isOpen()) {
        m_capture.write(bytes.data(), bytes.size());
        m_capture.flush();
    }
}

void VirtualPrinter::handleRecord(Session& session, const QByteArray& record) {
    using Handler = bool (VirtualPrinter::*)(Session&, QByteArrayView);
    struct Kind {
        const char* code;
        bool exact; // the code is the whole record body
        Handler handler;
    };
    // Longer codes before the shorter ones they begin with ("@003" and
    // "@RFID;" before nothing else; "C" alone is exact).
    static const Kind kinds[] = {
        {"WS", true, &VirtualPrinter::onStatusRequest},
        {"XS;", false, &VirtualPrinter::onIssue},
        {"XB01;", false, &VirtualPrinter::onRfidSetup},
        {"RB01;", false, &VirtualPrinter::onTagData},
        {"PC", false, &VirtualPrinter::onFieldFormat},
        {"RC", false, &VirtualPrinter::onFieldData},
        {"LC;", false, &VirtualPrinter::onLine},
        {"AY;", false, &VirtualPrinter::onDensity},
        {"@003;", false, &VirtualPrinter::onFeed},
        {"@RFID;", false, &VirtualPrinter::onRfidSettings},
        {"@ADJ;", false, &VirtualPrinter::onAdjustSettings},
        {"C", true, &VirtualPrinter::onClear},
        {"D", false, &VirtualPrinter::onSize},
        {"Z0", true, &VirtualPrinter::onReset},
    };
    const QByteArrayView body = QByteArrayView(record).sliced(1, record.size() - 3);
    for (const Kind& k : kinds) {
        const QByteArrayView code(k.code);
        if (k.exact ? body == code : body.startsWith(code)) {
            if ((this->*k.handler)(session, body.sliced(code.size())))
                return;
            break;
        }
    }
    // The printer reports a record it cannot take at the next status answer.
    m_commandError = true;
    emit recordRejected(record);
}

bool VirtualPrinter::printing() const {
    return m_clock.elapsed() < m_printingUntil;
}

QByteArray VirtualPrinter::idleOrBusyCode() {
    if (m_commandError) {
        m_commandError = false;
        return "06";
    }
    if (printing())
        return "02";
    if (m_options.askedOnly && !m_askedAnswers.isEmpty())
        return m_askedAnswers.takeFirst();
    return "00";
}

namespace {

// Line noise: the same bytes for the same length on every run.
QByteArray noiseBytes(int n, quint32 seed) {
    std::mt19937 random(seed);
    QByteArray bytes(n, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(random() & 0xff);
    return bytes;
}

} // namespace

void VirtualPrinter::sendAnswers(Session& s, const Behaviour& b, const QList<QByteArray>& codes,
                                 int startMs) {
    int t = startMs + b.delayMs.value_or(0);
    const int gap = b.gapMs.value_or(DefaultGapMs);
    if (b.noise) {
        s.schedule(t, noiseBytes(*b.noise, 1));
        t += gap;
    }
    if (b.garbage) {
        s.schedule(t, *b.garbage);
        t += gap;
    }
    if (!b.silent.value_or(false) && !codes.isEmpty()) {
        QList<QByteArray> packets;
        for (const QByteArray& c : codes)
            packets << statusFrame(c, m_labelCount);
        if (b.together.value_or(false))
            packets = {packets.join()};
        for (int i = 0; i < packets.size(); ++i) {
            if (i > 0)
                t += gap;
            if (b.splitAt && *b.splitAt < packets[i].size()) {
                // The rest of a split answer comes before the next answer.
                s.schedule(t, packets[i].left(*b.splitAt));
                t += b.splitMs.value_or(DefaultSplitMs);
                s.schedule(t, packets[i].mid(*b.splitAt));
            } else {
                s.schedule(t, packets[i]);
            }
        }
    }
    if (b.noise)
        s.schedule(t += gap, noiseBytes(*b.noise, 2));
    if (b.drop.value_or(false))
        s.schedule(t, QByteArray(), true);
}

bool VirtualPrinter::onStatusRequest(Session& s, QByteArrayView) {
    const int n = ++m_statusCount;
    const Behaviour b = m_options.script.lookup(Script::Event::Status, n);
    // A drop without scripted answers is just the drop.
    const bool dropOnly = b.drop.value_or(false) && !b.codes;
    QList<QByteArray> codes;
    if (!dropOnly)
        codes = b.codes ? *b.codes : QList<QByteArray>{idleOrBusyCode()};
    sendAnswers(s, b, codes, 0);
    return true;
}

bool VirtualPrinter::onIssue(Session& s, QByteArrayView params) {
    if (!params.startsWith("I,"))
        return false;
    const int n = ++m_labelCount;
    if (!m_options.labelsDir.isEmpty()) {
        const QString path = writeLabelImage(n);
        emit labelIssued(n, path);
    } else {
        emit labelIssued(n, QString());
    }
    m_printingUntil = m_clock.elapsed() + m_options.printMs;
    const Behaviour b = m_options.script.lookup(Script::Event::Label, n);
    if (m_options.askedOnly) {
        // Scripted codes answer the status requests that follow the printing.
        m_askedAnswers = b.codes.value_or(QList<QByteArray>{});
        return true;
    }
    const bool dropOnly = b.drop.value_or(false) && !b.codes;
    QList<QByteArray> codes;
    if (!dropOnly)
        codes = b.codes ? *b.codes : QList<QByteArray>{"40"};
    sendAnswers(s, b, codes, m_options.printMs);
    return true;
}

bool VirtualPrinter::onClear(Session&, QByteArrayView) {
    m_canvas.clear();
    return true;
}

bool VirtualPrinter::onSize(Session&, QByteArrayView params) {
    return labelimage::takeSize(m_canvas, params);
}

namespace {

// A record of two numbers of which the printer keeps the first as it came.
bool keepFirstOfTwo(QByteArrayView params, QByteArray& kept) {
    const auto p = labelimage::recordParams(params);
    int first = 0, second = 0;
    if (p.size() != 2 || !labelimage::recordNumber(p[0], first) || !labelimage::recordNumber(p[1], second))
        return false;
    kept = p[0].toByteArray();
    return true;
}

} // namespace

bool VirtualPrinter::onDensity(Session&, QByteArrayView params) {
    return keepFirstOfTwo(params, m_settings.density);
}

bool VirtualPrinter::onFeed(Session&, QByteArrayView params) {
    return keepFirstOfTwo(params, m_settings.feed);
}

bool VirtualPrinter::onFieldFormat(Session&, QByteArrayView params) {
    return labelimage::takeFieldFormat(m_canvas, params);
}

bool VirtualPrinter::onFieldData(Session&, QByteArrayView params) {
    return labelimage::takeFieldData(m_canvas, params);
}

bool VirtualPrinter::onLine(Session&, QByteArrayView params) {
    return labelimage::takeLine(m_canvas, params);
}

bool VirtualPrinter::onRfidSetup(Session&, QByteArrayView params) {
    return !params.isEmpty();
}

bool VirtualPrinter::onTagData(Session&, QByteArrayView params) {
    return labelimage::takeTagData(m_canvas, params);
}

bool VirtualPrinter::onReset(Session&, QByteArrayView) {
    // Configuration records take effect with the reset.
    if (!m_pendingSettings.rfidRecord.isEmpty())
        m_settings.rfidRecord = m_pendingSettings.rfidRecord;
    if (!m_pendingSettings.adjustRecord.isEmpty())
        m_settings.adjustRecord = m_pendingSettings.adjustRecord;
    m_pendingSettings = {};
    m_canvas.clear();
    return true;
}

namespace {

// A settings record whose parameters have the printer's form, kept as it came
// until the settings are saved.
bool keepSettings(QByteArrayView params, const char* form, const char* head, QByteArray& kept) {
    if (!QRegularExpression(QString::fromLatin1(form)).match(QString::fromLatin1(params)).hasMatch())
        return false;
    kept = head + params.toByteArray() + "|}";
    return true;
}

} // namespace

bool VirtualPrinter::onRfidSettings(Session&, QByteArrayView params) {
    // IR:rrr,FR:00,AJ:+aapppTTTTTTTTTT: issue retry, adjust retry, power
    // level and the ten-digit model tail.
    return keepSettings(params, "^IR:\\d{3,},FR:\\d\\d,AJ:[+-]\\d{2,}\\d{3}\\d{10}$", "{@RFID;",
                        m_pendingSettings.rfidRecord);
}

bool VirtualPrinter::onAdjustSettings(Session&, QByteArrayView params) {
    // 0000,0000,0000,RBN,FW-ff-bb,0,0: ribbon adjustments forward and back.
    return keepSettings(params, "^\\d{4},\\d{4},\\d{4},RBN,FW-\\d{2,}-\\d{2,},\\d,\\d$", "{@ADJ;",
                        m_pendingSettings.adjustRecord);
}

QString PrinterSettings::summary() const {
    QStringList parts;
    // The adjust retry has at least two digits and is followed by the three
    // of the power level and the ten of the model tail.
    static const QRegularExpression rfid(
        QStringLiteral("IR:(\\d+),FR:\\d\\d,AJ:([+-])(\\d+)(\\d{3})\\d{10}\\|\\}$"));
    const auto r = rfid.match(QString::fromLatin1(rfidRecord));
    if (r.hasMatch())
        parts << QStringLiteral("RFID IR %1 AJ %2%3 PW %4")
                     .arg(r.captured(1), r.captured(2), r.captured(3), r.captured(4));
    static const QRegularExpression adjust(QStringLiteral("FW-(\\d+)-(\\d+),"));
    const auto a = adjust.match(QString::fromLatin1(adjustRecord));
    if (a.hasMatch())
        parts << QStringLiteral("RBN FW -%1 BK -%2").arg(a.captured(1), a.captured(2));
    return parts.join(QStringLiteral("  "));
}

QString VirtualPrinter::writeLabelImage(int number) {
    const int fileNumber = m_firstImageNumber + number - 1;
    const QString path =
        QDir(m_options.labelsDir)
            .filePath(QStringLiteral("label-%1.png").arg(fileNumber, 6, 10, QLatin1Char('0')));
    QString caption = QStringLiteral("%1  label %2").arg(m_options.model).arg(number);
    if (const QString config = m_settings.summary(); !config.isEmpty())
        caption += QStringLiteral("   ") + config;
    if (!m_canvas.render(caption).save(path, "PNG"))
        return QString();
    return path;
}

} // namespace printersim
