#include "main/database/DbConn.h"

#include "main/database/EmbeddedDb.h"
#include "main/settings/DbSettings.h"
#include "main/settings/SettingsFiles.h"
#include "platform/ProgramDir.h"
#include "platform/RuntimeError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace database {

DbConnection gDbConn(QStringLiteral("gDbConn"));
QString gUserId;

using platform::RuntimeError;

QString sqlText(const QString& value) {
    QString v = value;
    v.replace(QLatin1Char('\''), QStringLiteral("''"));
    return v;
}

QString connectionString(const QString& providerKind, const QString& dataSource, const QString& user,
                         const QString& password) {
    return QStringLiteral("Provider=") + settings::providerName(settings::dbProviderFor(providerKind)) +
           QStringLiteral(";Data Source=") + dataSource + QStringLiteral(";User Id=") + user +
           QStringLiteral(";Password=") + password + QStringLiteral(";");
}

QString sqlErrorText(const QSqlError& error) {
    QString t = error.databaseText().trimmed();
    if (t.isEmpty())
        t = error.driverText().trimmed();
    return t.isEmpty() ? QStringLiteral("Unknown database error") : t;
}

QString embeddedPath(const QString& dataSource) {
    const QString s = dataSource.trimmed();
    if (QDir::isAbsolutePath(s))
        return QDir::cleanPath(s);
    return QDir::cleanPath(platform::programDir() + QLatin1Char('/') + s);
}

namespace {

QString missingDriverText(const QString& driver) {
    if (driver == QLatin1String("QOCI"))
        return QStringLiteral("The Qt database driver QOCI is not installed: install Qt's Oracle plugin "
                              "(libqsqloci, built against the Oracle Instant Client) into Qt's sqldrivers "
                              "folder, or choose the ODBC provider kind.");
    if (driver == QLatin1String("QODBC"))
        return QStringLiteral("The Qt database driver QODBC is not installed: install the package "
                              "libqt6sql6-odbc and the Oracle ODBC driver with a DSN for the data source.");
    if (driver == QLatin1String("QPSQL"))
        return QStringLiteral("The Qt database driver QPSQL is not installed: install the package "
                              "libqt6sql6-psql.");
    return QStringLiteral("The Qt database driver %1 is not installed: install the package "
                          "libqt6sql6-sqlite.")
        .arg(driver);
}

} // namespace

struct DbConnection::Prepared {
    QHash<QString, QSqlQuery> queries;
};

DbConnection::DbConnection(const QString& name) : m_name(name), m_prepared(std::make_unique<Prepared>()) {}

DbConnection::~DbConnection() {
    // The process-wide connection outlives Qt's connection table at exit;
    // only connections closed while the application runs are unregistered.
    if (QCoreApplication::instance())
        close();
}

QSqlDatabase DbConnection::database() const {
    return m_registered ? QSqlDatabase::database(m_name, false) : QSqlDatabase();
}

bool DbConnection::isOpen() const {
    return m_registered && database().isOpen();
}

void DbConnection::close() {
    if (!m_registered)
        return;
    // Prepared statements go before the connection they belong to.
    m_prepared->queries.clear();
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_registered = false;
    m_inWrite = false;
    m_lost = false;
}

void DbConnection::open(const QString& dataSource, const QString& user, const QString& password,
                        const QString& providerKind) {
    m_dataSource = dataSource;
    m_user = user;
    m_password = password;
    m_providerKind = providerKind;
    openDriver();
}

void DbConnection::openDriver() {
    close();
    m_inWrite = false;
    m_connectionString = connectionString(m_providerKind, m_dataSource, m_user, m_password);
    m_embedded = isEmbeddedSource(m_dataSource);
    const settings::DbProvider provider = settings::dbProviderFor(m_providerKind);
    const QString driver = m_embedded                                     ? QStringLiteral("QSQLITE")
                           : provider == settings::DbProvider::OraOLEDB   ? QStringLiteral("QOCI")
                           : provider == settings::DbProvider::PostgreSQL ? QStringLiteral("QPSQL")
                                                                          : QStringLiteral("QODBC");
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw RuntimeError(missingDriverText(driver));

    // What the operator corrects: the login's Database box, read from and
    // saved to this setting.
    const QString where = QStringLiteral("Database(%1) 값 \"%2\"")
                              .arg(settings::keyPlace(settings::kDatabase), m_dataSource.left(80));
    for (const QChar c : m_dataSource + m_user + m_password)
        if (c.unicode() < 0x20 || c == QChar::ReplacementCharacter)
            throw RuntimeError(QStringLiteral("%1 또는 사용자, 비밀번호에 읽을 수 없는 문자가 있습니다. "
                                              "데이터베이스 설정을 다시 입력하여 저장하여 주십시오.")
                                   .arg(where));
    QString path;
    ServerAddress server;
    if (m_embedded) {
        path = embeddedPath(m_dataSource);
        // Opening must never leave an empty file behind for a mistyped name.
        if (!QFileInfo(path).isFile())
            throw RuntimeError(QStringLiteral("%1: 데이터베이스 파일 %2이(가) 없습니다. 파일 이름을 확인하여 "
                                              "주십시오 (vantrelctl init-db로 만들 수 있습니다).")
                                   .arg(where, QDir::toNativeSeparators(path)));
    } else if (driver == QLatin1String("QPSQL") && !parseServerAddress(m_dataSource, server)) {
        throw RuntimeError(
            QStringLiteral("%1은(는) PostgreSQL 서버 주소 HOST:PORT/DBNAME 형식이 아닙니다.").arg(where));
    }

    QString failure;
    static quint64 openings = 0;
    m_openings = ++openings;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_name);
        m_registered = true;
        if (m_embedded) {
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=60000"));
        } else {
            if (driver == QLatin1String("QPSQL")) {
                db.setHostName(server.host);
                db.setPort(server.port);
                db.setDatabaseName(server.database);
                db.setConnectOptions(QStringLiteral("connect_timeout=10"));
            } else {
                db.setDatabaseName(m_dataSource);
            }
            db.setUserName(m_user);
            db.setPassword(m_password);
            if (driver == QLatin1String("QODBC"))
                db.setConnectOptions(
                    QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=10;SQL_ATTR_CONNECTION_TIMEOUT=10"));
            // A server's NUMBER would otherwise arrive as a double ("1e+05").
            db.setNumericalPrecisionPolicy(QSql::HighPrecision);
        }
        if (!db.open()) {
            failure =
                QStringLiteral("%1(으)로 데이터베이스에 연결할 수 없습니다. 파일(.db, .sqlite, .sqlite3), "
                               "서버 주소 또는 데이터 원본 이름과 사용자, 비밀번호를 확인하여 주십시오. (%2)")
                    .arg(where, sqlErrorText(db.lastError()));
        } else if (m_embedded) {
            m_dialect = SqlDialect::Embedded;
            try {
                prepareEmbeddedConnection(db);
                // A file that is not an SQLite database only shows it on first read.
                QSqlQuery q(db);
                if (!q.exec(QStringLiteral("select count(*) from sqlite_master")))
                    failure = sqlErrorText(q.lastError());
            } catch (const RuntimeError& e) {
                failure = e.text();
            }
        } else {
            // ODBC reports the server behind the data source too.
            m_dialect = db.driver()->dbmsType() == QSqlDriver::PostgreSQL ? SqlDialect::PostgreSQL
                                                                          : SqlDialect::Oracle;
        }
    }
    if (!failure.isEmpty()) {
        close();
        throw RuntimeError(failure);
    }
}

void DbConnection::reconnectIfLost() {
    if (m_embedded || (!m_registered && !m_lost))
        return;
    if (m_registered) {
        QSqlQuery q(database());
        if (q.exec(pingStatement(m_dialect)))
            return;
    }
    try {
        openDriver();
        m_lost = false;
    } catch (const RuntimeError& e) {
        m_lost = true;
        throw RuntimeError(QStringLiteral("The connection to the database server was lost and could not be "
                                          "made again: %1")
                               .arg(e.text()));
    }
}

void DbConnection::beginWrite() {
    if (!isOpen())
        throw RuntimeError(QStringLiteral("The database connection is closed."));
    endWrite(false);
    QSqlDatabase db = database();
    if (m_embedded)
        runPrepared(QStringLiteral("BEGIN IMMEDIATE"));
    else if (!db.transaction())
        throw RuntimeError(sqlErrorText(db.lastError()));
    m_inWrite = true;
}

void DbConnection::endWrite(bool keep) {
    if (!m_inWrite)
        return;
    m_inWrite = false;
    if (!isOpen())
        return;
    QSqlDatabase db = database();
    if (m_embedded) {
        try {
            runPrepared(keep ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"));
        } catch (const RuntimeError&) {
            QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
            if (keep)
                throw;
        }
        return;
    }
    if (keep) {
        if (!db.commit()) {
            const QString text = sqlErrorText(db.lastError());
            db.rollback();
            throw RuntimeError(text);
        }
    } else {
        db.rollback();
    }
}

void DbConnection::execute(const QString& sql) {
    if (!isOpen())
        throw RuntimeError(QStringLiteral("The database connection is closed."));
    QSqlQuery q(database());
    if (!q.exec(sql))
        throw RuntimeError(sqlErrorText(q.lastError()));
}

DbConnection::Rows DbConnection::runPrepared(const QString& sql, const QVariantList& values) {
    if (!isOpen())
        throw RuntimeError(QStringLiteral("The database connection is closed."));
    auto it = m_prepared->queries.find(sql);
    if (it == m_prepared->queries.end()) {
        QSqlQuery q(database());
        q.setForwardOnly(true);
        q.setNumericalPrecisionPolicy(QSql::HighPrecision);
        if (!q.prepare(sql))
            throw RuntimeError(sqlErrorText(q.lastError()));
        it = m_prepared->queries.insert(sql, q);
    }
    QSqlQuery& q = *it;
    // Text is never NULL, as in a quoted literal: a value without text binds
    // as empty text; only a value without a type is NULL.
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& v = values[i];
        q.bindValue(
            i, v.typeId() == QMetaType::QString && v.toString().isNull() ? QVariant(QStringLiteral("")) : v);
    }
    Rows result;
    const bool ok = q.exec();
    if (ok) {
        const int columns = q.isSelect() ? q.record().count() : 0;
        while (q.next()) {
            QVariantList row;
            row.reserve(columns);
            for (int c = 0; c < columns; ++c)
                row << q.value(c);
            result.rows << row;
        }
        result.changed = q.numRowsAffected();
    }
    const QSqlError error = q.lastError();
    // A statement left open would hold the embedded database's snapshot.
    q.finish();
    if (!ok)
        throw RuntimeError(sqlErrorText(error));
    return result;
}

void DbConnection::callProcedure(const QString& procedure, const QList<QPair<QString, QString>>& parameters) {
    if (!isOpen())
        throw RuntimeError(QStringLiteral("The database connection is closed."));
    if (m_embedded) {
        callEmbeddedProcedure(*this, procedure, parameters);
        return;
    }
    QSqlDatabase db = database();
    QSqlQuery q(db);
    // psqlODBC and QPSQL cannot prepare a procedure call: the values go in
    // as literals.
    if (m_dialect == SqlDialect::PostgreSQL) {
        if (!q.exec(literalProcedureCall(procedure, parameters)))
            throw RuntimeError(sqlErrorText(q.lastError()));
        return;
    }
    QStringList marks;
    const bool oci = db.driverName() == QLatin1String("QOCI");
    for (const auto& p : parameters)
        marks << (oci ? QLatin1Char(':') + p.first : QStringLiteral("?"));
    const QString call =
        oci ? QStringLiteral("BEGIN %1(%2); END;").arg(procedure, marks.join(QStringLiteral(", ")))
            : QStringLiteral("{call %1(%2)}").arg(procedure, marks.join(QStringLiteral(", ")));
    if (!q.prepare(call))
        throw RuntimeError(sqlErrorText(q.lastError()));
    for (const auto& p : parameters) {
        if (oci)
            q.bindValue(QLatin1Char(':') + p.first, p.second);
        else
            q.addBindValue(p.second);
    }
    if (!q.exec())
        throw RuntimeError(sqlErrorText(q.lastError()));
}

Recordset::Recordset(DbConnection& conn, const QString& sql) {
    if (!conn.isOpen())
        throw RuntimeError(QStringLiteral("The database connection is closed."));
    QString sequence;
    const QString statement = dialectStatement(conn.dialect(), sql, &sequence);
    if (conn.isEmbedded()) {
        QSqlDatabase db = conn.database();
        m_result = queryEmbedded(db, statement);
        if (!sequence.isEmpty() && m_result.rows == 0)
            throw RuntimeError(QStringLiteral("sequence %1 does not exist").arg(sequence));
        return;
    }
    QSqlQuery q(conn.database());
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!q.exec(statement))
        throw RuntimeError(sqlErrorText(q.lastError()));
    const QSqlRecord rec = q.record();
    const int n = rec.count();
    for (int i = 0; i < n; ++i)
        m_result.columns << rec.fieldName(i);
    while (q.next()) {
        for (int i = 0; i < n; ++i) {
            const QVariant v = q.value(i);
            m_result.nulls.push_back(v.isNull() ? 1 : 0);
            m_result.cells.push_back(v.isNull() ? QString() : v.toString());
        }
        ++m_result.rows;
    }
    if (q.lastError().isValid())
        throw RuntimeError(sqlErrorText(q.lastError()));
}

namespace {
int columnOf(const QStringList& columns, const QString& fieldName) {
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    throw RuntimeError(QStringLiteral("The result has no field %1.").arg(fieldName));
}
} // namespace

int Recordset::column(const QString& fieldName) const {
    return columnOf(m_result.columns, fieldName);
}

RowStream::RowStream(DbConnection& conn, const QString& sql) {
    if (!conn.isOpen())
        throw RuntimeError(QStringLiteral("The database connection is closed."));
    const QString statement = dialectStatement(conn.dialect(), sql);
    QSqlDatabase db = conn.database();
    if (conn.isEmbedded()) {
        m_embedded = std::make_unique<EmbeddedQuery>(db, statement);
        m_columns = m_embedded->columns();
        return;
    }
    m_server = std::make_unique<QSqlQuery>(db);
    // Forward only: the driver hands the rows over as they arrive instead of
    // gathering the whole result first.
    m_server->setForwardOnly(true);
    m_server->setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!m_server->exec(statement))
        throw RuntimeError(sqlErrorText(m_server->lastError()));
    const QSqlRecord rec = m_server->record();
    for (int i = 0; i < rec.count(); ++i)
        m_columns << rec.fieldName(i);
}

RowStream::~RowStream() = default;

int RowStream::column(const QString& fieldName) const {
    return columnOf(m_columns, fieldName);
}

bool RowStream::next() {
    if (m_embedded)
        return m_embedded->next();
    if (m_server->next())
        return true;
    if (m_server->lastError().isValid())
        throw RuntimeError(sqlErrorText(m_server->lastError()));
    return false;
}

QString RowStream::text(int column) const {
    if (column < 0 || column >= m_columns.size())
        throw RuntimeError(QStringLiteral("The result has no field number %1.").arg(column));
    if (m_embedded)
        return m_embedded->text(column);
    const QVariant v = m_server->value(column);
    return v.isNull() ? QString() : v.toString();
}

size_t Recordset::cell(int column) const {
    if (eof())
        throw RuntimeError(
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted."));
    if (column < 0 || column >= m_result.columns.size())
        throw RuntimeError(QStringLiteral("The result has no field number %1.").arg(column));
    return static_cast<size_t>(m_current) * static_cast<size_t>(m_result.columns.size()) +
           static_cast<size_t>(column);
}

QString Recordset::text(int column) const {
    return m_result.cells[cell(column)];
}

bool Recordset::isNull(int column) const {
    return m_result.nulls[cell(column)] != 0;
}

ProcedureCall::ProcedureCall(const QString& procedure, const QStringList& parameterNames)
    : m_procedure(procedure) {
    for (const QString& n : parameterNames)
        m_parameters.append({n, QString()});
}

void ProcedureCall::setValue(const QString& parameter, const QString& value) {
    for (auto& p : m_parameters)
        if (p.first.compare(parameter, Qt::CaseInsensitive) == 0) {
            p.second = value;
            return;
        }
    throw RuntimeError(QStringLiteral("The procedure %1 has no parameter %2.").arg(m_procedure, parameter));
}

QString ProcedureCall::value(const QString& parameter) const {
    for (const auto& p : m_parameters)
        if (p.first.compare(parameter, Qt::CaseInsensitive) == 0)
            return p.second;
    return {};
}

void ProcedureCall::execute(DbConnection& conn) const {
    conn.callProcedure(m_procedure, m_parameters);
}

} // namespace database
