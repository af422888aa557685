// One tag issue end to end against the virtual printer: the bytes the
// printer receives for a label, over TCP, serial and USB, for both label
// types and the settings that change them; row marking, the trace line and
// run-time failures inside the transaction.
#include "main/issuing/LabelSend.h"
#include "main/core/Operator.h"
#include "main/issuing/LabelLayout.h"
#include "tests/support/IssueFixture.h"

#include <QTest>

using namespace testsupport;
using namespace testsupport;

namespace {

const QByteArray kFormat = "{AY;+05,1|}{AY;+05,0|}{C|}{@003;+0130,0|}{D0300,0900,0280|}";

// Label type, offsets 0, printer type 1, normal issue, transmissive sensor.
QByteArray labelTypeIssue() {
    const QByteArray tag = "ABC-123-45-000000000001-01 : 2024000123";
    return "{PC015;0070,0050,08,08,H,00,B,+0000000000|}{RC015;" + tag +
           "|}"
           "{PC001;0065,0092,2,2,51,-01,00,B,+0000000000|}{RC001;" +
           H("행복한 시민") +
           "|}"
           "{LC;0060,0120,0880,0280,1,2,010|}"
           "{LC;0060,0160,0880,0160,0,2|}"
           "{LC;0060,0200,0880,0200,0,2|}"
           "{LC;0060,0240,0880,0240,0,2|}"
           "{LC;0180,0120,0180,0280,0,3|}"
           "{LC;0520,0120,0520,0200,0,3|}"
           "{LC;0700,0120,0700,0200,0,3|}"
           "{PC002;0070,0130,2,2,51,-01,00,B,+0000000000|}{RC002;" +
           H("분류번호") +
           "|}"
           "{PC003;0190,0150,07,07,H,00,B,+0000000000|}{RC003;4321-56|}"
           "{PC004;0530,0130,2,2,51,-03,00,B,+0000000000|}{RC004;" +
           H("구입(납품)단가") +
           "|}"
           "{PC005;0752,0150,07,07,H,00,B,+0000000000|}{RC005;1,234,000|}"
           "{PC006;0070,0170,2,2,51,-01,00,B,+0000000000|}{RC006;" +
           H("물 품 명") +
           "|}"
           "{PC007;0190,0170,2,2,51,-04,00,B,+0000000000|}{RC007;" +
           H("노트북 컴퓨터") +
           "|}"
           "{PC008;0530,0170,2,2,51,-03,00,B,+0000000000|}{RC008;" +
           H("구입(납품)일자") +
           "|}"
           "{PC009;0742,0190,07,07,H,00,B,+0000000000|}{RC009;2024-03-05|}"
           "{PC010;0070,0210,2,2,51,-01,00,B,+0000000000|}{RC010;" +
           H("규 격 명") +
           "|}"
           "{PC011;0190,0210,2,2,51,-03,00,B,+0000000000|}{RC011;" +
           H("15인치 10*20-30-40") +
           "|}"
           "{PC012;0070,0250,2,2,51,-01,00,B,+0000000000|}{RC012;" +
           H("비    고") +
           "|}"
           "{PC013;0190,0270,07,07,H,-02,00,B,+0000000000|}{RC013;" +
           tag +
           "|}"
           "{PC014;0675,0285,15,15,51,-06,00,B,+0000000000|}{RC014;" +
           H("이 물품은 한국시 자산입니다.") +
           "|}"
           "{XB01;0000,0000,r,T24,G2,L36,B01|}"
           "{RB01;05410D0420F1CB3D3500000000000101|}"
           "{XS;I,0001,0002C5101|}";
}

// Hang-tag type, printer type 2, test issue with "Lock", reflective sensor.
QByteArray hangTagTestIssue() {
    return "{C|}"
           "{LC;0235,0000,0685,0200,1,2,010|}"
           "{LC;0235,0040,0685,0040,0,2|}"
           "{LC;0235,0080,0685,0080,0,2|}"
           "{LC;0235,0120,0685,0120,0,2|}"
           "{LC;0235,0160,0685,0160,0,2|}"
           "{LC;0395,0000,0395,0200,0,3|}"
           "{PC002;0240,0010,2,2,51,+01,00,B,+0000000000|}{RC002;" +
           H("분 류 번 호") +
           "|}"
           "{PC003;0405,0030,07,07,H,00,B,+0000000000|}{RC003;4321-56|}"
           "{PC008;0240,0050,2,2,51,-06,00,B,+0000000000|}{RC008;" +
           H("구입(납품)일자") +
           "|}"
           "{PC009;0405,0070,07,07,H,00,B,+0000000000|}{RC009;2024-03-05|}"
           "{PC010;0240,0090,2,2,51,-01,00,B,+0000000000|}{RC010;" +
           H("규   격   명") +
           "|}"
           "{PC011;0405,0090,2,2,51,-03,00,B,+0000000000|}{RC011;" +
           H("15인치 10*20-30") +
           "|}"
           "{PC012;0240,0130,2,2,51,-01,00,B,+0000000000|}{RC012;" +
           H("비        고") +
           "|}"
           "{PC013;0405,0150,07,07,H,-02,00,B,+0000000000|}{RC013;ABC-123-45-000000000003|}"
           "{PC014;0240,0170,2,2,51,-01,00,B,+0000000000|}{RC014;" +
           H("구입일련번호") +
           "|}"
           "{PC015;0405,0190,07,07,H,00,B,+0000000000|}{RC015;2024000123|}"
           "{XB01;0000,0000,r,T24,G2,L36,B01|}"
           "{RB01;05410D0420F1CB3D3500000000000301|}"
           "{XS;I,0001,0004C5101|}";
}

// Label type, print offset -80/-60, test issue with "UnLock", empty notice,
// a six-character organisation name, sensor setting empty.
QByteArray shiftedTestLabel() {
    const QByteArray tag = "ABC-123-45-000000000002-01 : 2024000123";
    return "{PC015;-0010,-0010,08,08,H,00,B,+0000000000|}{RC015;" + tag +
           "|}"
           "{PC001;-0015,0032,2,2,51,-01,00,B,+0000000000|}{RC001;|}"
           "{PC016;0545,0025,3,3,51,-01,00,B,+0000000000|}{RC016;" +
           H("[테스트 발행]") +
           "|}"
           "{LC;-0020,0060,0800,0220,1,2,010|}"
           "{LC;-0020,0100,0800,0100,0,2|}"
           "{LC;-0020,0140,0800,0140,0,2|}"
           "{LC;-0020,0180,0800,0180,0,2|}"
           "{LC;0100,0060,0100,0220,0,3|}"
           "{LC;0440,0060,0440,0140,0,3|}"
           "{LC;0620,0060,0620,0140,0,3|}"
           "{PC002;-0010,0070,2,2,51,-01,00,B,+0000000000|}{RC002;" +
           H("분류번호") +
           "|}"
           "{PC003;0110,0090,07,07,H,00,B,+0000000000|}{RC003;4321-56|}"
           "{PC004;0450,0070,2,2,51,-03,00,B,+0000000000|}{RC004;" +
           H("구입(납품)단가") +
           "|}"
           "{PC005;0672,0090,07,07,H,00,B,+0000000000|}{RC005;1,234,000|}"
           "{PC006;-0010,0110,2,2,51,-01,00,B,+0000000000|}{RC006;" +
           H("물 품 명") +
           "|}"
           "{PC007;0110,0110,2,2,51,-04,00,B,+0000000000|}{RC007;" +
           H("노트북 컴퓨터") +
           "|}"
           "{PC008;0450,0110,2,2,51,-03,00,B,+0000000000|}{RC008;" +
           H("구입(납품)일자") +
           "|}"
           "{PC009;0662,0130,07,07,H,00,B,+0000000000|}{RC009;2024-03-05|}"
           "{PC010;-0010,0150,2,2,51,-01,00,B,+0000000000|}{RC010;" +
           H("규 격 명") +
           "|}"
           "{PC011;0110,0150,2,2,51,-03,00,B,+0000000000|}{RC011;" +
           H("15인치 10*20-30-40") +
           "|}"
           "{PC012;-0010,0190,2,2,51,-01,00,B,+0000000000|}{RC012;" +
           H("비    고") +
           "|}"
           "{PC013;0110,0210,07,07,H,-02,00,B,+0000000000|}{RC013;" +
           tag +
           "|}"
           "{PC014;0550,0225,15,15,51,-06,00,B,+0000000000|}{RC014;" +
           H("이 물품은 서울특별시청 자산입니다.") +
           "|}"
           "{XB01;0000,0000,r,T24,G2,L00,B01|}"
           "{RB01;05410D0420F1CB3D3500000000000201|}"
           "{XS;I,0001,0002C5101|}";
}

bool onlyStatusRequests(QByteArray rest) {
    if (rest.isEmpty())
        return false;
    while (rest.startsWith("{WS|}"))
        rest.remove(0, 5);
    return rest.isEmpty();
}

} // namespace

class LabelSendTest : public testsupport::ScopedTestCase {
    Q_OBJECT

private slots:
    void labelTypeOverTcp() {
        Printer printer;
        QVERIFY2(printer.start(Link::Tcp), qPrintable(printer.error()));
        Window w(printer.setup());
        qint32 row = w.addItem();
        w.run.nStatusErrCnt = 2;
        w.run.sSeqNo = QStringLiteral("000000000001");
        QVERIFY(w.link->fncRsOpen());
        issuing::Format_Send(w.ctx);
        QVERIFY(w.link->CheckPrint(row));
        qint16 nProc = 1;
        issuing::Label_Send(w.ctx, row, nProc);
        QCOMPARE(w.run.nErrFlag, qint16(0));
        QVERIFY(m_t->op.messages.isEmpty());
        const QByteArray expected = kFormat + "{WS|}" + labelTypeIssue();
        QCOMPARE(printer.captureOf(expected.size()), expected);

        // The "40" that completed the label clears the count.
        QCOMPARE(w.run.nStatusErrCnt, qint16(0));
        // The row: yellow, issued, tag id in column 3, made the active cell.
        QCOMPARE(w.run.sTagId, QStringLiteral("ABC1234500000000000101"));
        QCOMPARE(w.grid.text(row, 3), w.run.sTagId);
        QCOMPARE(w.grid.text(row, 13), QStringLiteral("Y"));
        QCOMPARE(w.grid.text(row, 14), QStringLiteral("N"));
        QCOMPARE(w.grid.text(row, 15), QStringLiteral("N"));
        for (int col = 1; col <= 15; ++col)
            QCOMPARE(w.grid.background(row, col), QColor(255, 255, 0));
        QCOMPARE(w.activeCells, (QList<QPair<int, int>>{{row, 3}}));
        // Detail tracing is off: no trace line.
        QVERIFY(logLines(m_t->dir, "detail_error.log").isEmpty());
        w.link->fncRsClose();
    }

    void hangTagOverSerial() {
        Printer printer;
        QVERIFY2(printer.start(Link::Serial), qPrintable(printer.error()));
        mapCom1(m_t->dir, printer.path());
        Window w(printer.setup());
        w.setup.sPrinterType = QStringLiteral("2");
        w.setup.sSensorType = QStringLiteral("2");
        w.ctx.CboPrintType = issuing::kHangTagType;
        w.ctx.OptLock = 0;
        w.addItem();
        qint32 row = w.addItem();
        QVERIFY(w.openAndSend(row, 3, "000000000003"));
        QCOMPARE(w.run.nErrFlag, qint16(0));
        const QByteArray expected = hangTagTestIssue();
        QCOMPARE(printer.captureOf(expected.size()), expected);
        // A test issue marks only column 14, and still shows the tag id.
        QCOMPARE(w.grid.text(row, 13), QStringLiteral("N"));
        QCOMPARE(w.grid.text(row, 14), QStringLiteral("Y"));
        QCOMPARE(w.grid.text(row, 3), QStringLiteral("ABC1234500000000000301"));
        // The row before it is untouched.
        QVERIFY(!w.grid.background(1, 1).isValid());
        w.link->fncRsClose();
    }

    void shiftedTestLabelOverUsb() {
        QVERIFY(installQuorvel(m_t->dir));
        testsupport::FastClockScope fast(10);
        Printer printer;
        QVERIFY2(printer.start(Link::Usb, "label 1 answers 00\n"), qPrintable(printer.error()));
        Window w(printer.setup());
        w.setup.nPrtX = -80;
        w.setup.nPrtY = -60;
        w.setup.sNotice.clear();
        w.setup.sSensorType.clear();
        w.ctx.sOrganNm = QStringLiteral("서울특별시청");
        w.ctx.OptLock = 1;
        qint32 row = w.addItem();
        QVERIFY(w.openAndSend(row, 3, "000000000002"));
        QVERIFY2(m_t->op.messages.isEmpty(), qPrintable(m_t->op.messages.join('|')));
        QCOMPARE(w.run.nErrFlag, qint16(0));
        const QByteArray expected = shiftedTestLabel();
        const QByteArray captured = printer.captureOf(expected.size() + 5);
        QCOMPARE(captured.left(expected.size()), expected);
        // After the label only the once-a-second status requests.
        QVERIFY(onlyStatusRequests(captured.mid(expected.size())));
    }

    void reissueMarksAndTrace() {
        Printer printer;
        QVERIFY2(printer.start(Link::Tcp), qPrintable(printer.error()));
        Window w(printer.setup());
        w.setup.sDetailLog = QStringLiteral("1");
        database::gUserId = QStringLiteral(" kim ");
        qint32 row = w.addItem();
        QVERIFY(w.openAndSend(row, 2, "000000000009"));
        QCOMPARE(w.run.nErrFlag, qint16(0));
        QCOMPARE(w.grid.text(row, 13), QStringLiteral("Y"));
        QCOMPARE(w.grid.text(row, 14), QStringLiteral("N"));
        QCOMPARE(w.grid.text(row, 15), QStringLiteral("Y"));
        QCOMPARE(logLines(m_t->dir, "detail_error.log"),
                 QStringList{
                     QStringLiteral("BEFORE- [2024000123] PDAID:SN-01 TAGIDFULL:05410DABC1234500000000000901 "
                                    "IP_ADDR:10.0.0.5 PURC_SNO:2024000123 TFORM:01 TUSER:kim")});
        w.link->fncRsClose();
    }

    void failuresInsideTheTransaction() {
        Printer printer;
        QVERIFY2(printer.start(Link::Tcp), qPrintable(printer.error()));
        Window w(printer.setup());
        qint32 row = w.addItem();
        w.grid.setText(row, 13, QStringLiteral("N"));
        w.run.sSeqNo = QStringLiteral("000000000001");
        QVERIFY(w.link->fncRsOpen());
        qint16 nProc = 1;

        // A detail-log setting that is no number stops before anything is sent.
        w.setup.sDetailLog.clear();
        issuing::Label_Send(w.ctx, row, nProc);
        QCOMPARE(w.run.nErrFlag, qint16(-1));
        QCOMPARE(m_t->op.messages, QStringList{QStringLiteral("[Label_Send][Type mismatch]")});
        QCOMPARE(logLines(m_t->dir, "detail_error.log"),
                 QStringList{QStringLiteral("[Label_Send][Type mismatch]")});

        // An item name the printer's font cannot take (a control character;
        // one without a code page 949 code prints as "?"): the records before
        // its field have gone out, nothing from its field on.
        w.setup.sDetailLog = QStringLiteral("2");
        w.grid.setText(row, 7, QStringLiteral("노트북 \x7F"));
        m_t->op.messages.clear();
        issuing::Label_Send(w.ctx, row, nProc);
        QCOMPARE(w.run.nErrFlag, qint16(-1));
        QCOMPARE(m_t->op.messages, QStringList{QStringLiteral("[Label_Send][Overflow]")});
        const QByteArray lastSent = "{RC006;" + H("물 품 명") + "|}";
        QTRY_VERIFY(printer.capture().endsWith(lastSent));
        QTest::qWait(200);
        QVERIFY(printer.capture().endsWith(lastSent));

        // A print offset that leaves the 16-bit range.
        w.grid.setText(row, 7, QStringLiteral("노트북"));
        w.setup.nPrtX = 32767;
        m_t->op.messages.clear();
        issuing::Label_Send(w.ctx, row, nProc);
        QCOMPARE(m_t->op.messages, QStringList{QStringLiteral("[Label_Send][Overflow]")});

        // A failed tag keeps its marks and gets no colour.
        QCOMPARE(w.grid.text(row, 13), QStringLiteral("N"));
        QVERIFY(w.grid.text(row, 3).isEmpty());
        QVERIFY(!w.grid.background(row, 1).isValid());
        w.link->fncRsClose();
    }

    void formatFailureIsReported() {
        // The connection went away before the run's format step.
        Printer printer;
        QVERIFY2(printer.start(Link::Tcp), qPrintable(printer.error()));
        Window w(printer.setup());
        issuing::Format_Send(w.ctx);
        QCOMPARE(m_t->op.messages,
                 QStringList{
                     QStringLiteral("[Format_Send][프린터와 연결되어 있지 않습니다(연결이 거부되었거나 "
                                    "끊어졌습니다). 프린터 전원과 네트워크 케이블, 설정의 프린터 IP/PORT를 "
                                    "확인하여 주십시오.]")});
        // The system's own text stays in the detail log.
        QVERIFY(logLines(m_t->dir, "detail_error.log")
                    .first()
                    .startsWith(QStringLiteral("[Format_Send][Wrong protocol or connection state")));
    }

    void layoutTexts() {
        QCOMPARE(issuing::printableSizeName(QStringLiteral("10×20~30∼40")), QStringLiteral("10*20-30-40"));
        // Pieces past the end of a short organisation code are empty.
        QCOMPARE(issuing::tagText(issuing::kLabelType, QStringLiteral("ABCDEF"),
                                  QStringLiteral("000000000001"), QStringLiteral("01"), QStringLiteral("77")),
                 QStringLiteral("ABC-DEF--000000000001-01 : 77"));
        QCOMPARE(issuing::tagText(issuing::kHangTagType, QStringLiteral("ABCDEF"),
                                  QStringLiteral("000000000001"), QStringLiteral("01"), QStringLiteral("77")),
                 QStringLiteral("ABC-DEF--000000000001"));
    }
};

QTEST_GUILESS_MAIN(LabelSendTest)
#include "LabelSendTest.moc"
