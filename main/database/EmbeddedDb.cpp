#include "main/database/EmbeddedDb.h"

#include "main/database/DbConn.h"
#include "main/tagdata/TagData.h"
#include "platform/ProgramDir.h"
#include "platform/RuntimeError.h"

#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <cstring>
#include <sqlite3.h>

namespace database {

using platform::RuntimeError;

namespace {

// nvl(a, b): a unless it is NULL.
void nvlFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc != 2) {
        sqlite3_result_error(ctx, "nvl takes two arguments", -1);
        return;
    }
    sqlite3_result_value(ctx, sqlite3_value_type(argv[0]) == SQLITE_NULL ? argv[1] : argv[0]);
}

sqlite3* handleOf(QSqlDatabase& db) {
    const QVariant v = db.driver()->handle();
    if (v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0)
        return *static_cast<sqlite3* const*>(v.constData());
    return nullptr;
}

void run(QSqlDatabase& db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql))
        throw RuntimeError(sqlErrorText(q.lastError()));
}

const QRegularExpression& placeholder() {
    static const QRegularExpression re(QStringLiteral(R"(:([A-Z_][A-Z0-9_]*))"));
    return re;
}

// The tag id as the purchase keeps it: the full id without its prefix.
QString storedTagId() {
    const QString prefix = QLatin1String(tagdata::kTagPrefix);
    return QStringLiteral(
               "case when substr(:TAGIDFULL, 1, %1) = '%2' then substr(:TAGIDFULL, %3) else :TAGIDFULL end")
        .arg(prefix.size())
        .arg(prefix)
        .arg(prefix.size() + 1);
}

const char* kStamp = "strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime')";

} // namespace

QStringList auditSchemaStatements() {
    return QStringList{
        QStringLiteral("create table if not exists slfanrfidaudit ("
                       " audit_no number(10) not null primary key,"
                       " audit_dt varchar2(19) not null,"
                       " usr_sid varchar2(20),"
                       " scope varchar2(400) not null,"
                       " file_nm varchar2(260),"
                       " file_sha256 varchar2(64),"
                       " read_cnt number(10) not null,"
                       " found_cnt number(10) not null,"
                       " missing_cnt number(10) not null,"
                       " elsewhere_cnt number(10) not null,"
                       " withdrawn_cnt number(10) not null,"
                       " unknown_cnt number(10) not null,"
                       " foreign_cnt number(10) not null,"
                       " untagged_cnt number(10) not null)"),
        QStringLiteral("create table if not exists slfanrfidauditrow ("
                       " audit_no number(10) not null,"
                       " row_no number(10) not null,"
                       " category varchar2(10) not null,"
                       " tag_id varchar2(40),"
                       " epc varchar2(128),"
                       " purc_sno varchar2(20),"
                       " dept_code varchar2(10),"
                       " atcl_cat_no varchar2(10),"
                       " purc_ymd varchar2(8),"
                       " chg_amt number(15),"
                       " read_cnt number(10) not null,"
                       " note varchar2(200),"
                       " read_info varchar2(400),"
                       " primary key (audit_no, row_no))"),
        QStringLiteral("create index if not exists ix_slfanrfidauditrow_sno on slfanrfidauditrow (purc_sno)"),
        QStringLiteral("create index if not exists ix_slfanrfidtaghist_tag on %1 (tagidfull)")
            .arg(QLatin1String(kTagHistoryTable)),
        QStringLiteral(
            "insert or ignore into sys_sequences (seq_name, last_value, increment_by) values ('%1', 0, 1)")
            .arg(QLatin1String(kAuditSequence))};
}

QString claimTableStatement() {
    return QStringLiteral("create table if not exists %1 ("
                          " purc_sno varchar2(20) not null primary key,"
                          " tag_id varchar2(40) not null unique,"
                          " tagidfull varchar2(100) not null,"
                          " seq_no varchar2(20) not null,"
                          " run_kind number(1) not null,"
                          " old_tag_id varchar2(40),"
                          " ws_id varchar2(40) not null,"
                          " ws_name varchar2(100),"
                          " pdaid varchar2(100),"
                          " ip_addr varchar2(100),"
                          " tform varchar2(100),"
                          " tuser varchar2(100),"
                          " claimed_at varchar2(23) not null)")
        .arg(QLatin1String(kClaimTable));
}

namespace {

QStringList schemaStatements() {
    QStringList s;
    s << QStringLiteral("create table slfanrfidmaster ("
                        " purc_sno varchar2(20) not null primary key,"
                        " atcl_cat_no varchar2(10),"
                        " atcl_siz_no varchar2(10),"
                        " dept_code varchar2(10),"
                        " purc_ymd varchar2(8),"
                        " chg_amt number(15),"
                        " tag_proc varchar2(1),"
                        " tag_id varchar2(40))")
      << QStringLiteral("create index ix_slfanrfidmaster_ymd on slfanrfidmaster (purc_ymd)")
      << QStringLiteral("create index ix_slfanrfidmaster_tag on slfanrfidmaster (tag_id)")
      << QStringLiteral("create table slfanrfidspec ("
                        " atcl_cat_no varchar2(10) not null,"
                        " atcl_siz_no varchar2(10) not null,"
                        " atcl_siz_nm varchar2(200),"
                        " primary key (atcl_cat_no, atcl_siz_no))")
      << QStringLiteral("create table slfanrfiditem ("
                        " atcl_cat_no varchar2(10) not null primary key,"
                        " atcl_cat_nm varchar2(200))")
      << QStringLiteral("create table slfanrfiddept ("
                        " dept_code varchar2(10) not null primary key,"
                        " dept_nm varchar2(100),"
                        " del_ymd varchar2(8))")
      << QStringLiteral("create table slfanrfidcommon ("
                        " code_id varchar2(10) not null,"
                        " code varchar2(20),"
                        " code_ctn varchar2(200))")
      << QStringLiteral("create table slfanrfidauth ("
                        " usr_sid varchar2(20) not null primary key,"
                        " usr_nm varchar2(50))")
      << QStringLiteral("create table %1 ("
                        " hist_sno integer primary key autoincrement,"
                        " proc_name varchar2(30) not null,"
                        " pdaid varchar2(100),"
                        " tagidfull varchar2(100),"
                        " ip_addr varchar2(100),"
                        " purc_sno varchar2(100),"
                        " tform varchar2(100),"
                        " twhy varchar2(100),"
                        " tuser varchar2(100),"
                        " proc_dt varchar2(23) not null)")
             .arg(QLatin1String(kTagHistoryTable))
      << QStringLiteral("create table dual (dummy varchar2(1))")
      << QStringLiteral("insert into dual (dummy) values ('X')")
      << QStringLiteral("create table sys_sequences ("
                        " seq_name varchar2(30) not null primary key,"
                        " last_value number not null,"
                        " increment_by number not null default 1)")
      << QStringLiteral("insert into sys_sequences (seq_name, last_value, increment_by) values ('%1', 0, 1)")
             .arg(QLatin1String(kSerialSequence))
      << QStringLiteral("create table sys_procedures ("
                        " proc_name varchar2(30) not null,"
                        " step_no number not null,"
                        " body varchar2(2000) not null,"
                        " primary key (proc_name, step_no))")
      << claimTableStatement();
    s << auditSchemaStatements();
    // Oracle keeps '' as NULL; the searches' "is NULL" tests rely on it.
    for (const auto& [table, col] :
         {std::pair{"slfanrfidmaster", "tag_id"}, std::pair{"slfanrfiddept", "del_ymd"}}) {
        const QString t = QLatin1String(table), c = QLatin1String(col);
        s << QStringLiteral("create trigger trg_%1_%2_ins after insert on %1 when new.%2 = '' begin"
                            " update %1 set %2 = null where rowid = new.rowid; end")
                 .arg(t, c)
          << QStringLiteral("create trigger trg_%1_%2_upd after update of %2 on %1 when new.%2 = '' begin"
                            " update %1 set %2 = null where rowid = new.rowid; end")
                 .arg(t, c);
    }
    const QString print = QLatin1String(kProcTagPrint), remove = QLatin1String(kProcTagRemove);
    const QString hist = QLatin1String(kTagHistoryTable);
    const QList<std::tuple<QString, int, QString>> steps = {
        {print, 1,
         QStringLiteral("update slfanrfidmaster set tag_id = %1, tag_proc = 'Y' where purc_sno = :PURC_SNO")
             .arg(storedTagId())},
        {print, 2,
         QStringLiteral(
             "insert into %1 (proc_name, pdaid, tagidfull, ip_addr, purc_sno, tform, tuser, proc_dt)"
             " values ('%2', :PDAID, :TAGIDFULL, :IP_ADDR, :PURC_SNO, :TFORM, :TUSER, %3)")
             .arg(hist, print, QLatin1String(kStamp))},
        {remove, 1,
         QStringLiteral("update slfanrfidmaster set tag_id = null, tag_proc = 'N' where tag_id = %1")
             .arg(storedTagId())},
        {remove, 2,
         QStringLiteral("insert into %1 (proc_name, pdaid, tagidfull, ip_addr, twhy, tuser, proc_dt)"
                        " values ('%2', :PDAID, :TAGIDFULL, :IP_ADDR, :TWHY, :TUSER, %3)")
             .arg(hist, remove, QLatin1String(kStamp))},
    };
    for (const auto& [name, no, body] : steps)
        s << QStringLiteral("insert into sys_procedures (proc_name, step_no, body) values ('%1', %2, '%3')")
                 .arg(name)
                 .arg(no)
                 .arg(sqlText(body));
    return s;
}

} // namespace

void prepareEmbeddedConnection(QSqlDatabase& db) {
    sqlite3* h = handleOf(db);
    if (!h)
        throw RuntimeError(QStringLiteral("The embedded database handle is not available."));
    if (sqlite3_create_function(h, "nvl", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, nvlFunction,
                                nullptr, nullptr) != SQLITE_OK)
        throw RuntimeError(QString::fromUtf8(sqlite3_errmsg(h)));
    // Oracle's LIKE tells capitals from small letters.
    run(db, QStringLiteral("PRAGMA case_sensitive_like = ON"));
    // A write-ahead log with one flush per checkpoint instead of two per
    // commit: a committed tag record survives a crash of the program, and an
    // issuing run is not held up by the disk's flush time after every tag.
    run(db, QStringLiteral("PRAGMA journal_mode = WAL"));
    run(db, QStringLiteral("PRAGMA synchronous = NORMAL"));
    // A file made before claims were kept gets their table; a file that is
    // not an item database (or cannot be written) is left as it is.
    {
        QSqlQuery probe(db);
        const bool itemDatabase =
            probe.exec(QStringLiteral("select 1 from sqlite_master where name = 'slfanrfidmaster'")) &&
            probe.next();
        probe.finish();
        if (itemDatabase) {
            QSqlQuery(db).exec(claimTableStatement());
            // The same for the inventory audits' tables.
            for (const QString& statement : auditSchemaStatements())
                QSqlQuery(db).exec(statement);
        }
    }
    // Every operator of the workstation writes the item database in turn.
    for (const char* ending : {"", "-wal", "-shm"})
        platform::shareWithGroup(db.databaseName() + QLatin1String(ending));
    // Pages are read from the file's mapping instead of being copied in one
    // read call each: a search of a whole register reads every page.
    run(db, QStringLiteral("PRAGMA mmap_size = 1073741824"));
}

EmbeddedQuery::EmbeddedQuery(QSqlDatabase& db, const QString& sql) : m_db(handleOf(db)) {
    if (!m_db)
        throw RuntimeError(QStringLiteral("The embedded database handle is not available."));
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, text.constData(), static_cast<int>(text.size()), &m_stmt, nullptr) !=
        SQLITE_OK) {
        const QString error = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        throw RuntimeError(error);
    }
    const int n = sqlite3_column_count(m_stmt);
    for (int i = 0; i < n; ++i)
        m_columns << QString::fromUtf8(sqlite3_column_name(m_stmt, i));
}

EmbeddedQuery::~EmbeddedQuery() {
    sqlite3_finalize(m_stmt);
}

bool EmbeddedQuery::next() {
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw RuntimeError(QString::fromUtf8(sqlite3_errmsg(m_db)));
}

bool EmbeddedQuery::isNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

QString EmbeddedQuery::text(int column) const {
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_FLOAT:
        // As the server shows a number: plain digits, shortest form, never an
        // exponent ("100000", not "1e+05").
        return QString::number(sqlite3_column_double(m_stmt, column), 'f', QLocale::FloatingPointShortest);
    default: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
        return textOf(column, p, sqlite3_column_bytes(m_stmt, column));
    }
    }
}

QString EmbeddedQuery::textOf(int column, const char* utf8, int size) const {
    constexpr int kSlots = 64, kTrial = 4096;
    if (m_memo.empty())
        m_memo.resize(static_cast<size_t>(m_columns.size()));
    ColumnMemo& memo = m_memo[static_cast<size_t>(column)];
    if (memo.off || size == 0 || size > 64)
        return QString::fromUtf8(utf8, size);
    if (memo.recent.empty())
        memo.recent.resize(kSlots);
    // FNV-1a over the few bytes of a code or a name.
    quint32 h = 2166136261u;
    for (int i = 0; i < size; ++i)
        h = (h ^ static_cast<unsigned char>(utf8[i])) * 16777619u;
    Recent& slot = memo.recent[h % kSlots];
    ++memo.lookups;
    if (slot.bytes.size() == size &&
        std::memcmp(slot.bytes.constData(), utf8, static_cast<size_t>(size)) == 0) {
        ++memo.hits;
        return slot.text;
    }
    // Values that are new on most rows are not worth keeping.
    if (memo.lookups == kTrial && memo.hits < kTrial / 2) {
        memo.off = true;
        memo.recent = {};
        return QString::fromUtf8(utf8, size);
    }
    slot.bytes = QByteArray(utf8, size);
    slot.text = QString::fromUtf8(utf8, size);
    return slot.text;
}

ResultRows queryEmbedded(QSqlDatabase& db, const QString& sql) {
    EmbeddedQuery q(db, sql);
    ResultRows r;
    r.columns = q.columns();
    const int n = static_cast<int>(r.columns.size());
    while (q.next()) {
        for (int i = 0; i < n; ++i) {
            r.cells.push_back(q.text(i));
            r.nulls.push_back(q.isNull(i) ? 1 : 0);
        }
        ++r.rows;
    }
    return r;
}

void streamEmbedded(QSqlDatabase& db, const QString& sql,
                    const std::function<void(const QByteArrayView* values)>& row) {
    sqlite3* h = handleOf(db);
    if (!h)
        throw RuntimeError(QStringLiteral("The embedded database handle is not available."));
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(h, text.constData(), static_cast<int>(text.size()), &stmt, nullptr) != SQLITE_OK) {
        const QString error = QString::fromUtf8(sqlite3_errmsg(h));
        sqlite3_finalize(stmt);
        throw RuntimeError(error);
    }
    const int n = sqlite3_column_count(stmt);
    std::vector<QByteArrayView> values(static_cast<size_t>(n));
    std::vector<QByteArray> numbers(static_cast<size_t>(n));
    int rc;
    try {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            for (int i = 0; i < n; ++i) {
                if (sqlite3_column_type(stmt, i) == SQLITE_FLOAT) {
                    numbers[static_cast<size_t>(i)] = QByteArray::number(sqlite3_column_double(stmt, i), 'f',
                                                                         QLocale::FloatingPointShortest);
                    values[static_cast<size_t>(i)] = numbers[static_cast<size_t>(i)];
                    continue;
                }
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                values[static_cast<size_t>(i)] = QByteArrayView(p, p ? sqlite3_column_bytes(stmt, i) : 0);
            }
            row(values.data());
        }
    } catch (...) {
        sqlite3_finalize(stmt);
        throw;
    }
    const QString error = rc == SQLITE_DONE ? QString() : QString::fromUtf8(sqlite3_errmsg(h));
    sqlite3_finalize(stmt);
    if (!error.isEmpty())
        throw RuntimeError(error);
}

namespace {

// One step of a stored procedure as it runs: its statement with a "?" for
// each parameter mark, and the parameters' names in the order of the marks.
struct ProcedureStep {
    QString sql;
    QStringList names;
};

const ProcedureStep& stepOf(const QString& body) {
    static QHash<QString, ProcedureStep> steps; // made once a body
    auto it = steps.constFind(body);
    if (it != steps.constEnd())
        return *it;
    ProcedureStep step;
    qsizetype from = 0;
    auto marks = placeholder().globalMatch(body);
    while (marks.hasNext()) {
        const QRegularExpressionMatch m = marks.next();
        step.sql += body.mid(from, m.capturedStart() - from) + QLatin1Char('?');
        step.names << m.captured(1);
        from = m.capturedEnd();
    }
    step.sql += body.mid(from);
    return *steps.insert(body, step);
}

} // namespace

void callEmbeddedProcedure(DbConnection& conn, const QString& procedure,
                           const QList<QPair<QString, QString>>& parameters) {
    QList<const ProcedureStep*> steps;
    for (const QVariantList& row :
         conn.runPrepared(
                 QStringLiteral("select body from sys_procedures where proc_name = ? order by step_no"),
                 {procedure.toUpper()})
             .rows)
        steps << &stepOf(row.value(0).toString());
    if (steps.isEmpty())
        throw RuntimeError(QStringLiteral("The procedure %1 does not exist.").arg(procedure));

    QHash<QString, QString> given;
    for (const auto& p : parameters)
        given.insert(p.first.toUpper(), p.second);
    QSet<QString> expected;
    for (const ProcedureStep* step : steps)
        for (const QString& name : step->names)
            expected.insert(name);
    if (expected != QSet<QString>(given.keyBegin(), given.keyEnd()))
        throw RuntimeError(
            QStringLiteral("Wrong number or names of arguments in call to %1.").arg(procedure));

    // Each value is bound to its mark, never written into the statement.
    // Inside a write transaction a savepoint keeps the steps all or none
    // without ending it.
    const bool claimed = conn.inWrite();
    conn.runPrepared(claimed ? QStringLiteral("SAVEPOINT procedure_call")
                             : QStringLiteral("BEGIN IMMEDIATE"));
    try {
        for (const ProcedureStep* step : steps) {
            QVariantList values;
            for (const QString& name : step->names)
                values << given.value(name);
            conn.runPrepared(step->sql, values);
        }
        conn.runPrepared(claimed ? QStringLiteral("RELEASE procedure_call") : QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery(conn.database())
            .exec(claimed ? QStringLiteral("ROLLBACK TO procedure_call") : QStringLiteral("ROLLBACK"));
        throw;
    }
}

void createSchema(DbConnection& conn) {
    QSqlDatabase db = conn.database();
    run(db, QStringLiteral("BEGIN"));
    try {
        for (const QString& s : schemaStatements())
            run(db, s);
        run(db, QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

} // namespace database
