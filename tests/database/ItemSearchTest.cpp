// The item search over a small purchase table: every condition alone and
// combined, the orders, the item record's formats and marks, the status log,
// the texts the window shows afterwards, and values that carry SQL syntax.
#include "main/database/ItemSearch.h"
#include "tests/support/ItemDatabase.h"

#include <QtTest>

using namespace database;

class ItemSearchTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testsupport::ItemDb> m_db;
    ItemGrid m_grid;
    SearchUi m_ui;
    QList<int> m_progress;

    // Purchase serial numbers in grid order.
    QStringList search(const SearchConditions& c) {
        m_progress.clear();
        m_ui = SearchUi();
        m_ui.progress = [this](int p) { m_progress << p; };
        cmdLoadDb(m_grid, c, m_ui);
        QStringList out;
        for (int r = 1; r <= m_grid.rows(); ++r)
            out << m_grid.text(r, ColPurcSno);
        return out;
    }
    static SearchConditions all() {
        SearchConditions c;
        c.OptSearch = 2;
        return c;
    }

private slots:
    void init() {
        m_db = std::make_unique<testsupport::ItemDb>();
        m_db->exec(QStringLiteral("insert into slfanrfiditem values ('C1', '노트북컴퓨터'), ('C2', '책상'),"
                                  " ('C3', 'Tom''s 책장'), ('C4', '100%_특수')"));
        m_db->exec(QStringLiteral(
            "insert into slfanrfidspec values ('C1', 'S1', '15인치'), ('C2', 'S1', '1200×700'),"
            " ('C3', 'S1', '5단'), ('C4', 'S1', '30~40평')"));
        m_db->exec(QStringLiteral(
            "insert into slfanrfiddept values ('D01', '총무과', null), ('D02', '정보통신과', ''),"
            " ('D03', '새마을과', '20100630')"));
        m_db->exec(
            QStringLiteral("insert into slfanrfidmaster values"
                           " ('P004', 'C1', 'S1', 'D03', '20190101', 1234567, 'N', null),"
                           " ('P001', 'C1', 'S1', 'D01', '20200105', 1500000, 'N', null),"
                           " ('P002', 'C2', 'S1', 'D02', '20210310', 240000, 'Y', 'GG413500000000000001 01'),"
                           " ('P003', 'C3', 'S1', 'D01', '20220720', 99000, 'N', ''),"
                           " ('P005', 'C4', 'S1', 'D99', '20230505', 500, 'N', null),"
                           " ('P006', 'C9', 'S9', 'D02', '20240101', null, 'N', null)"));
        m_grid.clear();
    }
    void cleanup() { m_db.reset(); }

    void defaultsFindPendingRowsBySerialNumber() {
        QCOMPARE(search(SearchConditions()), QStringList({"P001", "P003", "P004", "P005", "P006"}));
        QCOMPARE(m_db->op.messages, QStringList({"5건의 자료가 검색 되었습니다."}));
        QCOMPARE(m_ui.OptPrt, 0);
        QCOMPARE(m_ui.LblPrtCnt, QStringLiteral("5"));
        QCOMPARE(m_ui.txtStart, QStringLiteral("1"));
        QCOMPARE(m_ui.txtEnd, QStringLiteral("5"));
        QCOMPARE(m_progress, QList<int>({0, 20, 40, 60, 80, 100}));
        QVERIFY(!m_db->op.waitCursor);
    }

    void eachConditionAlone() {
        SearchConditions c = all();
        c.TDBDate2From = QDate(2020, 1, 1);
        c.TDBDate2To = QDate(2021, 3, 10);
        QCOMPARE(search(c), QStringList({"P001", "P002"}));

        c = all();
        c.CboDept = QStringLiteral("정보통신과(D02)");
        QCOMPARE(search(c), QStringList({"P002", "P006"}));
        QCOMPARE(m_grid.text(2, ColDeptNm), QStringLiteral("정보통신과"));

        c = all();
        c.txtCatNo = QStringLiteral("C1");
        QCOMPARE(search(c), QStringList({"P001", "P004"}));

        c = all();
        c.txtPurcSNo = QStringLiteral("P003");
        QCOMPARE(search(c), QStringList({"P003"}));

        c = all();
        c.txtCatNm = QStringLiteral("책");
        QCOMPARE(search(c), QStringList({"P002", "P003"}));

        c = all();
        c.TDBNumFrom = 100000;
        c.TDBNumTo = 1500000;
        QCOMPARE(search(c), QStringList({"P001", "P002", "P004"}));
        // One box alone is an equality, not a range.
        c.TDBNumTo.reset();
        c.TDBNumFrom = 240000;
        QCOMPARE(search(c), QStringList({"P002"}));
        c.TDBNumFrom.reset();
        c.TDBNumTo = 499.6; // "#0" rounds to 500
        QCOMPARE(search(c), QStringList({"P005"}));
    }

    void conditionsCombineAndStatesAndOrders() {
        SearchConditions c;
        c.OptSearch = 1;
        QCOMPARE(search(c), QStringList({"P002"}));
        QCOMPARE(m_grid.text(1, ColTagId), QStringLiteral("GG413500000000000001 01"));
        QCOMPARE(m_grid.text(1, ColIssued), QStringLiteral("Y"));

        c = all();
        c.OptSort = 1; // item name, then serial; no name last, as on the servers
        QCOMPARE(search(c), QStringList({"P005", "P003", "P001", "P004", "P002", "P006"}));
        c.OptSort = 2; // category, then serial
        QCOMPARE(search(c), QStringList({"P001", "P004", "P002", "P003", "P005", "P006"}));

        c = SearchConditions();
        c.TDBDate2From = QDate(2019, 1, 1);
        c.CboDept = QStringLiteral("총무과(D01)");
        c.txtCatNm = QStringLiteral("노트북");
        c.TDBNumFrom = 1000000;
        c.TDBNumTo = 2000000;
        QCOMPARE(search(c), QStringList({"P001"}));
        QCOMPARE(m_grid.text(1, ColDeptNm), QStringLiteral("총무과"));
    }

    void itemRecordFormatsAndMarks() {
        search(all());
        QCOMPARE(m_grid.rows(), 6);
        // P004: seven-digit amount, date, department looked up per row.
        QStringList row;
        for (int col = 1; col <= kGridColumns; ++col)
            row << m_grid.text(4, col);
        QCOMPARE(row, QStringList({"1", "", "", "P004", "C1", "S1", "노트북컴퓨터", "15인치", "1,234,567",
                                   "2019-01-01", "새마을과", "", "N", "N", "N"}));
        QCOMPARE(m_grid.text(5, ColDeptNm), QStringLiteral("전체")); // D99 is in no department row
        // P006: no catalogue entry, no amount.
        QCOMPARE(m_grid.text(6, ColCatNm), QString());
        QCOMPARE(m_grid.text(6, ColSizNm), QString());
        QCOMPARE(m_grid.text(6, ColAmount), QString());
        QCOMPARE(m_grid.tickedCount(), 6);
        QVERIFY(!m_grid.background(4, 1).isValid());

        const QStringList log = m_db->logLines(QStringLiteral("error.log"));
        QCOMPARE(log.size(), 6);
        QCOMPARE(log[3], QStringLiteral("TAG_ID: PURC_SND:P004 ATCL_CAT_NO:C1 ATCL_CAT_NM:노트북컴퓨터 "
                                        "ATCL_SIZ_NM:15인치 CHG_AMT:1234567 PURC_YMD:20190101"));
        QCOMPARE(log[5],
                 QStringLiteral("TAG_ID: PURC_SND:P006 ATCL_CAT_NO:C9 ATCL_CAT_NM: ATCL_SIZ_NM: CHG_AMT: "
                                "PURC_YMD:20240101"));
    }

    void formats() {
        QCOMPARE(formatAmount(QStringLiteral("1234567")), QStringLiteral("1,234,567"));
        QCOMPARE(formatAmount(QStringLiteral("999")), QStringLiteral("999"));
        QCOMPARE(formatAmount(QStringLiteral("-1500.5")), QStringLiteral("-1,501"));
        QCOMPARE(formatAmount(QStringLiteral("abc")), QStringLiteral("abc"));
        QCOMPARE(formatDate(QStringLiteral("20190315")), QStringLiteral("2019-03-15"));
        QCOMPARE(formatDate(QStringLiteral("2019031")), QStringLiteral("201-90-31"));
        QCOMPARE(formatDate(QString()), QString());
        QCOMPARE(formatWhole(1499.5), QStringLiteral("1500"));
        QCOMPARE(formatWhole(std::nullopt), QString());
    }

    void invertedAmountsAndNoRows() {
        search(all());
        SearchConditions c = all();
        c.TDBNumFrom = 900;
        c.TDBNumTo = 500;
        m_db->op.messages.clear();
        search(c);
        QCOMPARE(m_db->op.messages, QStringList({"구입단가를 다시 입력하십시오"}));
        QCOMPARE(m_db->op.focusRequests, QStringList({"TDBNum(0)"}));
        QCOMPARE(m_grid.rows(), 6); // the grid keeps its rows

        m_db->op.messages.clear();
        c = all();
        c.TDBDate2From = QDate(2030, 1, 1);
        c.TDBDate2To = QDate(2031, 1, 1);
        QVERIFY(search(c).isEmpty());
        QCOMPARE(m_db->op.messages, QStringList({"해당 데이터가 존재하지 않습니다."}));
        QCOMPARE(m_ui.LblPrtCnt, QString());
        QCOMPARE(m_ui.OptPrt, -1);
    }

    void statementText() {
        SearchConditions c;
        c.TDBDate2From = QDate(2019, 1, 2);
        c.TDBDate2To = QDate(2020, 3, 4);
        c.CboDept = QStringLiteral("총무과(D01)");
        c.txtCatNo = QStringLiteral("C1");
        c.txtPurcSNo = QStringLiteral("P1");
        c.txtCatNm = QStringLiteral("O'x");
        c.TDBNumFrom = 10;
        c.TDBNumTo = 20;
        c.OptSearch = 1;
        c.OptSort = 2;
        QCOMPARE(
            searchQuery(c),
            QStringLiteral(
                " select A.purc_sno, A.atcl_cat_no, nvl(B.atcl_cat_nm,'') atcl_cat_nm, A.atcl_siz_no, "
                "nvl(B.atcl_siz_nm, '') atcl_siz_nm, A.dept_code, A.purc_ymd, A.chg_amt, A.tag_proc, A.tag_id"
                " from slfanrfidmaster A left outer join "
                " (select A.atcl_cat_no, B.atcl_cat_nm, A.atcl_siz_no, nvl(A.atcl_siz_nm, '') atcl_siz_nm "
                "from slfanrfidspec A left outer join slfanrfiditem B"
                "  on A.atcl_cat_no = B.atcl_cat_no) B"
                "  on (a.atcl_cat_no = b.atcl_cat_no"
                "  and a.atcl_siz_no = b.atcl_siz_no)"
                " where A.purc_ymd >= '20190102'    and A.purc_ymd <= '20200304' "
                " and A.dept_code = 'D01'"
                " and   A.atcl_cat_no = 'C1'"
                " and   A.purc_sno = 'P1'"
                " and   B.atcl_cat_nm like'%O''x%' "
                " and   A.chg_amt >= '10' and A.chg_amt <= '20'"
                " and (A.tag_id is NOT NULL or A.tag_id <> '') "
                " order by A.atcl_cat_no, A.purc_sno"));
    }

    void sqlSyntaxInEveryTextCondition() {
        SearchConditions c = all();
        c.txtCatNm = QStringLiteral("Tom's");
        QCOMPARE(search(c), QStringList({"P003"}));

        const QStringList hostile = {QStringLiteral("x' or '1'='1"),
                                     QStringLiteral("'; drop table slfanrfidmaster; --"),
                                     QStringLiteral("\""), QStringLiteral("\\'"), QStringLiteral("')) --")};
        for (const QString& h : hostile) {
            for (int field = 0; field < 4; ++field) {
                c = all();
                if (field == 0)
                    c.txtCatNo = h;
                else if (field == 1)
                    c.txtPurcSNo = h;
                else if (field == 2)
                    c.txtCatNm = h;
                else
                    c.CboDept = QStringLiteral("x(") + h + QStringLiteral(")");
                m_db->op.messages.clear();
                QVERIFY2(search(c).isEmpty(), qPrintable(h));
                QCOMPARE(m_db->op.messages, QStringList({"해당 데이터가 존재하지 않습니다."}));
            }
        }
        QCOMPARE(m_db->scalar(QStringLiteral("select count(*) from slfanrfidmaster")), QStringLiteral("6"));
        // LIKE wildcards typed by the operator still act as wildcards.
        c = all();
        c.txtCatNm = QStringLiteral("100%");
        QCOMPARE(search(c), QStringList({"P005"}));
    }

    void failuresEndInTheReport() {
        SearchConditions c = all();
        c.CboDept = QStringLiteral("총무과");
        search(c);
        QCOMPARE(m_db->op.messages.size(), 1);
        QVERIFY(m_db->op.messages[0].startsWith(QStringLiteral("[GetDBData][")));
        m_db->op.messages.clear();
        m_db->exec(QStringLiteral("drop table slfanrfiditem"));
        search(all());
        QCOMPARE(m_db->op.messages.size(), 1);
        QVERIFY(m_db->op.messages[0].startsWith(QStringLiteral("[GetDBData][")));
        QVERIFY(m_db->op.messages[0].contains(QStringLiteral("slfanrfiditem")));
        QCOMPARE(m_db->logLines(QStringLiteral("detail_error.log")).last(), m_db->op.messages[0]);
        QVERIFY(!m_db->op.waitCursor);
    }
};

QTEST_GUILESS_MAIN(ItemSearchTest)
#include "ItemSearchTest.moc"
