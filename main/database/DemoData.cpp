#include "main/database/DemoData.h"

#include "main/database/DbConn.h"
#include "main/database/EmbeddedDb.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <random>

namespace database {

using platform::RuntimeError;

namespace {

struct Dept {
    const char16_t* code;
    const char16_t* name;
    const char16_t* delYmd; // empty: active
    int weight;
};

// Abolished departments keep their purchases; one code of the purchases is
// missing from the department table on purpose.
const Dept kDepts[] = {
    {u"3740010", u"총무과", u"", 10},
    {u"3740020", u"기획예산과", u"", 6},
    {u"3740030", u"재무과", u"", 6},
    {u"3740040", u"정보통신과", u"", 12},
    {u"3740050", u"민원여권과", u"", 5},
    {u"3740060", u"문화예술과", u"", 5},
    {u"3740070", u"체육청소년과", u"", 4},
    {u"3740080", u"환경정책과", u"", 5},
    {u"3740090", u"도로관리과", u"", 4},
    {u"3740100", u"건축허가과", u"", 4},
    {u"3740110", u"보건소", u"", 8},
    {u"3740120", u"복지정책과", u"", 6},
    {u"3740130", u"교통행정과", u"20991231", 4}, // abolition planned, still active
    {u"3740900", u"정보화담당관", u"20151231", 3},
    {u"3740910", u"새마을과", u"20100630", 1},
    {u"3740920", u"지역경제과", u"20180101", 3},
};
const char16_t* kUnknownDept = u"3740999";

struct Item {
    const char16_t* catNo;
    const char16_t* name;
    int basePrice; // won
    std::initializer_list<const char16_t*> sizes;
};

const Item kItems[] = {
    {u"43211503", u"노트북컴퓨터", 1350000, {u"15.6인치 i5 8GB", u"14인치 i7 16GB"}},
    {u"43211507", u"데스크톱컴퓨터", 980000, {u"i5 8GB 256GB SSD", u"i7 16GB 512GB SSD"}},
    {u"43211902", u"LCD모니터", 280000, {u"24인치 1920×1080", u"27인치 2560×1440"}},
    {u"43212105", u"레이저프린터", 450000, {u"A4 흑백 30~35ppm", u"A4 컬러 20~25ppm"}},
    {u"44101501", u"복사기", 6500000, {u"A3 디지털 복합기 45~55ppm"}},
    {u"56101703", u"책상", 240000, {u"1200×700×720mm", u"1400×700×720mm", u"1600×800×740mm"}},
    {u"56112102", u"회전의자", 160000, {u"팔걸이형 메쉬", u"중역용 가죽"}},
    {u"56101520", u"캐비닛", 310000, {u"철제 4단 450×620×1330mm"}},
    {u"40101701", u"에어컨", 2100000, {u"스탠드형 냉방 15~18평", u"벽걸이형 6~9평"}},
    {u"52141501", u"냉장고", 1250000, {u"양문형 800L"}},
    {u"45111609", u"빔프로젝터", 1800000, {u"4000안시 WXGA"}},
    {u"43211711", u"스캐너", 520000, {u"A4 양면 30~40ppm"}},
    {u"56101519", u"회의용탁자", 690000, {u"2400×1200×740mm"}},
    {u"56101508", u"서가", 180000, {u"5단 900×350×1800mm"}},
    {u"45121504", u"디지털카메라", 1100000, {u"2400만화소 18~55mm 렌즈"}},
    {u"40161505", u"공기청정기", 450000, {u"소형 30~40평형"}},
    {u"48101817", u"냉온정수기", 820000, {u"스탠드형 냉온수"}},
    {u"56101502", u"소파", 950000, {u"3인용 가죽"}},
    {u"44111905", u"화이트보드", 120000, {u"1800×900mm 자석식"}},
    {u"43222609", u"네트워크스위치", 1600000, {u"24포트 기가비트"}},
    {u"44111911", u"전자칠판 '스마트보드'", 4300000, {u"75인치 4K"}},
    {u"46171610", u"CCTV카메라", 380000, {u"200만화소 적외선"}},
    {u"52161505", u"TV", 1450000, {u"65인치 UHD", u"55인치 UHD"}},
    {u"39121004", u"무정전전원장치", 27500000, {u"30kVA 3상"}},
};

// Purchases of a category that is in no catalogue: no item name, no size name.
const char16_t* kUnlistedCat = u"99999999";

QString str(const char16_t* s) {
    return QString::fromUtf16(s);
}

void exec(QSqlQuery& q) {
    if (!q.exec())
        throw RuntimeError(sqlErrorText(q.lastError()));
}

void exec(QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw RuntimeError(sqlErrorText(q.lastError()));
}

DemoSummary fill(DbConnection& conn, int purchases, quint32 seed) {
    std::mt19937 rng(seed);
    auto pick = [&](quint32 n) { return static_cast<int>(rng() % n); };
    DemoSummary sum;
    QSqlDatabase db = conn.database();

    QSqlQuery q(db);
    q.prepare(QStringLiteral("insert into slfanrfidcommon (code_id, code, code_ctn) values (?, ?, ?)"));
    const QList<QStringList> common = {
        {QStringLiteral("SLF001"), QLatin1String(kDemoOrganCode), QStringLiteral("경기도 성남시")},
        {QStringLiteral("SLF002"), QStringLiteral("01"), QStringLiteral("라벨형")},
        {QStringLiteral("SLF002"), QStringLiteral("02"), QStringLiteral("고리형")}};
    for (const QStringList& r : common) {
        for (const QString& v : r)
            q.addBindValue(v);
        exec(q);
    }

    q.prepare(QStringLiteral("insert into slfanrfidauth (usr_sid, usr_nm) values (?, ?)"));
    q.addBindValue(QLatin1String(kDemoUser));
    q.addBindValue(QStringLiteral("데모사용자"));
    exec(q);

    q.prepare(QStringLiteral("insert into slfanrfiddept (dept_code, dept_nm, del_ymd) values (?, ?, ?)"));
    int totalWeight = 0;
    for (const Dept& d : kDepts) {
        q.addBindValue(str(d.code));
        q.addBindValue(str(d.name));
        q.addBindValue(*d.delYmd ? QVariant(str(d.delYmd)) : QVariant());
        exec(q);
        totalWeight += d.weight;
        ++sum.departments;
    }

    QSqlQuery qi(db), qs(db);
    qi.prepare(QStringLiteral("insert into slfanrfiditem (atcl_cat_no, atcl_cat_nm) values (?, ?)"));
    qs.prepare(
        QStringLiteral("insert into slfanrfidspec (atcl_cat_no, atcl_siz_no, atcl_siz_nm) values (?, ?, ?)"));
    struct ItemSize {
        int item;
        QString sizNo;
    };
    std::vector<ItemSize> itemSizes;
    int itemNo = 0;
    for (const Item& it : kItems) {
        qi.addBindValue(str(it.catNo));
        qi.addBindValue(str(it.name));
        exec(qi);
        ++sum.items;
        int sizeNo = 0;
        for (const char16_t* size : it.sizes) {
            const QString sizNo = QString::number(21400000 + itemNo * 37 + sizeNo * 5);
            qs.addBindValue(str(it.catNo));
            qs.addBindValue(sizNo);
            qs.addBindValue(str(size));
            exec(qs);
            itemSizes.push_back({itemNo, sizNo});
            ++sum.sizes;
            ++sizeNo;
        }
        ++itemNo;
    }

    q.prepare(
        QStringLiteral("insert into slfanrfidmaster (purc_sno, atcl_cat_no, atcl_siz_no, dept_code, purc_ymd,"
                       " chg_amt, tag_proc, tag_id) values (?, ?, ?, ?, ?, ?, ?, ?)"));
    const int firstYear = 2015, years = 10;
    int serial = 0, seqInYear = 0, lastYear = 0;
    for (int i = 0; i < purchases; ++i) {
        const int year = firstYear + static_cast<int>(static_cast<qint64>(i) * years / qMax(1, purchases));
        seqInYear = year == lastYear ? seqInYear + 1 : 1;
        lastYear = year;
        const QString purcSno =
            QString::number(year) + QStringLiteral("%1").arg(seqInYear, 6, 10, QLatin1Char('0'));
        const QString ymd = QStringLiteral("%1%2%3")
                                .arg(year)
                                .arg(1 + pick(12), 2, 10, QLatin1Char('0'))
                                .arg(1 + pick(28), 2, 10, QLatin1Char('0'));

        QString deptCode;
        int w = pick(static_cast<quint32>(totalWeight + 1));
        for (const Dept& d : kDepts) {
            if (w < d.weight) {
                deptCode = str(d.code);
                break;
            }
            w -= d.weight;
        }
        if (deptCode.isEmpty())
            deptCode = str(kUnknownDept);

        QString catNo, sizNo;
        qint64 price;
        if (pick(200) == 0) {
            catNo = str(kUnlistedCat);
            sizNo = QStringLiteral("10000001");
            price = 50000 + pick(100) * 1000;
        } else {
            const ItemSize& s = itemSizes[static_cast<size_t>(pick(static_cast<quint32>(itemSizes.size())))];
            catNo = str(kItems[s.item].catNo);
            sizNo = s.sizNo;
            // Prices move between 70% and 130% of the catalogue price, in tens of won.
            price = static_cast<qint64>(kItems[s.item].basePrice) * (70 + pick(61)) / 100 / 10 * 10;
        }

        // Older purchases are more often tagged already.
        const bool issued = pick(100) < (year < 2020 ? 45 : 10);
        QVariant tagId;
        if (issued) {
            ++serial;
            tagId = QLatin1String(kDemoOrganCode) +
                    QStringLiteral("%1").arg(serial, 12, 10, QLatin1Char('0')) + QStringLiteral("01");
            ++sum.issued;
        }
        q.addBindValue(purcSno);
        q.addBindValue(catNo);
        q.addBindValue(sizNo);
        q.addBindValue(deptCode);
        q.addBindValue(ymd);
        q.addBindValue(price);
        q.addBindValue(issued ? QStringLiteral("Y") : QStringLiteral("N"));
        q.addBindValue(tagId);
        exec(q);
        ++sum.purchases;
    }
    // The tag serials handed out above are taken from the sequence.
    if (conn.dialect() == SqlDialect::PostgreSQL)
        exec(db, QStringLiteral("select setval('%1', %2, %3)")
                     .arg(QString::fromLatin1(kSerialSequence).toLower())
                     .arg(qMax(serial, 1))
                     .arg(serial > 0 ? QStringLiteral("true") : QStringLiteral("false")));
    else
        exec(db, QStringLiteral("update sys_sequences set last_value = %1 where seq_name = '%2'")
                     .arg(serial)
                     .arg(QLatin1String(kSerialSequence)));
    return sum;
}

} // namespace

DemoSummary fillDemoRows(DbConnection& conn, int purchases, quint32 seed) {
    if (purchases < 0)
        throw RuntimeError(QStringLiteral("The number of purchase records cannot be negative."));
    return fill(conn, purchases, seed);
}

DemoSummary createDemoDatabase(const QString& path, int purchases, quint32 seed) {
    if (purchases < 0)
        throw RuntimeError(QStringLiteral("The number of purchase records cannot be negative."));
    const QFileInfo info(path);
    if (info.exists())
        throw RuntimeError(
            QStringLiteral("%1 already exists; choose a new file.").arg(QDir::toNativeSeparators(path)));
    if (!isEmbeddedSource(path))
        throw RuntimeError(QStringLiteral("%1: the file name must end with .db, .sqlite or .sqlite3.")
                               .arg(QDir::toNativeSeparators(path)));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            throw RuntimeError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), f.errorString()));
    }
    DbConnection conn(QStringLiteral("init-db"));
    try {
        conn.open(info.absoluteFilePath(), QString(), QString(), QStringLiteral("1"));
        createSchema(conn);
        DemoSummary sum;
        {
            QSqlDatabase db = conn.database();
            exec(db, QStringLiteral("BEGIN"));
            sum = fill(conn, purchases, seed);
            exec(db, QStringLiteral("COMMIT"));
        }
        conn.close();
        return sum;
    } catch (...) {
        conn.close();
        QFile::remove(path);
        throw;
    }
}

} // namespace database
