#include "main/database/DbConn.h"

#include "main/database/EmbeddedDb.h"
#include "main/settings/DbSettings.h"
#include "platform/ProgramDir.h"
#include "platform/RuntimeError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
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

bool isEmbeddedSource(const QString& dataSource) {
    const QString s = dataSource.trimmed().toLower();
    return s.endsWith(QLatin1String(".db")) || s.endsWith(QLatin1String(".sqlite")) ||
           s.endsWith(QLatin1String(".sqlite3"));
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
    return QStringLiteral("The Qt database driver %1 is not installed: install the package "
                          "libqt6sql6-sqlite.")
        .arg(driver);
}

} // namespace

DbConnection::DbConnection(const QString& name) : m_name(name) {}

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
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_registered = false;
}

void DbConnection::open(const QString& dataSource, const QString& user, const QString& password,
                        const QString& providerKind) {
    close();
    m_connectionString = connectionString(providerKind, dataSource, user, password);
    m_embedded = isEmbeddedSource(dataSource);
    const bool oraOledb = settings::dbProviderFor(providerKind) == settings::DbProvider::OraOLEDB;
    const QString driver = m_embedded ? QStringLiteral("QSQLITE")
                           : oraOledb ? QStringLiteral("QOCI")
                                      : QStringLiteral("QODBC");
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw RuntimeError(missingDriverText(driver));

    QString path;
    if (m_embedded) {
        path = embeddedPath(dataSource);
        // Opening must never leave an empty file behind for a mistyped name.
        if (!QFileInfo(path).isFile())
            throw RuntimeError(QStringLiteral("The database file %1 does not exist "
                                              "(vantrelctl init-db creates one).")
                                   .arg(QDir::toNativeSeparators(path)));
    }

    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_name);
        m_registered = true;
        if (m_embedded) {
            db.setDatabaseName(path);
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
        } else {
            db.setDatabaseName(dataSource);
            db.setUserName(user);
            db.setPassword(password);
            if (driver == QLatin1String("QODBC"))
                db.setConnectOptions(
                    QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=10;SQL_ATTR_CONNECTION_TIMEOUT=10"));
        }
        if (!db.open()) {
            failure = sqlErrorText(db.lastError());
        } else if (m_embedded) {
            try {
                prepareEmbeddedConnection(db);
                // A file that is not an SQLite database only shows it on first read.
                QSqlQuery q(db);
                if (!q.exec(QStringLiteral("select count(*) from sqlite_master")))
                    failure = sqlErrorText(q.lastError());
            } catch (const RuntimeError& e) {
                failure = e.text();
            }
        }
    }
    if (!failure.isEmpty()) {
        close();
        throw RuntimeError(failure);
    }
}

void DbConnection::execute(const QString& sql) {
    if (!isOpen())
        throw RuntimeError(QStringLiteral("The database connection is closed."));
    QSqlQuery q(database());
    if (!q.exec(sql))
        throw RuntimeError(sqlErrorText(q.lastError()));
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
    if (conn.isEmbedded()) {
        QString sequence;
        QSqlDatabase db = conn.database();
        m_result = queryEmbedded(db, embeddedStatement(sql, &sequence));
        if (!sequence.isEmpty() && m_result.rows == 0)
            throw RuntimeError(QStringLiteral("sequence %1 does not exist").arg(sequence));
        return;
    }
    QSqlQuery q(conn.database());
    q.setForwardOnly(true);
    if (!q.exec(sql))
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

int Recordset::column(const QString& fieldName) const {
    for (int i = 0; i < m_result.columns.size(); ++i)
        if (m_result.columns[i].compare(fieldName, Qt::CaseInsensitive) == 0)
            return i;
    throw RuntimeError(QStringLiteral("The result has no field %1.").arg(fieldName));
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
