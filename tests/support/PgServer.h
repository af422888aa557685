#pragma once
// A PostgreSQL server shared by the tests of one executable: Debian's server
// initialised into a temporary folder, on a free port of 127.0.0.1, run as
// the user nobody when the tests run as root (the server refuses root), and
// stopped when the executable ends. Item databases of each kind for a test.
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class TempProgramDir;

class PgServer {
public:
    // Started on first use; null when it could not start (problem() says
    // why, binaryMissing() when the server is not installed at all).
    static PgServer* shared();
    static QString problem();
    static bool binaryMissing();
    ~PgServer() { stop(); }

    // A new, empty database of the server; its name, or empty on failure.
    QString createDatabase();
    quint16 port() const { return m_port; }
    // Cuts every connection and stops, as an administrator's restart does.
    bool stop();
    bool start();

private:
    bool pgctl(const QStringList& args);

    QTemporaryDir m_dir{QStringLiteral("/tmp/vantrel-pg-XXXXXX")}; // where nobody can reach it
    QString m_bin;
    quint16 m_port = 0;
    bool m_running = false;
};

// Where a test's item database lives: the embedded file, or a database of
// the shared server reached through QPSQL or through psqlODBC.
enum class Backend { Embedded, Server, Odbc };

struct BackendLogin {
    QString dataSource;
    QString user = QStringLiteral("demo");
    QString password = QStringLiteral("demo");
    QString providerKind = QStringLiteral("1");
    QString serverDatabase; // empty when embedded
};

// An item database with the schema and `purchases` demo rows (seed 7) on the
// backend ("items.db" of dir when embedded). False with `problem`.
bool createItemDatabase(Backend backend, const TempProgramDir& dir, int purchases, BackendLogin& login,
                        QString& problem);

} // namespace testsupport

// Skips a server case only where the server is not installed; any other
// failure to start it fails the test.
#define VANTREL_REQUIRE_BACKEND(backend)                                                                     \
    do {                                                                                                     \
        if ((backend) != testsupport::Backend::Embedded && !testsupport::PgServer::shared()) {               \
            if (testsupport::PgServer::binaryMissing())                                                      \
                QSKIP(qPrintable(testsupport::PgServer::problem()));                                         \
            QFAIL(qPrintable(testsupport::PgServer::problem()));                                             \
        }                                                                                                    \
    } while (0)
