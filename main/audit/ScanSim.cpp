#include "main/audit/ScanSim.h"

#include "main/audit/Reconcile.h"
#include "main/database/DbConn.h"
#include "main/spreadsheet/XlsWriter.h"
#include "main/tagdata/TagData.h"
#include "platform/RuntimeError.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <random>

namespace audit {

using platform::RuntimeError;

namespace {

QStringList column(database::DbConnection& conn, const QString& sql) {
    QSqlQuery q(conn.database());
    q.setForwardOnly(true);
    if (!q.exec(sql))
        throw RuntimeError(database::sqlErrorText(q.lastError()));
    QStringList out;
    while (q.next())
        out << q.value(0).toString().trimmed();
    return out;
}

// Up to n values picked at random, in their original order.
QStringList sample(const QStringList& from, qsizetype n, std::mt19937& rng) {
    std::vector<qsizetype> idx(static_cast<size_t>(from.size()));
    for (qsizetype i = 0; i < from.size(); ++i)
        idx[static_cast<size_t>(i)] = i;
    std::shuffle(idx.begin(), idx.end(), rng);
    idx.resize(static_cast<size_t>(qBound<qsizetype>(0, n, from.size())));
    std::sort(idx.begin(), idx.end());
    QStringList out;
    for (qsizetype i : idx)
        out << from[i];
    return out;
}

struct Read {
    QString epc;
    int antenna;
    int rssi;
    QDateTime time;
};

void save(const QString& path, const QByteArray& bytes) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw RuntimeError(QStringLiteral("%1: %2").arg(path, f.errorString()));
}

} // namespace

ScanSimSummary writeSimulatedScan(database::DbConnection& conn, const ScanSimOptions& o,
                                  const QString& path) {
    std::mt19937 rng(o.seed);
    const QString organ = organisationCode(conn);
    const QString prefix = QLatin1String(tagdata::kTagPrefix);
    const QString where = o.scope.whereClause();
    ScanSimSummary sum;

    const QStringList live =
        column(conn, QStringLiteral("select A.tag_id from slfanrfidmaster A where (%1) and "
                                    "A.tag_id is not null order by A.purc_sno")
                         .arg(where));
    QStringList tags =
        sample(live, static_cast<qsizetype>(live.size() * qBound(0.0, o.share, 1.0) + 0.5), rng);
    sum.inScope = static_cast<int>(tags.size());

    const QStringList others = sample(
        column(conn, QStringLiteral(
                         "select A.tag_id from slfanrfidmaster A where not (%1) and A.tag_id is not null")
                         .arg(where)),
        o.elsewhere, rng);
    sum.elsewhere = static_cast<int>(others.size());
    tags += others;

    // Withdrawn labels: tags the history removed that no asset holds now.
    QStringList removed;
    const QSet<QString> liveAll(live.cbegin(), live.cend());
    for (const QString& full :
         column(conn, QStringLiteral("select distinct tagidfull from slfanrfidtaghist where proc_name = "
                                     "'SP_SLARFIDB_TAG_REMOVE' order by tagidfull")))
        if (full.startsWith(prefix) && !liveAll.contains(full.mid(prefix.size())))
            removed << full.mid(prefix.size());
    removed = sample(removed, o.withdrawn, rng);
    sum.withdrawn = static_cast<int>(removed.size());
    tags += removed;

    QStringList epcs;
    for (const QString& tag : tags)
        if (tag.size() == organ.size() + 14 && tag.startsWith(organ))
            epcs << tagdata::SetTagData(prefix, organ, tag.mid(organ.size(), 12), tag.right(2));
    // Serial numbers far beyond the sequence: never issued.
    for (int i = 0; i < o.unknown; ++i)
        epcs << tagdata::SetTagData(
            prefix, organ,
            QStringLiteral("%1").arg(900000000000LL + rng() % 1000000, 12, 10, QLatin1Char('0')),
            QStringLiteral("01"));
    sum.unknown = o.unknown;
    // Another organisation's tags, and another system's 96-bit identifiers.
    for (int i = 0; i < o.foreign; ++i) {
        if (i % 2 == 0) {
            epcs << tagdata::SetTagData(prefix, QStringLiteral("SE123400"),
                                        QStringLiteral("%1").arg(rng() % 100000, 12, 10, QLatin1Char('0')),
                                        QStringLiteral("01"));
        } else {
            QString hex = QStringLiteral("3034");
            while (hex.size() < 24)
                hex += QString::number(rng() % 16, 16).toUpper();
            epcs << hex;
        }
    }
    sum.foreign = o.foreign;

    // Walking order: the scope's tags as they stand, the others in between;
    // each read one to maxRepeats times, repeats close to each other.
    std::vector<Read> reads;
    QDateTime t(QDate::currentDate(), QTime(10, 0));
    std::vector<QString> order(epcs.cbegin(), epcs.cend());
    for (size_t i = static_cast<size_t>(qMin<qsizetype>(sum.inScope, epcs.size())); i < order.size(); ++i)
        std::swap(order[i], order[rng() % (i + 1)]);
    const int repeats = qMax(1, o.maxRepeats);
    for (const QString& epc : order) {
        const int n = 1 + static_cast<int>(rng() % static_cast<quint32>(repeats));
        const int antenna = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < n; ++k) {
            reads.push_back({epc, antenna, -40 - static_cast<int>(rng() % 36), t});
            t = t.addMSecs(150 + rng() % 900);
        }
    }
    while (o.reads > 0 && static_cast<int>(reads.size()) < o.reads && !order.empty()) {
        Read again = reads[rng() % reads.size()];
        again.time = t;
        t = t.addMSecs(20 + rng() % 200);
        reads.push_back(again);
    }
    sum.reads = static_cast<int>(reads.size());

    auto timeText = [](const QDateTime& d) { return d.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")); };
    switch (o.format) {
    case ScanFormat::Csv: {
        // As a reader's desktop tool saves it: byte-order mark, CRLF.
        QByteArray b = "\xEF\xBB\xBF"
                       "EPC,Antenna,RSSI,Count,Time\r\n";
        for (const Read& r : reads)
            b += QStringLiteral("%1,%2,%3,1,%4\r\n")
                     .arg(r.epc)
                     .arg(r.antenna)
                     .arg(r.rssi)
                     .arg(timeText(r.time))
                     .toUtf8();
        save(path, b);
        break;
    }
    case ScanFormat::Text: {
        // A plain list as handhelds keep it: lower case, sometimes "0x".
        QByteArray b;
        for (size_t i = 0; i < reads.size(); ++i)
            b += (((i % 7 == 3) ? QStringLiteral("0x") : QString()) + reads[i].epc.toLower() +
                  QStringLiteral("\r\n"))
                     .toLatin1();
        save(path, b);
        break;
    }
    case ScanFormat::Epcis: {
        QJsonArray events;
        for (size_t i = 0; i < reads.size(); i += 50) {
            QJsonArray list;
            for (size_t j = i; j < qMin(reads.size(), i + 50); ++j)
                list.append(
                    QStringLiteral("urn:epc:raw:%1.x%2").arg(reads[j].epc.size() * 4).arg(reads[j].epc));
            events.append(QJsonObject{
                {QStringLiteral("type"), QStringLiteral("ObjectEvent")},
                {QStringLiteral("eventTime"), timeText(reads[i].time) + QStringLiteral("+09:00")},
                {QStringLiteral("eventTimeZoneOffset"), QStringLiteral("+09:00")},
                {QStringLiteral("action"), QStringLiteral("OBSERVE")},
                {QStringLiteral("bizStep"), QStringLiteral("cycle_counting")},
                {QStringLiteral("readPoint"),
                 QJsonObject{{QStringLiteral("id"),
                              QStringLiteral("urn:epc:id:sgln:0000000.00000.%1").arg(reads[i].antenna)}}},
                {QStringLiteral("epcList"), list}});
        }
        const QJsonObject doc{
            {QStringLiteral("@context"),
             QJsonArray{QStringLiteral("https://ref.gs1.org/standards/epcis/epcis-context.jsonld")}},
            {QStringLiteral("type"), QStringLiteral("EPCISDocument")},
            {QStringLiteral("schemaVersion"), QStringLiteral("2.0")},
            {QStringLiteral("creationDate"),
             timeText(QDateTime::currentDateTime()) + QStringLiteral("+09:00")},
            {QStringLiteral("epcisBody"), QJsonObject{{QStringLiteral("eventList"), events}}}};
        save(path, QJsonDocument(doc).toJson());
        break;
    }
    case ScanFormat::Xls: {
        QString error;
        if (reads.size() + 1 > static_cast<size_t>(spreadsheet::kXlsMaxRows))
            throw RuntimeError(
                QStringLiteral("An .xls sheet holds at most %1 reads.").arg(spreadsheet::kXlsMaxRows - 1));
        const QStringList head = {QStringLiteral("EPC"), QStringLiteral("Antenna"), QStringLiteral("RSSI"),
                                  QStringLiteral("Time")};
        if (!spreadsheet::writeXls(
                path,
                {spreadsheet::XlsSheet{QStringLiteral("Reads"), static_cast<int>(reads.size()) + 1, 4,
                                       [&](int r, int c) -> QString {
                                           if (r == 0)
                                               return head[c];
                                           const Read& x = reads[static_cast<size_t>(r - 1)];
                                           return c == 0   ? x.epc
                                                  : c == 1 ? QString::number(x.antenna)
                                                  : c == 2 ? QString::number(x.rssi)
                                                           : timeText(x.time);
                                       },
                                       spreadsheet::numberColumns({1, 2})}},
                &error))
            throw RuntimeError(error);
        break;
    }
    }
    return sum;
}

} // namespace audit
