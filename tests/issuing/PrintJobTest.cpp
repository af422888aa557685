// Issuing runs over the result grid against the virtual printer and an
// embedded item database: what is printed, recorded, marked and said.
#include "main/issuing/PrintJob.h"
#include "main/database/EmbeddedDb.h"
#include "main/issuing/IssueRange.h"
#include "main/issuing/IssueValues.h"
#include "main/issuing/LabelLayout.h"
#include "tests/support/IssueRig.h"
#include "tests/support/RecordingOperator.h"

#include <QColor>
#include <QTest>

using database::ColIssued;
using database::ColReissued;
using database::ColTagId;
using database::ColTestIssued;
using testsupport::IssueRig;

namespace {

const QColor kYellow(255, 255, 0);
const QString kDone = QStringLiteral("태그발행이 완료 되었습니다.");

// The messages shown after the search's own message.
QStringList runMessages(const IssueRig& rig) {
    return rig.op.messages.mid(1);
}

} // namespace

class PrintJobTest : public QObject {
    Q_OBJECT
private slots:
    void init() { issuing::gTestCount = 0; }

    void issueRunMarksRecordsAndCompletes() {
        IssueRig rig;
        QVERIFY2(rig.start(), qPrintable(rig.problem()));
        QVERIFY(rig.search() >= 5);
        rig.tickOnly({1, 2, 3, 5});
        // The operator unticks row 5 while row 1 is being issued: each row's
        // tick is read just before that row.
        rig.job->onRow = [&](const issuing::RowEvent& e) {
            if (e.row == 1)
                rig.grid.setTicked(5, false);
        };
        rig.job->cmdPrint_Click();

        // The closing message counts the tags actually issued.
        QCOMPARE(runMessages(rig),
                 QStringList{kDone + QStringLiteral("\r\n\r\n발행된 태그: 3건 (선택 4건)")});
        QVERIFY(rig.job->lastRunCompleted());
        const QStringList recorded = rig.history(database::kProcTagPrint);
        QCOMPARE(recorded.size(), 3);
        QStringList serials;
        for (int r = 1; r <= 3; ++r) {
            const QString tagId = rig.grid.text(r, ColTagId);
            QCOMPARE(tagId.size(), 22); // organisation code, twelve digits, "01"
            QVERIFY(tagId.startsWith(rig.ctx.sOrganCode));
            QVERIFY(tagId.endsWith(QLatin1String("01")));
            serials << tagId.mid(8, 12);
            QCOMPARE(recorded[r - 1], QStringLiteral("05410D") + tagId);
            QCOMPARE(rig.tagIdOf(rig.grid.text(r, database::ColPurcSno)), tagId);
            QCOMPARE(rig.grid.text(r, ColIssued), QStringLiteral("Y"));
            QCOMPARE(rig.grid.text(r, ColTestIssued), QStringLiteral("N"));
            for (int col = 1; col <= database::kGridColumns; ++col)
                QCOMPARE(rig.grid.background(r, col), kYellow);
        }
        QVERIFY(serials[0] < serials[1] && serials[1] < serials[2]);
        for (int r : {4, 5}) {
            QCOMPARE(rig.grid.text(r, ColIssued), QStringLiteral("N"));
            QVERIFY(rig.grid.text(r, ColTagId).isEmpty());
            QVERIFY(!rig.grid.background(r, 1).isValid());
        }
        QCOMPARE(rig.capturedCount("{XS;I,"), 3);
        QCOMPARE(rig.capturedCount("{WS|}"), 3);
        QCOMPARE(rig.buttons.calls, (QStringList{QStringLiteral("disable"), QStringLiteral("enable")}));
        QCOMPARE(rig.link->Winsock1().state(), QAbstractSocket::UnconnectedState);
    }

    void issuedRowsAreSkippedWithoutCompletion() {
        IssueRig rig;
        QVERIFY2(rig.start(), qPrintable(rig.problem()));
        QVERIFY(rig.search(1) > 0); // rows that already carry a tag, all ticked
        rig.job->cmdPrint_Click();

        QVERIFY(runMessages(rig).isEmpty());
        QVERIFY(!rig.job->lastRunCompleted());
        // The connection was opened and the format sent, and nothing else.
        QByteArray format;
        issuing::formatRecords(rig.setup, [&](const QByteArray& record) { format += record; });
        QVERIFY(!format.isEmpty());
        QCOMPARE(rig.captured(), format);
        QCOMPARE(rig.link->Winsock1().state(), QAbstractSocket::UnconnectedState);
        QVERIFY(rig.history(database::kProcTagPrint).isEmpty());
        QVERIFY(rig.buttons.enabled);
    }

    void printerFaultStopsTheRunAtThatRow() {
        IssueRig rig;
        QVERIFY2(rig.start(40, QStringLiteral("label 3 answers 13\n")), qPrintable(rig.problem()));
        QVERIFY(rig.search() >= 6);
        rig.tickOnly({1, 2, 3, 4, 5});
        rig.job->cmdPrint_Click();

        const QStringList shown = runMessages(rig);
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains(QLatin1String("[13]")), qPrintable(shown[0]));
        QVERIFY(!rig.job->lastRunCompleted());
        QCOMPARE(rig.history(database::kProcTagPrint).size(), 2);
        for (int r : {1, 2}) {
            QCOMPARE(rig.grid.text(r, ColIssued), QStringLiteral("Y"));
            QCOMPARE(rig.tagIdOf(rig.grid.text(r, database::ColPurcSno)), rig.grid.text(r, ColTagId));
        }
        for (int r : {3, 4, 5}) {
            QCOMPARE(rig.grid.text(r, ColIssued), QStringLiteral("N"));
            QVERIFY(rig.grid.text(r, ColTagId).isEmpty());
            QVERIFY(!rig.grid.background(r, 1).isValid());
            QVERIFY(rig.tagIdOf(rig.grid.text(r, database::ColPurcSno)).isEmpty());
        }
        QCOMPARE(rig.capturedCount("{XS;I,"), 3); // rows 4 and 5 never reached the printer
        QCOMPARE(rig.capturedCount("{WS|}"), 3);
        QVERIFY(rig.buttons.enabled);
        QCOMPARE(rig.run.nErrFlag, qint16(0));
    }

    void reissueWithdrawsOnlyRecordedTags() {
        IssueRig rig;
        QVERIFY2(rig.start(), qPrintable(rig.problem()));
        QVERIFY(rig.search(1) >= 2);
        const QString firstOld = rig.grid.text(1, ColTagId);
        const QString secondOld = rig.grid.text(2, ColTagId);

        // Row 2 gets a test label first: its column 14 then reads "Y".
        rig.tickOnly({2});
        rig.job->cmdTestPrint_Click();
        QCOMPARE(rig.grid.text(2, ColTestIssued), QStringLiteral("Y"));
        QCOMPARE(rig.grid.text(2, ColTagId).mid(8, 12), QStringLiteral("000000000001"));

        // The question names the rows it will touch; No starts nothing.
        rig.tickOnly({1, 2});
        const int sent = rig.capturedCount("{XS;I,");
        rig.job->cmdRePrint_Click();
        QCOMPARE(rig.op.questions.last(),
                 QStringLiteral("2건의 태그를 재발행하시겠습니까?\r\n\r\n기록된 태그는 "
                                "삭제되고 새 태그가 발행됩니다."));
        QCOMPARE(rig.capturedCount("{XS;I,"), sent);
        QVERIFY(rig.history(database::kProcTagRemove).isEmpty());
        rig.op.answers = {true};
        rig.job->cmdRePrint_Click();
        QCOMPARE(runMessages(rig).last(), QStringLiteral("태그재발행이 완료 되었습니다."));
        // Each row's recorded tag is withdrawn, as the database holds it: row
        // 2's grid shows its test label, yet its recorded tag is replaced.
        QCOMPARE(rig.history(database::kProcTagRemove),
                 (QStringList{QStringLiteral("05410D") + firstOld, QStringLiteral("05410D") + secondOld}));
        QCOMPARE(rig.history(database::kProcTagRemove, QStringLiteral("twhy")),
                 (QStringList{QStringLiteral("REPRINT"), QStringLiteral("REPRINT")}));
        const QStringList printed = rig.history(database::kProcTagPrint);
        QCOMPARE(printed.size(), 2);
        for (int r : {1, 2}) {
            QCOMPARE(rig.grid.text(r, ColIssued), QStringLiteral("Y"));
            QCOMPARE(rig.grid.text(r, ColReissued), QStringLiteral("Y"));
            QCOMPARE(rig.grid.text(r, ColTestIssued), QStringLiteral("N"));
            QCOMPARE(printed[r - 1], QStringLiteral("05410D") + rig.grid.text(r, ColTagId));
        }
        QVERIFY(rig.grid.text(1, ColTagId) != firstOld);
        QVERIFY(rig.grid.text(2, ColTagId) != secondOld);

        // Reissued rows are not reissued again.
        const int before = rig.capturedCount("{XS;I,");
        rig.op.answers = {true};
        rig.job->cmdRePrint_Click();
        QCOMPARE(rig.capturedCount("{XS;I,"), before);
        QVERIFY(!rig.job->lastRunCompleted());
    }

    void testIssueIsLimitedToTenLabels() {
        IssueRig rig;
        QVERIFY2(rig.start(), qPrintable(rig.problem()));
        QVERIFY(rig.search() >= 11);
        QList<int> ten;
        for (int r = 1; r <= 10; ++r)
            ten << r;
        rig.tickOnly(ten);
        rig.job->cmdTestPrint_Click();
        QCOMPARE(runMessages(rig), QStringList{QStringLiteral("테스트발행이 완료 되었습니다.")});
        QCOMPARE(rig.capturedCount("{XS;I,"), 10);
        for (int r = 1; r <= 10; ++r) {
            QCOMPARE(rig.grid.text(r, ColTagId).mid(8, 12),
                     QStringLiteral("%1").arg(r, 12, 10, QLatin1Char('0')));
            QCOMPARE(rig.grid.text(r, ColIssued), QStringLiteral("N"));
            QVERIFY(rig.tagIdOf(rig.grid.text(r, database::ColPurcSno)).isEmpty()); // never recorded
        }
        QVERIFY(rig.history(database::kProcTagPrint).isEmpty());
        QVERIFY(rig.capturedCount("L36") >= 10); // "Lock" is the default

        rig.op.messages.clear();
        rig.buttons.calls.clear();
        rig.grid.setTicked(11, true);
        rig.job->cmdTestPrint_Click();
        QCOMPARE(rig.op.messages, QStringList{QStringLiteral("테스트발행은 최대 10장까지 입니다.")});
        QVERIFY(rig.buttons.calls.isEmpty());
        QCOMPARE(rig.capturedCount("{XS;I,"), 10);
    }

    void emptyGridAndUnreachablePrinter() {
        IssueRig rig;
        QVERIFY2(rig.start(), qPrintable(rig.problem()));
        rig.job->cmdPrint_Click();
        QCOMPARE(rig.op.messages, QStringList{QStringLiteral("발행할 데이터가 존재하지 않습니다.")});
        QCOMPARE(rig.buttons.calls, (QStringList{QStringLiteral("disable"), QStringLiteral("enable")}));
        QVERIFY(rig.captured().isEmpty()); // no connection was opened

        // Rows but none ticked: said, and again no connection.
        rig.search();
        rig.tickOnly({});
        rig.op.messages.clear();
        rig.job->cmdTestPrint_Click();
        QCOMPARE(rig.op.messages,
                 QStringList{QStringLiteral("체크된 행이 없습니다. 테스트발행할 행을 체크하여 주십시오.")});
        QVERIFY(rig.captured().isEmpty());

        rig.search();
        rig.op.messages.clear();
        rig.setup.sPrinterPort.clear();
        rig.job->cmdPrint_Click();
        QCOMPARE(rig.op.messages, QStringList{QStringLiteral("프린터를 연결할 수 없습니다.\r\n\r\n"
                                                             "네트워크 연결정보를 확인하여 주십시오.")});
        QVERIFY(rig.buttons.enabled);
        QVERIFY(rig.captured().isEmpty());
    }

    void rangeChoiceRules() {
        testsupport::RecordingOperator op;
        testsupport::OperatorScope installed(op);
        database::ItemGrid grid;
        grid.setRows(20);
        issuing::RangeValues range;

        issuing::OptPrt_Click(grid, 0, range);
        QCOMPARE(issuing::GetPrtCnt(grid), 20);
        QVERIFY(!range.boxesEnabled);
        issuing::OptPrt_Click(grid, 1, range);
        QCOMPARE(issuing::GetPrtCnt(grid), 0);
        QVERIFY(range.boxesEnabled);

        // The range button does nothing unless the start/end choice is on.
        range.optPrt = 0;
        range.start = QStringLiteral("1");
        range.end = QStringLiteral("2");
        issuing::cmdSE_Click(grid, range);
        QCOMPARE(issuing::GetPrtCnt(grid), 0);

        range.optPrt = 1;
        range.start = QStringLiteral("3");
        range.end = QStringLiteral("99");
        issuing::cmdSE_Click(grid, range);
        QCOMPARE(range.end, QStringLiteral("20"));
        QCOMPARE(issuing::GetPrtCnt(grid), 18);
        QVERIFY(!grid.ticked(2) && grid.ticked(3) && grid.ticked(20));
        QVERIFY(op.messages.isEmpty());

        struct Case {
            const char* start;
            const char* end;
            QString message;
            QString focus;
        };
        const Case refused[] = {
            {"5", "2", QStringLiteral("시작번호를 다시 입력하십시오"), QStringLiteral("txtStart")},
            {"", "4", QStringLiteral("시작번호를 입력하십시오"), QStringLiteral("txtStart")},
            {"4", "", QStringLiteral("끝번호를 입력하십시오"), QStringLiteral("txtEnd")},
            {"x", "4", QStringLiteral("시작번호를 다시 입력하십시오"), QStringLiteral("txtStart")},
            {"0", "4", QStringLiteral("시작번호를 다시 입력하십시오"), QStringLiteral("txtStart")},
            {"2", "-1", QStringLiteral("끝번호를 입력하십시오"), QStringLiteral("txtEnd")},
        };
        for (const Case& c : refused) {
            op.messages.clear();
            op.focusRequests.clear();
            range.start = QString::fromLatin1(c.start);
            range.end = QString::fromLatin1(c.end);
            issuing::cmdSE_Click(grid, range);
            QCOMPARE(op.messages, QStringList{c.message});
            QCOMPARE(op.focusRequests, QStringList{c.focus});
            QCOMPARE(issuing::GetPrtCnt(grid), 18); // ticks unchanged
        }

        issuing::OptPrt_Click(grid, 2, range);
        QCOMPARE(issuing::GetPrtCnt(grid), 0);
        QVERIFY(!range.boxesEnabled);

        op.messages.clear();
        QVERIFY(!issuing::CheckSerNo(QStringLiteral("   ")));
        QCOMPARE(op.messages,
                 QStringList{QStringLiteral("환경설정에서 태그발행기 시리얼번호를 등록하여 주십시오.")});
        QVERIFY(issuing::CheckSerNo(QStringLiteral(" 5T3C0815 ")));
    }
};

QTEST_MAIN(PrintJobTest)
#include "PrintJobTest.moc"
