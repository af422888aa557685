#include "main/database/SqlDialect.h"

#include "main/database/DbConn.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QStringList>

namespace database {

namespace {

const QRegularExpression& sequenceRead() {
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*select\s+([A-Za-z_][A-Za-z0-9_$#]*)\.nextval\s+from\s+dual\s*;?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    return re;
}

// A statement's closing "order by" of plain column keys.
const QRegularExpression& closingOrder() {
    static const QRegularExpression re(QStringLiteral(R"(\border\s+by\s+([A-Za-z0-9_$#.,\s]+?)\s*;?\s*$)"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

// nvl(a, b) outside quoted literals as SQLite's own ifnull(a, b): the same
// value, without a call into the program for every row.
QString withBuiltInNvl(const QString& sql) {
    QString out;
    bool quoted = false;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (c == u'\'')
            quoted = !quoted;
        const bool wordStart = i == 0 || !(sql[i - 1].isLetterOrNumber() || sql[i - 1] == u'_' ||
                                           sql[i - 1] == u'.' || sql[i - 1] == u'$' || sql[i - 1] == u'#');
        if (!quoted && wordStart && sql.mid(i, 3).compare(QLatin1String("nvl"), Qt::CaseInsensitive) == 0) {
            qsizetype j = i + 3;
            while (j < sql.size() && sql[j].isSpace())
                ++j;
            if (j < sql.size() && sql[j] == u'(') {
                out += QLatin1String("ifnull");
                i += 2;
                continue;
            }
        }
        out += c;
    }
    return out;
}

// SQLite takes NULL as the smallest value; Oracle and PostgreSQL as the largest.
QString withServerNullOrder(const QString& sql) {
    const QRegularExpressionMatch m = closingOrder().match(sql);
    if (!m.hasMatch())
        return sql;
    QStringList keys = m.captured(1).split(QLatin1Char(','));
    for (QString& key : keys) {
        key = key.trimmed();
        if (key.contains(QLatin1String("nulls"), Qt::CaseInsensitive))
            continue;
        key += key.endsWith(QLatin1String(" desc"), Qt::CaseInsensitive) ? QStringLiteral(" nulls first")
                                                                         : QStringLiteral(" nulls last");
    }
    return sql.left(m.capturedStart(1)) + keys.join(QStringLiteral(", "));
}

} // namespace

QString dialectStatement(SqlDialect dialect, const QString& sql, QString* sequence) {
    if (dialect == SqlDialect::Oracle)
        return sql;
    const QRegularExpressionMatch m = sequenceRead().match(sql);
    if (!m.hasMatch())
        return dialect == SqlDialect::Embedded ? withServerNullOrder(withBuiltInNvl(sql)) : sql;
    const QString name = m.captured(1).toUpper();
    if (sequence)
        *sequence = name;
    if (dialect == SqlDialect::PostgreSQL)
        return QStringLiteral("select nextval('%1') as nextval").arg(sqlText(name.toLower()));
    // One statement: two connections can never read the same value.
    return QStringLiteral("update sys_sequences set last_value = last_value + increment_by"
                          " where seq_name = '%1' returning last_value as nextval")
        .arg(sqlText(name));
}

QString literalProcedureCall(const QString& procedure, const QList<QPair<QString, QString>>& parameters) {
    QStringList values;
    for (const auto& p : parameters)
        values << QLatin1Char('\'') + sqlText(p.second) + QLatin1Char('\'');
    return QStringLiteral("call %1(%2)").arg(procedure, values.join(QStringLiteral(", ")));
}

QString pingStatement(SqlDialect dialect) {
    return dialect == SqlDialect::Oracle ? QStringLiteral("select 1 from dual") : QStringLiteral("select 1");
}

bool parseServerAddress(const QString& dataSource, ServerAddress& address) {
    static const QRegularExpression re(QStringLiteral(R"(^\s*([^:/\s]+)(?::(\d{1,5}))?/([^/\s]+)\s*$)"));
    const QRegularExpressionMatch m = re.match(dataSource);
    if (!m.hasMatch())
        return false;
    address.host = m.captured(1);
    address.port = m.captured(2).isEmpty() ? 5432 : m.captured(2).toInt();
    address.database = m.captured(3);
    return address.port > 0 && address.port < 65536;
}

} // namespace database
