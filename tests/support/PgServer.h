#pragma once
// A PostgreSQL server for the tests of one executable: Debian's server
// initialised into a temporary folder, listening on a free port of
// 127.0.0.1, run as an unprivileged user when the tests run as root (the
// server refuses root), and stopped when the executable ends.
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class PgServer {
public:
    // The executable's one server, started on first use; null when it could
    // not be started, with the reason in problem(). A missing server binary
    // is reported by binaryMissing() (the only case a test may skip).
    static PgServer* shared();
    static QString problem();
    static bool binaryMissing();

    ~PgServer();
    PgServer(const PgServer&) = delete;
    PgServer& operator=(const PgServer&) = delete;

    // A new, empty database of the server; its name, or empty on failure.
    QString createDatabase();
    // Data sources of a database: the login's "HOST:PORT/DBNAME" (provider
    // kind "3"), a DSN-less psqlODBC connection string, a server URL.
    QString dataSource(const QString& database) const;
    QString odbcSource(const QString& database) const;
    QString url(const QString& database) const;
    static QString user() { return QStringLiteral("postgres"); }
    quint16 port() const { return m_port; }

    // Stops the server as a crash or an administrator would (connections
    // cut), and starts it again on the same port.
    bool stop();
    bool start();

private:
    PgServer() = default;
    bool initialise(QString& problem);
    bool run(const QStringList& command, QString* output = nullptr) const;

    QTemporaryDir m_dir;
    QString m_bin;
    quint16 m_port = 0;
    bool m_running = false;
};

} // namespace testsupport

namespace testsupport {

class TempProgramDir;

// Where a test's item database lives: the embedded file, or a database of
// the shared server reached through QPSQL or through psqlODBC.
enum class Backend { Embedded, Server, Odbc };

// The login of an item database.
struct BackendLogin {
    QString dataSource;
    QString user = QStringLiteral("demo");
    QString password = QStringLiteral("demo");
    QString providerKind = QStringLiteral("1");
    QString serverDatabase; // the server's database name; empty when embedded
};

// Creates an item database with the schema and `purchases` demo rows (seed
// 7) on the backend ("items.db" of dir when embedded). False with `problem`.
bool createItemDatabase(Backend backend, const TempProgramDir& dir, int purchases, BackendLogin& login,
                        QString& problem);

} // namespace testsupport

// The QTest data column "backend" with a row per backend.
#define VANTREL_BACKEND_ROWS(...)                                                                            \
    do {                                                                                                     \
        QTest::addColumn<testsupport::Backend>("backend");                                                   \
        for (auto [name, b] : {__VA_ARGS__})                                                                 \
            QTest::newRow(name) << b;                                                                        \
    } while (0)
#define VANTREL_ALL_BACKENDS                                                                                 \
    std::pair{"embedded", testsupport::Backend::Embedded},                                                   \
        std::pair{"postgresql", testsupport::Backend::Server}, std::pair {                                   \
        "odbc", testsupport::Backend::Odbc                                                                   \
    }

// Skips a server case only where Debian's server is not installed; any other
// failure to start it fails the test.
#define VANTREL_REQUIRE_BACKEND(backend)                                                                     \
    do {                                                                                                     \
        if ((backend) != testsupport::Backend::Embedded && !testsupport::PgServer::shared()) {               \
            if (testsupport::PgServer::binaryMissing())                                                      \
                QSKIP(qPrintable(testsupport::PgServer::problem()));                                         \
            QFAIL(qPrintable(testsupport::PgServer::problem()));                                             \
        }                                                                                                    \
    } while (0)
