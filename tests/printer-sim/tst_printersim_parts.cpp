// The virtual printer's pieces in process: record framing, scripts and the
// decoding of double-byte label fields.
#include "main/labelimage/LabelCanvas.h"
#include "tools/printer-sim/RecordSplitter.h"
#include "tools/printer-sim/Script.h"
#include "tools/printer-sim/StatusFrame.h"

#include "platform/Cp949.h"

#include <QTest>

using namespace printersim;
using namespace labelimage;

class PrinterSimParts : public QObject {
    Q_OBJECT
private slots:
    void framingAcrossPacketsAndNoise() {
        RecordSplitter s;
        s.append("\r\nxx{WS|}{PC001;0070,0");
        QCOMPARE(s.next().value(), QByteArray("{WS|}"));
        QVERIFY(!s.next());
        s.append("050,08|");
        QVERIFY(!s.next());
        s.append("}{C|}");
        QCOMPARE(s.next().value(), QByteArray("{PC001;0070,0050,08|}"));
        QCOMPARE(s.next().value(), QByteArray("{C|}"));
        QVERIFY(!s.next());
        QCOMPARE(s.pending(), 0);
    }

    void cutShortRecordGivesWayToTheNext() {
        RecordSplitter s;
        s.append("{RC001;abc{WS|}");
        QCOMPARE(s.next().value(), QByteArray("{WS|}"));
        // A lone "|" or "}" inside data does not end a record.
        s.append("{RC002;a|b}c|}");
        QCOMPARE(s.next().value(), QByteArray("{RC002;a|b}c|}"));
    }

    void statusFrameIsThirteenBytes() {
        const QByteArray f = statusFrame("41", 7);
        QCOMPARE(f.size(), FrameSize);
        QCOMPARE(f.left(4), QByteArray("\x01\x02"
                                       "41"));
        QCOMPARE(f.back(), '\n');
        for (char c : f.mid(4, 8))
            QVERIFY(c != SOH && c != STX && c != LF);
    }

    void scriptLookupPrefersNumberedAndLaterLines() {
        QString error;
        const auto s = Script::parse(QStringLiteral("# faults\n"
                                                    "status * code 13\n"
                                                    "status 2-3 silent   # quiet\n"
                                                    "status 3 code 41\n"
                                                    "label 1 answers 00 41 60 40\n"
                                                    "label 1 split 4 50\n"
                                                    "label * gap 20\n"),
                                     &error);
        QVERIFY2(s, qPrintable(error));
        const Behaviour s1 = s->lookup(Script::Event::Status, 1);
        QCOMPARE(s1.codes.value(), QList<QByteArray>{"13"});
        QVERIFY(!s1.silent);
        const Behaviour s3 = s->lookup(Script::Event::Status, 3);
        QCOMPARE(s3.codes.value(), QList<QByteArray>{"41"});
        QVERIFY(s3.silent.value());
        const Behaviour l1 = s->lookup(Script::Event::Label, 1);
        QCOMPARE(l1.codes->size(), 4);
        QCOMPARE(l1.splitAt.value(), 4);
        QCOMPARE(l1.splitMs.value(), 50);
        QCOMPARE(l1.gapMs.value(), 20);
        QVERIFY(!s->lookup(Script::Event::Label, 2).codes);
    }

    void scriptErrorsNameTheLine_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        QTest::newRow("event") << "status 1 code 00\nlabl 1 silent"
                               << "line 2: unknown event 'labl' (status or label)";
        QTest::newRow("number") << "status 0 silent"
                                << "line 1: bad number '0' (counting starts at 1)";
        QTest::newRow("code") << "label 1 answers 40 400"
                              << "line 1: bad code '400' (two printable characters)";
        QTest::newRow("split") << "status 1 split 13"
                               << "line 1: split point must be 1 to 12";
        QTest::newRow("hex") << "status 1 garbage 0G"
                             << "line 1: bad hex byte '0G'";
        QTest::newRow("action") << "status 1 explode"
                                << "line 1: unknown action 'explode'";
    }
    void scriptErrorsNameTheLine() {
        QFETCH(QString, text);
        QFETCH(QString, error);
        QString got;
        QVERIFY(!Script::parse(text, &got));
        QCOMPARE(got, error);
    }

    void doubleByteFieldDecodesPairs() {
        TextField f;
        f.font = "51";
        // "분 류" and "A1": Korean pairs as they are, single-byte characters
        // as 0xC9 and code + 0x81.
        f.data = platform::toCp949(u"분") + QByteArray("\xC9\xA1") + platform::toCp949(u"류") +
                 QByteArray("\xC9\xC2\xC9\xB2");
        QCOMPARE(LabelCanvas::fieldText(f), QStringLiteral("분 류A1"));
        TextField h;
        h.font = "H";
        h.data = "1234-56";
        QCOMPARE(LabelCanvas::fieldText(h), QStringLiteral("1234-56"));
    }
};

QTEST_GUILESS_MAIN(PrinterSimParts)
#include "tst_printersim_parts.moc"
