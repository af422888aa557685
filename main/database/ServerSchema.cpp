#include "main/database/ServerSchema.h"

#include "main/database/DbConn.h"
#include "platform/RuntimeError.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace database {

extern const char* const kPostgresSchemaText;

using platform::RuntimeError;

QStringList serverSchemaStatements() {
    QStringList statements;
    QString current;
    bool inBody = false; // inside a $$-quoted procedure body
    for (const QString& line : QString::fromUtf8(kPostgresSchemaText).split(QLatin1Char('\n'))) {
        const QString t = line.trimmed();
        if (!inBody && t.startsWith(QLatin1String("-- Site rows")))
            break;
        if (!inBody && (t.isEmpty() || t.startsWith(QLatin1String("--"))))
            continue;
        if (t.count(QLatin1String("$$")) % 2 == 1)
            inBody = !inBody;
        current += line + QLatin1Char('\n');
        if (!inBody && t.endsWith(QLatin1Char(';'))) {
            statements << current.trimmed();
            current.clear();
        }
    }
    return statements;
}

bool parseServerUrl(const QString& url, ServerLogin& login) {
    const QUrl u(url, QUrl::StrictMode);
    const QString path = u.path();
    if (!u.isValid() ||
        (u.scheme() != QLatin1String("postgresql") && u.scheme() != QLatin1String("postgres")) ||
        u.host().isEmpty() || path.size() < 2 || path.indexOf(QLatin1Char('/'), 1) >= 0)
        return false;
    login.dataSource = u.host() + QLatin1Char(':') + QString::number(u.port(5432)) + path;
    login.user = u.userName();
    login.password = u.password();
    return true;
}

DemoSummary createDemoServerDatabase(const ServerLogin& login, int purchases, quint32 seed) {
    DbConnection conn(QStringLiteral("init-db-server"));
    conn.open(login.dataSource, login.user, login.password, QStringLiteral("3"));
    QSqlDatabase db = conn.database();
    // PostgreSQL undoes schema statements too: a failure leaves the database empty.
    if (!db.transaction())
        throw RuntimeError(sqlErrorText(db.lastError()));
    try {
        for (const QString& sql : serverSchemaStatements()) {
            QSqlQuery q(db);
            if (!q.exec(sql))
                throw RuntimeError(sqlErrorText(q.lastError()));
        }
        const DemoSummary sum = fillDemoRows(conn, purchases, seed);
        if (!db.commit())
            throw RuntimeError(sqlErrorText(db.lastError()));
        // The planner's statistics of the tables just filled, as the server's
        // own analysis would make them a while later: a search before it
        // plans for empty tables (a million rows searched 0.8 s slower).
        QSqlQuery analyze(db);
        if (!analyze.exec(QStringLiteral("analyze")))
            throw RuntimeError(sqlErrorText(analyze.lastError()));
        return sum;
    } catch (...) {
        db.rollback();
        throw;
    }
}

} // namespace database
