#include "main/audit/ScanFile.h"

#include "main/audit/TagDecode.h"
#include "main/spreadsheet/CsvReader.h"
#include "main/spreadsheet/XlsReader.h"
#include "platform/RuntimeError.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace audit {

using platform::RuntimeError;

namespace {

using Table = QList<QStringList>;

// Header cells compared without case, blanks and punctuation: "EPC", "Tag ID",
// "EPC_ID", "epc-hex" all name the EPC column.
QString headerKey(const QString& name) {
    QString k;
    for (QChar c : name.toLower())
        if (c.isLetterOrNumber())
            k += c;
    return k;
}

bool isEpcHeader(const QString& name) {
    static const QStringList names = {QStringLiteral("epc"),      QStringLiteral("tagid"),
                                      QStringLiteral("epcid"),    QStringLiteral("epchex"),
                                      QStringLiteral("epcdata"),  QStringLiteral("epccode"),
                                      QStringLiteral("epcvalue"), QStringLiteral("tag"),
                                      QStringLiteral("tagepc"),   QStringLiteral("uii")};
    return names.contains(headerKey(name));
}

QString noEpcColumn(const QString& fileName) {
    return QStringLiteral("%1: EPC 열을 찾을 수 없습니다. 한 줄에 EPC(16진수) 하나씩 있거나, 첫 행에 "
                          "EPC, TagID 또는 EPC ID 열 이름이 있는 파일이어야 합니다.")
        .arg(fileName);
}

void report(const std::function<void(int)>& progress, qsizetype done, qsizetype total) {
    if (progress && total > 0 && (done % qMax<qsizetype>(1, total / 100) == 0 || done == total))
        progress(static_cast<int>(done * 100 / total));
}

// The reads of a table: a header row naming the EPC column within the first
// rows, or no header and an EPC in the first column.
void readTable(const Table& table, ScanFile& scan, const std::function<void(int)>& progress) {
    int header = -1, epcCol = -1;
    for (int r = 0; r < qMin<qsizetype>(table.size(), 10) && header < 0; ++r)
        for (int c = 0; c < table[r].size(); ++c)
            if (isEpcHeader(table[r][c])) {
                header = r;
                epcCol = c;
                break;
            }
    QList<int> extraCols;
    int first = header + 1;
    if (header >= 0) {
        for (int c = 0; c < table[header].size(); ++c)
            if (c != epcCol && !table[header][c].trimmed().isEmpty()) {
                extraCols << c;
                scan.extraColumns << table[header][c].trimmed();
            }
    } else {
        first = 0;
        while (first < table.size() && table[first].join(QString()).trimmed().isEmpty())
            ++first;
        if (first == table.size() || !looksLikeEpc(table[first].value(0)))
            throw RuntimeError(noEpcColumn(scan.fileName));
        epcCol = 0;
    }
    scan.reads.reserve(static_cast<size_t>(table.size() - first));
    for (int r = first; r < table.size(); ++r) {
        const QStringList& row = table[r];
        const QString epc = row.value(epcCol).trimmed();
        if (!epc.isEmpty()) {
            ScanRead read{epc, {}};
            for (int c : extraCols)
                read.extra << row.value(c).trimmed();
            scan.reads.push_back(std::move(read));
        }
        report(progress, r + 1, table.size());
    }
}

// Tab- or semicolon-separated text: fields split at the separator, quotes
// around a field dropped.
Table splitLines(QStringView text, QChar sep) {
    Table t;
    for (QStringView line : text.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        QStringList fields;
        for (QStringView f : line.split(sep)) {
            f = f.trimmed();
            if (f.size() >= 2 && f.startsWith(u'"') && f.endsWith(u'"'))
                f = f.mid(1, f.size() - 2);
            fields << f.toString();
        }
        t << fields;
    }
    return t;
}

Table textTable(const QByteArray& bytes) {
    const QString text = spreadsheet::decodeCsvText(bytes);
    // The separator of the first lines (a title line may come before the header).
    qsizetype end = 0;
    for (int i = 0; i < 10 && end >= 0 && end < text.size(); ++i)
        end = text.indexOf(QLatin1Char('\n'), end + 1);
    const QStringView head = QStringView(text).left(end < 0 ? text.size() : end);
    const qsizetype tabs = head.count(u'\t'), semis = head.count(u';'), commas = head.count(u',');
    if (tabs > 0 && tabs >= semis && tabs >= commas)
        return splitLines(text, u'\t');
    if (semis > commas)
        return splitLines(text, u';');
    return spreadsheet::parseCsv(text);
}

QString idOf(const QJsonValue& v) {
    if (v.isObject())
        return v.toObject().value(QStringLiteral("id")).toString();
    return v.toString();
}

// Every object event's epcList, wherever the document keeps its events
// (a document body, a query result, a bare list or one event).
void collectEvents(const QJsonValue& v, ScanFile& scan, bool& sawList) {
    if (v.isArray()) {
        for (const QJsonValue& e : v.toArray())
            collectEvents(e, scan, sawList);
        return;
    }
    if (!v.isObject())
        return;
    const QJsonObject o = v.toObject();
    const QString type =
        o.value(QStringLiteral("type")).toString(o.value(QStringLiteral("eventType")).toString());
    if (o.contains(QStringLiteral("epcList")) && (type.isEmpty() || type == QLatin1String("ObjectEvent"))) {
        sawList = true;
        const QStringList extra = {o.value(QStringLiteral("eventTime")).toString(),
                                   idOf(o.value(QStringLiteral("readPoint"))),
                                   idOf(o.value(QStringLiteral("bizLocation")))};
        for (const QJsonValue& epc : o.value(QStringLiteral("epcList")).toArray())
            if (!epc.toString().trimmed().isEmpty())
                scan.reads.push_back({epc.toString().trimmed(), extra});
        return;
    }
    for (auto it = o.begin(); it != o.end(); ++it)
        if (it.value().isObject() || it.value().isArray())
            collectEvents(it.value(), scan, sawList);
}

void readEpcis(const QByteArray& bytes, ScanFile& scan) {
    QJsonParseError error;
    const QJsonDocument doc =
        QJsonDocument::fromJson(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes, &error);
    if (doc.isNull())
        throw RuntimeError(QStringLiteral("%1: JSON 문서를 읽을 수 없습니다 (%2번째 글자: %3).")
                               .arg(scan.fileName)
                               .arg(error.offset)
                               .arg(error.errorString()));
    scan.extraColumns = {QStringLiteral("eventTime"), QStringLiteral("readPoint"),
                         QStringLiteral("bizLocation")};
    bool sawList = false;
    collectEvents(doc.isArray() ? QJsonValue(doc.array()) : QJsonValue(doc.object()), scan, sawList);
    if (!sawList)
        throw RuntimeError(
            QStringLiteral("%1: EPCIS 문서에 epcList가 있는 ObjectEvent가 없습니다.").arg(scan.fileName));
}

} // namespace

ScanFile readScanFile(const QString& path, const std::function<void(int)>& progress) {
    ScanFile scan;
    scan.fileName = QFileInfo(path).fileName();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw RuntimeError(QStringLiteral("%1: 파일을 열 수 없습니다 (%2).").arg(path, f.errorString()));
    const QByteArray bytes = f.readAll();
    f.close();
    scan.sha256 = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    if (progress)
        progress(0);

    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("xls")) {
        const auto book = spreadsheet::openXlsWorkbook(path);
        Table t;
        for (int r = 1; r <= book->lastUsedRow(); ++r) {
            QStringList row;
            for (int c = 1; c <= 64; ++c)
                row << book->cellText(r, c);
            while (!row.isEmpty() && row.last().isEmpty())
                row.removeLast();
            t << row;
        }
        readTable(t, scan, progress);
    } else {
        const QByteArray head = bytes.left(64).trimmed();
        const bool json = suffix == QLatin1String("json") || suffix == QLatin1String("jsonld") ||
                          head.startsWith('{') || head.startsWith('[') || head.startsWith("\xEF\xBB\xBF{") ||
                          head.startsWith("\xEF\xBB\xBF[");
        if (json)
            readEpcis(bytes, scan);
        else
            readTable(textTable(bytes), scan, progress);
    }
    if (scan.reads.empty())
        throw RuntimeError(QStringLiteral("%1: 읽은 EPC가 하나도 없습니다.").arg(scan.fileName));
    if (progress)
        progress(100);
    return scan;
}

} // namespace audit
