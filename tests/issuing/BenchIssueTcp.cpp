// Issues tags one after another against the virtual printer over TCP (label
// time 0) exactly as a run does per row: status request, then the tag issue
// with its supervision and row marking. Prints the time per tag next to the
// fixed waits the printer rules impose per tag (the 100 ms pauses after data
// is seen); the difference is the program's own cost plus the round trips.
//
//   bench_issue_tcp [TAGS]        (default 200)
#include "main/issuing/LabelLayout.h"
#include "main/issuing/LabelSend.h"
#include "platform/Clock.h"
#include "platform/ProgramDir.h"
#include "tests/support/IssueFixture.h"
#include "tests/support/RecordingOperator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {

// The real clock, with the plain sleeps added up.
class CountingClock : public platform::SystemClock {
public:
    void sleepMs(int ms) override {
        slept += ms;
        platform::SystemClock::sleepMs(ms);
    }
    qint64 slept = 0;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int tags = argc > 1 ? std::max(1, atoi(argv[1])) : 200;
    QTemporaryDir programDir;
    platform::setProgramDir(programDir.path());
    testsupport::RecordingOperator op;
    core::setCurrentOperator(&op);

    testsupport::Printer printer;
    if (!printer.start(testsupport::Link::Tcp, {}, {QStringLiteral("--print-ms"), QStringLiteral("0")})) {
        fprintf(stderr, "bench_issue_tcp: %s\n", qPrintable(printer.error()));
        return 1;
    }
    testsupport::Window w(printer.setup());
    for (int i = 0; i < tags; ++i)
        w.addItem();

    CountingClock clock;
    platform::setClock(&clock);
    if (!w.link->fncRsOpen())
        return 1;
    issuing::Format_Send(w.ctx);
    QElapsedTimer t;
    t.start();
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
    const double elapsed = static_cast<double>(t.nsecsElapsed()) / 1e6;
    w.link->fncRsClose();
    platform::setClock(nullptr);
    if (issued != tags || !op.messages.isEmpty()) {
        fprintf(stderr, "bench_issue_tcp: %d of %d tags issued; %s\n", issued, tags,
                qPrintable(op.messages.join(QStringLiteral(" | "))));
        return 1;
    }
    const double perTag = elapsed / tags;
    const double waits = static_cast<double>(clock.slept) / tags;
    printf("%d tags over TCP: %.1f ms per tag; fixed waits %.1f ms per tag; own overhead %.2f ms per tag\n",
           tags, perTag, waits, perTag - waits);
    return perTag - waits <= 5.0 ? 0 : 2;
}
