#pragma once
// The embedded item database: an SQLite file that carries the same tables as
// the site's Oracle schema, plus what the program's statements expect from
// Oracle so that they run unchanged there:
//  - the function nvl(a, b) and the one-row table dual;
//  - the sequence SEQ_SLFRFID_SERIALNO: "select X.nextval from dual" draws the
//    next value of sequence X from the table sys_sequences in one atomic
//    statement, so no value is handed out twice, whichever connection or run
//    asks;
//  - the stored procedures SP_SLARFIDB_TAG_PRINT and SP_SLARFIDB_TAG_REMOVE,
//    kept as statements in the table sys_procedures and run in one
//    transaction with their parameters as quoted literals;
//  - an empty tag_id or del_ymd is stored as NULL, as Oracle does with ''.
#include <QByteArrayView>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QSqlDatabase;
struct sqlite3;
struct sqlite3_stmt;

namespace database {

class DbConnection;

// Per-connection set-up after opening: nvl, Oracle-like case-sensitive LIKE.
// Throws platform::RuntimeError when the SQLite handle is not reachable.
void prepareEmbeddedConnection(QSqlDatabase& db);

// A query on the embedded database, its rows taken one by one as SQLite
// steps through them; throws platform::RuntimeError with the database's text.
class EmbeddedQuery {
public:
    EmbeddedQuery(QSqlDatabase& db, const QString& sql);
    ~EmbeddedQuery();
    Q_DISABLE_COPY(EmbeddedQuery)

    const QStringList& columns() const { return m_columns; }
    // Moves to the next row; false after the last.
    bool next();
    bool isNull(int column) const;
    // A number as the server shows it, any other value as text; null is empty.
    QString text(int column) const;

private:
    // The texts a column repeats (codes, names) are made once: a few recent
    // values per column by their bytes. A column whose values rarely repeat
    // stops looking after a while.
    struct Recent {
        QByteArray bytes;
        QString text;
    };
    struct ColumnMemo {
        std::vector<Recent> recent;
        int lookups = 0;
        int hits = 0;
        bool off = false;
    };
    QString textOf(int column, const char* utf8, int size) const;

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
    QStringList m_columns;
    mutable std::vector<ColumnMemo> m_memo;
};

// Runs a query on the embedded database and reads all its rows; throws
// platform::RuntimeError with the database's text.
struct ResultRows;
ResultRows queryEmbedded(QSqlDatabase& db, const QString& sql);

// Streams a query's rows on the embedded database without keeping them:
// `row` gets each row's values as UTF-8 text, valid during the call (a number
// as the server shows it, null as an empty text). For one pass over a very
// large table. Throws platform::RuntimeError with the database's text.
void streamEmbedded(QSqlDatabase& db, const QString& sql,
                    const std::function<void(const QByteArrayView* values)>& row);

// Runs a stored procedure of the embedded database; throws
// platform::RuntimeError (nothing is changed when any step fails). Inside a
// write transaction the steps join it.
void callEmbeddedProcedure(DbConnection& conn, const QString& procedure,
                           const QList<QPair<QString, QString>>& parameters);

// Creates every table, index, trigger, the sequence and both procedures in an
// open, empty embedded database.
void createSchema(DbConnection& conn);

// Names of the history table and the two procedures.
inline constexpr const char* kTagHistoryTable = "slfanrfidtaghist";
inline constexpr const char* kProcTagPrint = "SP_SLARFIDB_TAG_PRINT";
inline constexpr const char* kProcTagRemove = "SP_SLARFIDB_TAG_REMOVE";
inline constexpr const char* kSerialSequence = "SEQ_SLFRFID_SERIALNO";
// The open tag claims of the workstations (TagClaims.h).
inline constexpr const char* kClaimTable = "slfanrfidclaim";

// The claim table of the embedded schema; an embedded file made before it
// existed gets it when opened.
QString claimTableStatement();

// Names of the inventory audit tables and their sequence.
inline constexpr const char* kAuditTable = "slfanrfidaudit";
inline constexpr const char* kAuditRowTable = "slfanrfidauditrow";
inline constexpr const char* kAuditSequence = "SEQ_SLFRFID_AUDITNO";
// Their statements in the embedded schema; an embedded file made before
// audits were kept gets them when opened.
QStringList auditSchemaStatements();

} // namespace database
