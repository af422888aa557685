// Issues tags one after another against the virtual printer exactly as a run
// does per row (status request, then the tag with its supervision and row
// marking) and sets the time per tag beside what the printer and the line
// take: the printer's time per label, and on the serial line (paced at 9600
// baud) the wire time of every byte both ways. Fails when a goal is missed.
//
//   bench_issue_link tcp|serial|usb pauses|fast [TAGS] [PRINT_MS]
//
// Goals: CPU time of this process at most 3 ms per tag; pauses (the printer
// rules' fixed pauses): TCP at most printer time + 205 ms; fast: TCP printer
// time + 5 ms, USB printer time + 55 ms (the library asks every 50 ms),
// serial 1.05 x (wire time + printer time).
#include "main/issuing/LabelLayout.h"
#include "main/issuing/LabelSend.h"
#include "platform/ProgramDir.h"
#include "tests/support/IssueFixture.h"
#include "tests/support/RecordingOperator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

constexpr int kBaud = 9600;
// A status answer and the label's "40", 13 bytes each, come back per tag.
constexpr int kAnswerBytesPerTag = 26;

double cpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec / 1e3; };
    return ms(u.ru_utime) + ms(u.ru_stime);
}

int usage() {
    fprintf(stderr, "usage: bench_issue_link tcp|serial|usb pauses|fast [TAGS] [PRINT_MS]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return usage();
    const QString linkName = args[0];
    const bool fast = args[1] == QLatin1String("fast");
    if (!fast && args[1] != QLatin1String("pauses"))
        return usage();
    const testsupport::Link link = linkName == QLatin1String("tcp")      ? testsupport::Link::Tcp
                                   : linkName == QLatin1String("serial") ? testsupport::Link::Serial
                                   : linkName == QLatin1String("usb")    ? testsupport::Link::Usb
                                                                         : testsupport::Link(-1);
    if (int(link) < 0)
        return usage();
    const int tags = args.size() > 2 ? std::max(1, args[2].toInt()) : 50;
    const int printMs = args.size() > 3 ? std::max(0, args[3].toInt()) : 100;

    testsupport::TempProgramDir dir;
    testsupport::RecordingOperator op;
    core::setCurrentOperator(&op);
    QStringList extra{QStringLiteral("--print-ms"), QString::number(printMs)};
    if (link == testsupport::Link::Serial)
        extra << QStringLiteral("--baud") << QString::number(kBaud);
    if (link == testsupport::Link::Usb && !testsupport::installQuorvel(dir)) {
        fprintf(stderr, "bench_issue_link: cannot install the USB library\n");
        return 1;
    }
    testsupport::Printer printer;
    if (!printer.start(link, {}, extra)) {
        fprintf(stderr, "bench_issue_link: %s\n", qPrintable(printer.error()));
        return 1;
    }
    if (link == testsupport::Link::Serial)
        testsupport::mapCom1(dir, printer.path());
    testsupport::Window w(printer.setup());
    w.setup.fastStatus = fast;
    for (int i = 0; i < tags; ++i)
        w.addItem();

    if (!w.link->fncRsOpen())
        return 1;
    issuing::Format_Send(w.ctx);
    const qsizetype bytesBefore = printer.captureOf(1).size();
    QElapsedTimer t;
    t.start();
    const double cpuStart = cpuMs();
    int issued = 0;
    for (qint32 row = 1; row <= tags; ++row) {
        if (!w.link->CheckPrint(row))
            break;
        w.run.sSeqNo = QStringLiteral("%1").arg(row, 12, 10, QLatin1Char('0'));
        qint16 nProc = 1;
        qint32 nIndex = row;
        issuing::Label_Send(w.ctx, nIndex, nProc);
        if (w.run.nErrFlag == -1)
            break;
        ++issued;
    }
    const double perTag = static_cast<double>(t.nsecsElapsed()) / 1e6 / tags;
    const double cpuPerTag = (cpuMs() - cpuStart) / tags;
    w.link->fncRsClose();
    if (issued != tags || !op.messages.isEmpty()) {
        fprintf(stderr, "bench_issue_link: %d of %d tags issued; %s\n", issued, tags,
                qPrintable(op.messages.join(QStringLiteral(" | "))));
        return 1;
    }

    const double sentPerTag = static_cast<double>(printer.captureOf(0).size() - bytesBefore) / tags;
    const double wireMs =
        link == testsupport::Link::Serial ? (sentPerTag + kAnswerBytesPerTag) * 10.0 * 1000.0 / kBaud : 0.0;
    double goal = 0;
    if (link == testsupport::Link::Serial)
        goal = fast ? 1.05 * (wireMs + printMs) : 1.05 * (wireMs + printMs) + 200;
    else if (link == testsupport::Link::Tcp)
        goal = printMs + (fast ? 5 : 205);
    else // USB: the printer rules ask once a second
        goal = fast ? printMs + 15 : 1000.0 * (printMs / 1000 + 1) + 55;
    printf("%s %s, %d tags: %.1f ms per tag; printer %d ms", qPrintable(linkName), fast ? "fast" : "pauses",
           tags, perTag, printMs);
    if (link == testsupport::Link::Serial)
        printf("; wire %.1f ms (%.0f bytes out, %d back, %d baud)", wireMs, sentPerTag, kAnswerBytesPerTag,
               kBaud);
    printf("; ratio %.3f; CPU %.2f ms per tag; goal <= %.1f ms and <= 3 ms CPU\n",
           perTag / (wireMs + printMs), cpuPerTag, goal);
    return perTag <= goal && cpuPerTag <= 3.0 ? 0 : 2;
}
