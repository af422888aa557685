#pragma once
// The process's one database connection `gDbConn` and the two ways the
// program uses it: a query whose rows are all read at once (a client-side
// cursor, so the record count is known before the first row is taken), and a
// stored-procedure call with named text parameters.
//
// What the connection opens depends on the data source of the login: a file
// name ending ".db", ".sqlite" or ".sqlite3" opens the embedded item database
// (see EmbeddedDb.h); provider kind "3" opens a PostgreSQL server
// "HOST[:PORT]/DBNAME" through QPSQL; anything else is a server data source,
// reached through Qt's QOCI driver for provider kind "2" (a TNS name) and
// through QODBC for every other kind (an ODBC DSN or connection string). The
// server the connection reaches chooses the SQL dialect (SqlDialect.h).
//
// Numbers from a server are read as exact text, never through a double.
#include "main/database/SqlDialect.h"
#include "main/settings/DbSettings.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

namespace database {

// Places a value inside a quoted SQL literal: apostrophes doubled, so that an
// apostrophe in a search box can neither break a statement nor change it.
QString sqlText(const QString& value);

// The text of a database error as the operator sees it: the database's own
// message when there is one, else the driver's.
QString sqlErrorText(const QSqlError& error);

// The connection string of the login for a provider kind ("2" selects
// oraOLEDB.oracle.1, anything else MSDAORA), concatenated as typed.
QString connectionString(const QString& providerKind, const QString& dataSource, const QString& user,
                         const QString& password);

using settings::isEmbeddedSource;
// The embedded database file of a data source: relative names are taken from
// the program directory.
QString embeddedPath(const QString& dataSource);

class DbConnection {
public:
    explicit DbConnection(const QString& name);
    ~DbConnection();
    Q_DISABLE_COPY(DbConnection)

    // Opens the connection (10-second login timeout where the driver has one).
    // Throws platform::RuntimeError with the driver's text on failure; a
    // missing Qt driver is named with what to install.
    void open(const QString& dataSource, const QString& user, const QString& password,
              const QString& providerKind);
    void close();
    bool isOpen() const;
    bool isEmbedded() const { return m_embedded; }
    SqlDialect dialect() const { return m_dialect; }
    // The string built at opening; kept, never used again.
    QString connectionStringText() const { return m_connectionString; }
    QString name() const { return m_name; }
    QSqlDatabase database() const;

    // Before a search or a run: when a server connection no longer reaches
    // its server (a restart, a network break), it is opened once more with
    // the login's values. Throws platform::RuntimeError when that fails.
    void reconnectIfLost();

    // A short write transaction: the embedded database takes its write lock
    // at once (waiting for another workstation's transaction to end), a
    // server opens a transaction. endWrite commits (`keep`) or rolls back;
    // it does nothing without one. Both throw platform::RuntimeError.
    void beginWrite();
    void endWrite(bool keep);
    bool inWrite() const { return m_inWrite; }

    // Runs a statement that returns no rows (schema set-up, maintenance).
    void execute(const QString& sql);
    // Calls a stored procedure with its input parameters in order.
    void callProcedure(const QString& procedure, const QList<QPair<QString, QString>>& parameters);

    // What a statement run for every tag gave: its rows (exact numbers as
    // text) and, for a change, the rows it changed.
    struct Rows {
        QList<QVariantList> rows;
        int changed = 0;
    };
    // Runs a statement the connection keeps prepared from its first use
    // until it is closed, with `values` bound to its "?" marks in order (a
    // QVariant without a type is NULL, text is never); the rows are read
    // and the statement reset before it returns. Throws
    // platform::RuntimeError.
    Rows runPrepared(const QString& sql, const QVariantList& values = {});
    // How often the process opened a connection: what an answer about the
    // database it reaches belongs to.
    quint64 openings() const { return m_openings; }

private:
    struct Prepared;
    void openDriver();

    QString m_name;
    QString m_connectionString;
    QString m_dataSource, m_user, m_password, m_providerKind;
    SqlDialect m_dialect = SqlDialect::Oracle;
    bool m_embedded = false;
    bool m_registered = false;
    bool m_inWrite = false;
    bool m_lost = false; // a reconnection failed: the next one tries again
    std::unique_ptr<Prepared> m_prepared;
    quint64 m_openings = 0;
};

// The rows of a query as read: column names, then the values row after row.
struct ResultRows {
    QStringList columns;
    std::vector<QString> cells;
    std::vector<char> nulls;
    int rows = 0;
};

// A query's rows, read completely when it opens.
class Recordset {
public:
    // Runs the statement on the connection; throws platform::RuntimeError.
    Recordset(DbConnection& conn, const QString& sql);

    int recordCount() const { return m_result.rows; }
    bool eof() const { return m_current >= m_result.rows; }
    void moveNext() { ++m_current; }

    // Column position of a field name (names compare case-insensitively);
    // throws when the result has no such column.
    int column(const QString& fieldName) const;
    // The current row's value; null reads as empty text.
    QString text(int column) const;
    QString text(const QString& fieldName) const { return text(column(fieldName)); }
    bool isNull(int column) const;
    bool isNull(const QString& fieldName) const { return isNull(column(fieldName)); }

private:
    size_t cell(int column) const;

    ResultRows m_result;
    int m_current = 0;
};

class EmbeddedQuery;

// A query's rows one after the other as the database sends them, for results
// too large to hold twice: only the current row is kept.
class RowStream {
public:
    // Runs the statement on the connection; throws platform::RuntimeError.
    RowStream(DbConnection& conn, const QString& sql);
    ~RowStream();
    Q_DISABLE_COPY(RowStream)

    // Column position of a field name (case-insensitive); throws when absent.
    int column(const QString& fieldName) const;
    // Moves to the next row (the first on the first call); false after the
    // last. Throws platform::RuntimeError when reading fails.
    bool next();
    // The current row's value; null reads as empty text.
    QString text(int column) const;

private:
    QStringList m_columns;
    std::unique_ptr<EmbeddedQuery> m_embedded;
    std::unique_ptr<QSqlQuery> m_server;
};

// The stored-procedure call: parameters appended in order, then their values
// set by name, then executed on the connection.
class ProcedureCall {
public:
    ProcedureCall(const QString& procedure, const QStringList& parameterNames);
    // Throws when the procedure has no parameter of that name.
    void setValue(const QString& parameter, const QString& value);
    QString value(const QString& parameter) const;
    void execute(DbConnection& conn) const;

private:
    QString m_procedure;
    QList<QPair<QString, QString>> m_parameters;
};

// The process's connection and the logged-in user id (the procedures' TUSER).
extern DbConnection gDbConn;
extern QString gUserId;

} // namespace database
