// The organisation, the serial sequence, recording and withdrawing tags, the
// removal run over the grid, the department list and the login's opening.
#include "main/database/Departments.h"
#include "main/database/IssuingRecords.h"
#include "main/database/Login.h"
#include "main/database/TagRemoval.h"
#include "tests/support/ItemDatabase.h"

#include <QColor>
#include <QDate>
#include <QtTest>

using namespace database;

namespace {

class RecordingButtons : public core::ButtonLock {
public:
    void DisableButtons() override { calls << QStringLiteral("disable"); }
    void EnableButtons() override { calls << QStringLiteral("enable"); }
    QStringList calls;
};

TagRecordValues values(const QString& detailLog = QStringLiteral("2")) {
    TagRecordValues v;
    v.sSerialNo = QStringLiteral(" PDA-7 ");
    v.sLocalIp = QStringLiteral("10.0.0.5");
    v.sTagId = QStringLiteral("GG41350000000000004201");
    v.sDetailLog = detailLog;
    return v;
}

// A grid row as the search leaves it, issued or not.
int addRow(ItemGrid& grid, const QString& purcSno, const QString& tagId, bool ticked) {
    const int r = grid.addRow();
    grid.setTicked(r, ticked);
    grid.setText(r, ColPurcSno, purcSno);
    grid.setText(r, ColTagId, tagId);
    grid.setText(r, ColIssued, tagId.isEmpty() ? QStringLiteral("N") : QStringLiteral("Y"));
    grid.setText(r, ColTestIssued, QStringLiteral("N"));
    grid.setText(r, ColReissued, tagId.isEmpty() ? QStringLiteral("N") : QStringLiteral("Y"));
    return r;
}

} // namespace

class TagRecordsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ItemDb> m_db;

    QStringList history() {
        return m_db->column(
            QStringLiteral("select proc_name || '|' || nvl(purc_sno, '-') || '|' || tagidfull || '|' ||"
                           " nvl(twhy, '-') || '|' || tuser from slfanrfidtaghist order by hist_sno"));
    }

private slots:
    void init() {
        m_db = std::make_unique<testsupport::ItemDb>();
        gUserId = QStringLiteral("kim");
        m_db->exec(QStringLiteral("insert into slfanrfidmaster (purc_sno, tag_id) values ('P1', null),"
                                  " ('P2', 'T2'), ('P3', 'T3'), ('P4', 'T4'), ('P5', 'T5')"));
    }
    void cleanup() { m_db.reset(); }

    void organisationIsTheFirstSlf001Row() {
        QString code = QStringLiteral("old"), name = QStringLiteral("old");
        getOrganData(code, name);
        QCOMPARE(code, QStringLiteral("old")); // no row: unchanged, no message
        QVERIFY(m_db->op.messages.isEmpty());
        m_db->exec(QStringLiteral("insert into slfanrfidcommon values ('SLF002', 'X', 'x'),"
                                  " ('SLF001', ' GG413500 ', ' 성남시 '), ('SLF001', 'ZZ999999', '다른곳')"));
        getOrganData(code, name);
        QCOMPARE(code, QStringLiteral("GG413500"));
        QCOMPARE(name, QStringLiteral("성남시"));
    }

    void serialNumbersFromTheSequence() {
        QCOMPARE(getSeqNo(), QStringLiteral("1"));
        QCOMPARE(getSeqNo(), QStringLiteral("2"));
        m_db->exec(QStringLiteral("drop table sys_sequences"));
        QCOMPARE(getSeqNo(), QStringLiteral("0"));
        QCOMPARE(m_db->op.messages.size(), 1);
        QVERIFY(m_db->op.messages[0].startsWith(QStringLiteral("[getSeqNo][")));
    }

    void recordingATag() {
        ItemGrid grid;
        addRow(grid, QStringLiteral("P1"), QString(), true);
        qint16 flag = 0;
        // A row marked "N" is not recorded.
        Update_TagData(grid, 1, values(QStringLiteral("1")), flag);
        QVERIFY(history().isEmpty());
        QVERIFY(m_db->logLines(QStringLiteral("detail_error.log")).isEmpty());

        grid.setText(1, ColIssued, QStringLiteral("Y"));
        Update_TagData(grid, 1, values(QStringLiteral("1")), flag);
        QCOMPARE(flag, 0);
        QCOMPARE(m_db->scalar(QStringLiteral("select tag_id from slfanrfidmaster where purc_sno = 'P1'")),
                 QStringLiteral("GG41350000000000004201"));
        QCOMPARE(history(), QStringList({"SP_SLARFIDB_TAG_PRINT|P1|05410DGG41350000000000004201|-|kim"}));
        QCOMPARE(
            m_db->logLines(QStringLiteral("detail_error.log")),
            QStringList({"AFTER - [P1] PDAID:PDA-7 TAGIDFULL:05410DGG41350000000000004201 IP_ADDR:10.0.0.5"
                         " PURC_SNO:P1 TFORM:01 TUSER:kim"}));
        // Tracing off: recorded, no line.
        Update_TagData(grid, 1, values(QStringLiteral("2")), flag);
        QCOMPARE(history().size(), 2);
        QCOMPARE(m_db->logLines(QStringLiteral("detail_error.log")).size(), 1);
    }

    void recordingFailures() {
        ItemGrid grid;
        addRow(grid, QStringLiteral("P1"), QStringLiteral("X"), true);
        qint16 flag = 0;
        Update_TagData(grid, 1, values(QStringLiteral("Y")), flag); // not a number
        QCOMPARE(flag, -1);
        QCOMPARE(m_db->op.messages, QStringList({"[Update_TagData][Type mismatch]"}));
        QVERIFY(history().isEmpty());

        flag = 0;
        m_db->op.messages.clear();
        m_db->exec(QStringLiteral("drop table slfanrfidtaghist"));
        Update_TagData(grid, 1, values(), flag);
        QCOMPARE(flag, -1);
        QCOMPARE(m_db->op.messages.size(), 1);
        QVERIFY(m_db->op.messages[0].startsWith(QStringLiteral("[Update_TagData][")));
        QCOMPARE(m_db->scalar(QStringLiteral("select tag_id from slfanrfidmaster where purc_sno = 'P1'")),
                 QStringLiteral("<null>"));
    }

    void removalRunOverTheGrid() {
        ItemGrid grid;
        addRow(grid, QStringLiteral("P2"), QStringLiteral("T2"), true);  // ticked, issued
        addRow(grid, QStringLiteral("P1"), QString(), true);             // ticked, not issued
        addRow(grid, QStringLiteral("P3"), QStringLiteral("T3"), false); // issued, not ticked
        addRow(grid, QStringLiteral("P4"), QStringLiteral("T4"), true);
        grid.setRowBackground(1, QColor(255, 255, 0));
        RecordingButtons buttons;
        qint16 flag = -1;
        // The question names the rows it touches; No withdraws nothing.
        cmdDel_Click(grid, values(), flag, buttons);
        QCOMPARE(m_db->op.questions, QStringList{"2건의 태그를 삭제하시겠습니까?"});
        QVERIFY(history().isEmpty() && m_db->op.messages.isEmpty());
        buttons.calls.clear();
        m_db->op.answers = {true};
        cmdDel_Click(grid, values(), flag, buttons);
        QCOMPARE(flag, 0);
        QCOMPARE(buttons.calls, QStringList({"disable", "enable"}));
        QCOMPARE(m_db->op.messages, QStringList({"태그삭제가 완료 되었습니다."}));
        QCOMPARE(history(), QStringList({"SP_SLARFIDB_TAG_REMOVE|-|05410DT2|REPRINT|kim",
                                         "SP_SLARFIDB_TAG_REMOVE|-|05410DT4|REPRINT|kim"}));
        QCOMPARE(
            m_db->column(QStringLiteral("select nvl(tag_id, '-') from slfanrfidmaster order by purc_sno")),
            QStringList({"-", "-", "T3", "-", "T5"}));
        for (int r : {1, 4}) {
            QCOMPARE(grid.background(r, 15), QColor(255, 255, 255));
            QCOMPARE(grid.text(r, ColTagId), QString());
            QCOMPARE(grid.text(r, ColIssued) + grid.text(r, ColTestIssued) + grid.text(r, ColReissued),
                     QStringLiteral("NNN"));
        }
        QCOMPARE(grid.text(3, ColTagId), QStringLiteral("T3"));
        QVERIFY(!grid.background(3, 1).isValid());

        // Nothing qualifies any more: no message at all.
        m_db->op.messages.clear();
        cmdDel_Click(grid, values(), flag, buttons);
        QVERIFY(m_db->op.messages.isEmpty());

        ItemGrid empty;
        buttons.calls.clear();
        cmdDel_Click(empty, values(), flag, buttons);
        QCOMPARE(m_db->op.messages, QStringList({"태그삭제할 데이터가 존재하지 않습니다."}));
        QCOMPARE(buttons.calls, QStringList({"disable", "enable"}));
    }

    void removalStopsAtTheFailingRow() {
        m_db->exec(
            QStringLiteral("create trigger locked before update on slfanrfidmaster when old.purc_sno = 'P4'"
                           " begin select raise(abort, 'row is locked'); end"));
        ItemGrid grid;
        addRow(grid, QStringLiteral("P2"), QStringLiteral("T2"), true);
        addRow(grid, QStringLiteral("P4"), QStringLiteral("T4"), true);
        addRow(grid, QStringLiteral("P5"), QStringLiteral("T5"), true);
        RecordingButtons buttons;
        qint16 flag = 0;
        m_db->op.answers = {true};
        cmdDel_Click(grid, values(), flag, buttons);
        QCOMPARE(flag, -1);
        QCOMPARE(m_db->op.messages, QStringList({"[Delete_TagData][row is locked]"}));
        QCOMPARE(buttons.calls, QStringList({"disable", "enable"}));
        QCOMPARE(grid.text(1, ColIssued), QStringLiteral("N"));
        QCOMPARE(grid.text(2, ColIssued), QStringLiteral("Y"));
        QCOMPARE(grid.text(3, ColIssued), QStringLiteral("Y"));
        QCOMPARE(
            m_db->column(QStringLiteral("select nvl(tag_id, '-') from slfanrfidmaster where purc_sno >= 'P2'"
                                        " order by purc_sno")),
            QStringList({"-", "T3", "T4", "T5"}));
        QCOMPARE(history().size(), 1);
        QCOMPARE(m_db->logLines(QStringLiteral("detail_error.log")), m_db->op.messages);
    }

    void departmentListsOfTheThreeKinds() {
        const QString today = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
        const QString tomorrow = QDate::currentDate().addDays(1).toString(QStringLiteral("yyyyMMdd"));
        m_db->exec(
            QStringLiteral(
                "insert into slfanrfiddept values ('D1', ' 총무과 ', null), ('D2', '정보통신과', '%1'),"
                " ('D3', '새마을과', '20100630'), ('D4', '정보화담당관', '%2'), ('D5', 'O''Brien과', '')")
                .arg(tomorrow, today));
        QStringList list{QStringLiteral("old")};
        QVERIFY(GetDeptData(list, QString(), 1));
        QCOMPARE(list, QStringList({"전체(00)", "총무과(D1)", "정보통신과(D2)", "O'Brien과(D5)"}));
        QVERIFY(GetDeptData(list, QString(), 2));
        QCOMPARE(list, QStringList({"전체(00)", "새마을과(D3)", "정보화담당관(D4)"}));
        QVERIFY(GetDeptData(list, QString(), 3));
        QCOMPARE(list.size(), 6);
        QVERIFY(GetDeptData(list, QStringLiteral("정보"), 1));
        QCOMPARE(list, QStringList({"전체(00)", "정보통신과(D2)"}));
        QVERIFY(GetDeptData(list, QStringLiteral("정보"), 2));
        QCOMPARE(list, QStringList({"전체(00)", "정보화담당관(D4)"}));
        QVERIFY(GetDeptData(list, QStringLiteral("O'B"), 3));
        QCOMPARE(list, QStringList({"전체(00)", "O'Brien과(D5)"}));
        QVERIFY(m_db->op.messages.isEmpty());
        QCOMPARE(m_db->op.waitCursorChanges % 2, 0);
        QVERIFY(!m_db->op.waitCursor);

        QCOMPARE(deptQuery(QStringLiteral("a"), 2, QStringLiteral("20260101")),
                 QStringLiteral(
                     "select *from slfanrfiddept  where del_ymd  <= '20260101'  and dept_nm like'%a%' "));
        QCOMPARE(deptQuery(QStringLiteral("a"), 3, QStringLiteral("20260101")),
                 QStringLiteral("select *from slfanrfiddept  where dept_nm like'%a%' "));

        QCOMPARE(GetDeptNm(QStringLiteral("D1")), QStringLiteral(" 총무과 ")); // as stored
        QCOMPARE(GetDeptNm(QStringLiteral("D9")), QStringLiteral("전체"));
        QCOMPARE(GetDeptNm(QStringLiteral("D1' or '1'='1")), QStringLiteral("전체"));

        // A department without a name stops the list there.
        m_db->exec(QStringLiteral("insert into slfanrfiddept values ('D0', null, null)"));
        QVERIFY(!GetDeptData(list, QString(), 3));
        QCOMPARE(list.first(), QStringLiteral("전체(00)"));
        QCOMPARE(m_db->op.messages, QStringList({"[GetDeptData][Invalid use of Null]"}));
        QCOMPARE(GetDeptNm(QStringLiteral("D0")), QString());
        QCOMPARE(m_db->op.messages.last(), QStringLiteral("[GetDeptNm][Invalid use of Null]"));
    }

    void loginOpensChecksTheUserAndNamesTheStep() {
        m_db->exec(QStringLiteral("insert into slfanrfidauth values ('demo', '데모')"));
        gDbConn.close();
        gUserId.clear();
        QString marker;
        QCOMPARE(
            loginDatabase(QStringLiteral("nobody' or '1'='1"), QStringLiteral("items.db"), "u", "p", marker),
            LoginResult::UnknownUser);
        QCOMPARE(marker, QStringLiteral("G"));
        QVERIFY(!gDbConn.isOpen());
        QCOMPARE(m_db->op.messages, QStringList({"해당 아이디가 존재하지 않습니다."}));
        QCOMPARE(m_db->op.focusRequests, QStringList({"txtID"}));

        QCOMPARE(loginDatabase(QStringLiteral("demo"), QStringLiteral("items.db"), "u", "p", marker),
                 LoginResult::Opened);
        QCOMPARE(marker, QStringLiteral("I"));
        QCOMPARE(gUserId, QStringLiteral("demo"));
        QVERIFY(gDbConn.isOpen());
        QVERIFY(!m_db->op.waitCursor);

        m_db->op.messages.clear();
        QCOMPARE(loginDatabase(QStringLiteral("demo"), QStringLiteral("nothere.db"), "u", "p", marker),
                 LoginResult::Failed);
        QCOMPARE(marker, QStringLiteral("C"));
        QVERIFY(!gDbConn.isOpen());
        QCOMPARE(m_db->op.messages.size(), 1);
        QVERIFY(m_db->op.messages[0].endsWith(QStringLiteral("[C]")));
        QVERIFY(!m_db->op.waitCursor);
        // The provider kind comes from setup.ini; a text database name there changes nothing.
        m_db->dir.writeText(QStringLiteral("setup.ini"), QStringLiteral("[DBINFO]\r\nDB_KIND=2\r\n"));
        QCOMPARE(loginDatabase(QStringLiteral("demo"), QStringLiteral("items.db"), "u", "p", marker),
                 LoginResult::Opened);
        QVERIFY(gDbConn.connectionStringText().startsWith(QStringLiteral("Provider=oraOLEDB.oracle.1;")));
    }
};

QTEST_GUILESS_MAIN(TagRecordsTest)
#include "TagRecordsTest.moc"
