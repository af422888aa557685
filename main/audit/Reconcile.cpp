#include "main/audit/Reconcile.h"

#include "main/audit/TagDecode.h"
#include "main/database/DbConn.h"
#include "main/database/EmbeddedDb.h"
#include "main/tagdata/TagData.h"
#include "platform/RuntimeError.h"

#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>

namespace audit {

using database::sqlText;
using platform::RuntimeError;

namespace {

const char* const kNames[] = {"found", "missing", "elsewhere", "withdrawn", "unknown", "foreign", "untagged"};
const char16_t* const kLabels[] = {u"확인",   u"미발견",   u"타부서", u"회수태그",
                                   u"미등록", u"외부태그", u"미발행"};

// Values many rows share (departments, categories, dates, amounts) are kept
// once, which keeps a scope of a million purchases small.
class Interned {
public:
    QString operator()(const QString& s) {
        // Codes, dates and amounts are digits: looked up by their value and
        // length, which is cheaper than comparing texts.
        if (s.size() <= 15) {
            quint64 key = 0;
            bool digits = true;
            for (QChar c : s) {
                if (c < u'0' || c > u'9') {
                    digits = false;
                    break;
                }
                key = key * 10 + (c.unicode() - u'0');
            }
            if (digits) {
                key = key * 32 + static_cast<quint64>(s.size());
                auto it = m_digits.constFind(key);
                if (it != m_digits.constEnd())
                    return *it;
                m_digits.insert(key, s);
                return s;
            }
        }
        auto it = m_set.constFind(s);
        if (it != m_set.constEnd())
            return *it;
        m_set.insert(s);
        return s;
    }

    // The same for a value as the embedded database hands it over: a value
    // seen before makes no new string.
    QString operator()(QByteArrayView v) {
        v = v.trimmed();
        if (v.size() <= 15) {
            quint64 key = 0;
            bool digits = true;
            for (char c : v) {
                if (c < '0' || c > '9') {
                    digits = false;
                    break;
                }
                key = key * 10 + static_cast<quint64>(c - '0');
            }
            if (digits) {
                key = key * 32 + static_cast<quint64>(v.size());
                auto it = m_digits.constFind(key);
                if (it == m_digits.constEnd())
                    it = m_digits.insert(key, QString::fromLatin1(v));
                return *it;
            }
        }
        return (*this)(QString::fromUtf8(v));
    }

private:
    QHash<quint64, QString> m_digits;
    QSet<QString> m_set;
};

class Query {
public:
    Query(database::DbConnection& conn, const QString& sql) : m_q(conn.database()) {
        m_q.setForwardOnly(true);
        m_q.setNumericalPrecisionPolicy(QSql::HighPrecision);
        if (!m_q.exec(sql))
            throw RuntimeError(database::sqlErrorText(m_q.lastError()));
    }
    bool next() { return m_q.next(); }
    QString text(int i) const { return m_q.value(i).toString().trimmed(); }

private:
    QSqlQuery m_q;
};

// Runs `run` with the values as a quoted list, in groups small enough for
// every server's IN list.
void inGroups(const QStringList& values, const std::function<void(const QString&)>& run) {
    constexpr int kGroup = 500;
    for (qsizetype i = 0; i < values.size(); i += kGroup) {
        QString list;
        for (qsizetype j = i; j < qMin(values.size(), i + kGroup); ++j) {
            if (j > i)
                list += QLatin1Char(',');
            list += QLatin1Char('\'') + sqlText(values[j]) + QLatin1Char('\'');
        }
        run(list);
    }
}

// A purchase row as the reconciliation reads it (kPurchaseColumns).
struct Purchase {
    QString purcSno, deptCode, tagId, catNo, purcYmd, amount;
};

Purchase purchaseOf(const Query& q, Interned& shared) {
    return {q.text(0), shared(q.text(1)), q.text(2), shared(q.text(3)), shared(q.text(4)), shared(q.text(5))};
}

void fillPurchase(AuditRow& row, const Purchase& p) {
    row.purcSno = p.purcSno;
    row.deptCode = p.deptCode;
    row.catNo = p.catNo;
    row.purcYmd = p.purcYmd;
    row.amount = p.amount;
}

// Every purchase of a condition, in purchase order: on the embedded database
// straight from its text, so that a million rows make few strings.
void forEachPurchase(database::DbConnection& conn, const QString& where, Interned& shared,
                     const std::function<void(const Purchase&)>& f) {
    const QString sql = kPurchaseColumns.toString() + QStringLiteral(" where ") + where +
                        QStringLiteral(" order by A.purc_sno");
    if (conn.isEmbedded()) {
        QSqlDatabase db = conn.database();
        database::streamEmbedded(db, sql, [&](const QByteArrayView* v) {
            f({QString::fromUtf8(v[0].trimmed()), shared(v[1]), QString::fromUtf8(v[2].trimmed()),
               shared(v[3]), shared(v[4]), shared(v[5])});
        });
        return;
    }
    Query q(conn, sql);
    while (q.next())
        f(purchaseOf(q, shared));
}

QString readInfoOf(const ScanFile& scan, const ScanRead& read) {
    QStringList parts;
    for (int i = 0; i < scan.extraColumns.size() && i < read.extra.size(); ++i)
        if (!read.extra[i].isEmpty())
            parts << scan.extraColumns[i] + QLatin1Char('=') + read.extra[i];
    return parts.join(QStringLiteral("; "));
}

} // namespace

QString categoryName(Category c) {
    return QLatin1String(kNames[static_cast<int>(c)]);
}

QString categoryLabel(Category c) {
    return QString::fromUtf16(kLabels[static_cast<int>(c)]);
}

bool categoryFromName(const QString& name, Category& c) {
    for (int i = 0; i < kCategoryCount; ++i)
        if (name == QLatin1String(kNames[i])) {
            c = static_cast<Category>(i);
            return true;
        }
    return false;
}

bool AuditResult::clean() const {
    return count(Category::Missing) == 0 && count(Category::Elsewhere) == 0 &&
           count(Category::Withdrawn) == 0 && count(Category::Unknown) == 0;
}

std::array<int, kCategoryCount> AuditResult::counts() const {
    std::array<int, kCategoryCount> n{};
    for (int i = 0; i < kCategoryCount; ++i)
        n[i] = static_cast<int>(rows[i].size());
    return n;
}

QString AuditResult::summary() const {
    QString s = QStringLiteral("audit: %1 reads").arg(reads);
    for (int i = 0; i < kCategoryCount; ++i)
        s += QStringLiteral(", %1 %2").arg(rows[i].size()).arg(QLatin1String(kNames[i]));
    return s;
}

QString noteLabel(const QString& note) {
    struct Prefix {
        const char* code;
        const char16_t* label;
    };
    static const Prefix prefixes[] = {{"replaced by ", u"재발행으로 교체됨, 현재 태그 "},
                                      {"withdrawn", u"회수된 태그"},
                                      {"organisation ", u"다른 기관 코드 "},
                                      {"prefix ", u"이 시스템의 태그가 아님, 머리 "},
                                      {"length ", u"태그 길이가 다름: "},
                                      {"not hexadecimal", u"16진수 EPC가 아님"},
                                      {"serial or suffix not decimal", u"일련번호가 숫자가 아님"}};
    for (const Prefix& p : prefixes)
        if (note.startsWith(QLatin1String(p.code)))
            return QString::fromUtf16(p.label) + note.mid(qstrlen(p.code));
    return note;
}

QHash<QString, QString> itemNames(database::DbConnection& conn) {
    QHash<QString, QString> names;
    Query q(conn, QStringLiteral("select atcl_cat_no, atcl_cat_nm from slfanrfiditem"));
    while (q.next())
        names.insert(q.text(0), q.text(1));
    return names;
}

QString organisationCode(database::DbConnection& conn) {
    Query q(conn, QStringLiteral("select code from slfanrfidcommon where code_id = 'SLF001'"));
    return q.next() ? q.text(0) : QString();
}

AuditResult reconcile(database::DbConnection& conn, const ScanFile& scan, const AuditScope& scope,
                      const std::function<void(int)>& progress) {
    auto tell = [&](int p) {
        if (progress)
            progress(p);
    };
    tell(0);
    AuditResult result;
    result.reads = static_cast<int>(scan.reads.size());
    const TagDecoder decoder(organisationCode(conn));

    // The distinct reads: this organisation's tags by tag id, the rest by EPC.
    std::vector<AuditRow> read;
    QHash<QString, int> byEpc, byTag;
    byEpc.reserve(static_cast<qsizetype>(scan.reads.size()));
    for (const ScanRead& r : scan.reads) {
        const QString epc = normaliseEpc(r.epc);
        if (auto it = byEpc.constFind(epc); it != byEpc.constEnd()) {
            ++read[static_cast<size_t>(*it)].reads;
            continue;
        }
        const DecodedRead d = decoder.decode(epc);
        if (d.ours()) {
            if (auto it = byTag.constFind(d.tagId); it != byTag.constEnd()) {
                byEpc.insert(epc, *it);
                ++read[static_cast<size_t>(*it)].reads;
                continue;
            }
            byTag.insert(d.tagId, static_cast<int>(read.size()));
        }
        byEpc.insert(epc, static_cast<int>(read.size()));
        AuditRow row;
        row.category = d.ours() ? Category::Unknown : Category::Foreign;
        row.tagId = d.tagId;
        row.epc = d.epc;
        row.reads = 1;
        row.note = reasonCode(d.reason, d.detail);
        row.readInfo = readInfoOf(scan, r);
        read.push_back(std::move(row));
    }
    tell(10);

    auto bucket = [&](Category c) -> std::vector<AuditRow>& { return result.of(c); };
    std::vector<char> placed(read.size(), 0);
    Interned shared;

    // One pass over the scope, in purchase order.
    {
        int total = 0;
        {
            // Room for the rows made once: a vector that grows by doubling
            // would hold twice a million rows for a moment.
            Query count(conn,
                        QStringLiteral("select count(*), count(A.tag_id) from slfanrfidmaster A where ") +
                            scope.whereClause());
            if (count.next()) {
                total = count.text(0).toInt();
                const int tagged = count.text(1).toInt();
                bucket(Category::Untagged).reserve(static_cast<size_t>(qMax(0, total - tagged)));
                bucket(Category::Missing).reserve(static_cast<size_t>(tagged));
                bucket(Category::Found).reserve(qMin(read.size(), static_cast<size_t>(tagged)));
            }
        }
        int done = 0;
        forEachPurchase(conn, scope.whereClause(), shared, [&](const Purchase& p) {
            const QString& tag = p.tagId;
            const auto it = tag.isEmpty() ? byTag.constEnd() : byTag.constFind(tag);
            AuditRow row;
            if (it != byTag.constEnd()) {
                row = std::move(read[static_cast<size_t>(*it)]);
                placed[static_cast<size_t>(*it)] = 1;
                row.category = Category::Found;
            } else {
                row.category = tag.isEmpty() ? Category::Untagged : Category::Missing;
                row.tagId = tag;
            }
            fillPurchase(row, p);
            bucket(row.category).push_back(std::move(row));
            if (++done % 20000 == 0 && total > 0)
                tell(10 + 60 * done / total);
        });
    }
    tell(70);

    auto unplacedTags = [&] {
        QStringList tags;
        for (size_t i = 0; i < read.size(); ++i)
            if (!placed[i] && read[i].category == Category::Unknown)
                tags << read[i].tagId;
        return tags;
    };

    // Live tags of purchases outside the scope.
    inGroups(unplacedTags(), [&](const QString& list) {
        Query q(conn, kPurchaseColumns.toString() + QStringLiteral(" where A.tag_id in (") + list +
                          QLatin1Char(')'));
        while (q.next()) {
            const auto it = byTag.constFind(q.text(2));
            if (it == byTag.constEnd() || placed[static_cast<size_t>(*it)])
                continue;
            AuditRow& row = read[static_cast<size_t>(*it)];
            row.category = Category::Elsewhere;
            fillPurchase(row, purchaseOf(q, shared));
        }
    });
    tell(80);

    // Tags the issuing history knows that no asset holds any more: stale
    // labels; the purchase they were printed for tells whether a reissue
    // replaced them.
    const QString prefix = QLatin1String(tagdata::kTagPrefix);
    QStringList fullIds;
    for (const QString& t : unplacedTags())
        fullIds << prefix + t;
    QHash<QString, QString> printedFor; // tag id -> purchase
    inGroups(fullIds, [&](const QString& list) {
        Query q(conn, QStringLiteral("select tagidfull, purc_sno, proc_name from slfanrfidtaghist where "
                                     "tagidfull in (") +
                          list + QStringLiteral(") order by hist_sno"));
        while (q.next()) {
            const QString tag = q.text(0).mid(prefix.size());
            const auto it = byTag.constFind(tag);
            if (it == byTag.constEnd() || placed[static_cast<size_t>(*it)])
                continue;
            AuditRow& row = read[static_cast<size_t>(*it)];
            if (row.category != Category::Elsewhere) {
                row.category = Category::Withdrawn;
                row.note = QStringLiteral("withdrawn");
            }
            if (!q.text(1).isEmpty())
                printedFor.insert(tag, q.text(1));
        }
    });
    QHash<QString, QStringList> tagsOfPurchase;
    for (auto it = printedFor.cbegin(); it != printedFor.cend(); ++it)
        if (read[static_cast<size_t>(byTag.value(it.key()))].category == Category::Withdrawn)
            tagsOfPurchase[it.value()] << it.key();
    inGroups(tagsOfPurchase.keys(), [&](const QString& list) {
        Query q(conn, kPurchaseColumns.toString() + QStringLiteral(" where A.purc_sno in (") + list +
                          QLatin1Char(')'));
        while (q.next()) {
            for (const QString& tag : tagsOfPurchase.value(q.text(0))) {
                AuditRow& row = read[static_cast<size_t>(byTag.value(tag))];
                fillPurchase(row, purchaseOf(q, shared));
                if (!q.text(2).isEmpty())
                    row.note = QStringLiteral("replaced by ") + q.text(2);
            }
        }
    });
    tell(90);

    std::array<std::vector<AuditRow>*, 4> fromReads = {
        &bucket(Category::Elsewhere), &bucket(Category::Withdrawn), &bucket(Category::Unknown),
        &bucket(Category::Foreign)};
    for (size_t i = 0; i < read.size(); ++i)
        if (!placed[i])
            bucket(read[i].category).push_back(std::move(read[i]));
    for (std::vector<AuditRow>* b : fromReads)
        std::sort(b->begin(), b->end(), [](const AuditRow& a, const AuditRow& b) {
            return a.tagId != b.tagId ? a.tagId < b.tagId : a.epc < b.epc;
        });
    tell(100);
    return result;
}

} // namespace audit
