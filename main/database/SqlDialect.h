#pragma once
// The few statements a server spells its own way. The program's statements
// are written once, in the site's Oracle texts; the dialect of the server a
// connection reaches supplies the sequence read and the procedure call where
// they differ.
#include <QList>
#include <QPair>
#include <QString>

class QSqlError;

namespace database {

enum class SqlDialect { Embedded, Oracle, PostgreSQL };

// The statement the server runs for a program statement: the sequence read
// "select X.nextval from dual" becomes the server's own; on the embedded
// database a closing "order by" puts empty (NULL) keys where the servers do,
// last in rising order and first in falling, and nvl is SQLite's ifnull;
// everything else is unchanged.
// `sequence` receives the sequence name when it was rewritten.
QString dialectStatement(SqlDialect dialect, const QString& sql, QString* sequence = nullptr);

// A procedure call with its values as quoted literals (apostrophes doubled),
// for servers whose drivers cannot bind the parameters of a procedure call.
QString literalProcedureCall(const QString& procedure, const QList<QPair<QString, QString>>& parameters);

// The statement that checks a connection still reaches its server.
QString pingStatement(SqlDialect dialect);

// A PostgreSQL data source "HOST[:PORT]/DBNAME".
struct ServerAddress {
    QString host;
    int port = 5432;
    QString database;
};
// False when the text is not of that form.
bool parseServerAddress(const QString& dataSource, ServerAddress& address);

} // namespace database
