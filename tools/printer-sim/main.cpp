// printer-sim: a virtual RFID label printer on a TCP port, a serial
// pseudo-terminal or a USB printer device node.
#include "tools/printer-sim/Links.h"
#include "tools/printer-sim/VirtualPrinter.h"

#include <QCommandLineParser>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

using namespace printersim;

namespace {

void say(const QString& line) {
    std::fputs(qPrintable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

int fail(const QString& message) {
    std::fprintf(stderr, "printer-sim: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    // Only drawing labels needs the GUI side of Qt, and it draws off screen.
    bool drawsLabels = false;
    for (int i = 1; i < argc; ++i)
        drawsLabels = drawsLabels || QByteArray(argv[i]).startsWith("--labels");
    std::unique_ptr<QCoreApplication> application;
    if (drawsLabels) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication& app = *application;
    QCoreApplication::setApplicationName(QStringLiteral("printer-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Virtual RFID label printer"));
    parser.addHelpOption();
    // An option with a value when `valueName` is given, else a switch.
    const auto option = [](const char* name, const char* description, const char* valueName = "",
                           const char* defaultValue = "") {
        return QCommandLineOption(QString::fromLatin1(name), QString::fromUtf8(description),
                                  QString::fromLatin1(valueName), QString::fromLatin1(defaultValue));
    };
    const auto tcp = option("tcp", "Listen on [HOST:]PORT (port 0: any free port).", "[HOST:]PORT");
    const auto serial = option("serial", "Serial line: a raw pseudo-terminal linked as LINK.", "LINK");
    const auto usb = option("usb", "USB printer: a device node linked as DIR/lpN.", "DIR");
    const auto script = option("script", "Scripted answers and faults.", "FILE");
    const auto capture = option("capture", "Append every received byte to FILE.", "FILE");
    const auto labels = option("labels", "Write one PNG per issued label into DIR.", "DIR");
    const auto printMs = option("print-ms", "Time one label takes (default 0).", "N", "0");
    const auto model = option("model", "B-SX5T or B-SA4TP.", "MODEL");
    const auto baud = option("baud", "Pace the serial or USB line at N baud (10 bits a byte).", "N");
    const auto events =
        option("events", "After the ready line, print \"label N\" when the N-th issue record arrives.");
    const auto askedOnly =
        option("asked-only", "Send nothing unasked, as over USB (the default with --usb).");
    parser.addOptions({tcp, serial, usb, script, capture, labels, printMs, model, baud, events, askedOnly});
    parser.process(app);

    const int links = int(parser.isSet(tcp)) + int(parser.isSet(serial)) + int(parser.isSet(usb));
    if (links != 1)
        return fail(QStringLiteral("give exactly one of --tcp, --serial, --usb"));

    PrinterOptions options;
    options.link = parser.isSet(tcp)      ? LinkKind::Tcp
                   : parser.isSet(serial) ? LinkKind::Serial
                                          : LinkKind::Usb;
    options.askedOnly = options.link == LinkKind::Usb || parser.isSet(askedOnly);
    bool ok = false;
    options.printMs = parser.value(printMs).toInt(&ok);
    if (!ok || options.printMs < 0)
        return fail(QStringLiteral("--print-ms needs a number of milliseconds"));
    options.model = parser.isSet(model)             ? parser.value(model)
                    : options.link == LinkKind::Usb ? QStringLiteral("B-SA4TP")
                                                    : QStringLiteral("B-SX5T");
    if (options.model != QLatin1String("B-SX5T") && options.model != QLatin1String("B-SA4TP"))
        return fail(QStringLiteral("--model is B-SX5T or B-SA4TP"));
    int baudRate = 0;
    if (parser.isSet(baud)) {
        baudRate = parser.value(baud).toInt(&ok);
        if (!ok || baudRate < 1)
            return fail(QStringLiteral("--baud needs a positive number of bits a second"));
        if (options.link == LinkKind::Tcp)
            return fail(QStringLiteral("--baud paces --serial and --usb only"));
    }
    options.capturePath = parser.value(capture);
    options.labelsDir = parser.value(labels);
    if (parser.isSet(script)) {
        QString error;
        auto loaded = Script::load(parser.value(script), &error);
        if (!loaded)
            return fail(QStringLiteral("script %1: %2").arg(parser.value(script), error));
        options.script = *loaded;
    }

    VirtualPrinter printer(options);
    QString error;
    if (!printer.prepare(&error))
        return fail(error);
    // A test acts from outside the issuing program at the moment an issue
    // record has arrived (a kill, a pause).
    if (parser.isSet(events))
        QObject::connect(&printer, &VirtualPrinter::labelIssued,
                         [](int n, const QString&) { say(QStringLiteral("label %1").arg(n)); });
    QObject::connect(&printer, &VirtualPrinter::recordRejected, [](const QByteArray& record) {
        std::fprintf(stderr, "printer-sim: command error: %s\n", record.toHex(' ').constData());
    });

    quitOnSignals();
    std::unique_ptr<TcpLink> tcpLink;
    std::unique_ptr<PtyLink> ptyLink;
    if (options.link == LinkKind::Tcp) {
        QString value = parser.value(tcp);
        QString host = QStringLiteral("127.0.0.1");
        const int colon = value.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) {
            host = value.left(colon);
            value = value.mid(colon + 1);
        }
        const int port = value.toInt(&ok);
        if (!ok || port < 0 || port > 65535)
            return fail(QStringLiteral("bad port '%1'").arg(value));
        tcpLink = std::make_unique<TcpLink>(&printer);
        if (!tcpLink->listen(host, quint16(port), &error))
            return fail(error);
        say(QStringLiteral("tcp ") + tcpLink->endpoint());
    } else {
        ptyLink = std::make_unique<PtyLink>(&printer);
        ptyLink->setBaud(baudRate);
        const bool opened = options.link == LinkKind::Serial
                                ? ptyLink->open(parser.value(serial), &error)
                                : ptyLink->openInDirectory(parser.value(usb), &error);
        if (!opened)
            return fail(error);
        say((options.link == LinkKind::Serial ? QStringLiteral("serial ") : QStringLiteral("usb ")) +
            ptyLink->linkPath());
    }
    return app.exec();
}
