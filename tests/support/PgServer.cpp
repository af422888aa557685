#include "tests/support/PgServer.h"

#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <memory>
#include <pwd.h>
#include <unistd.h>

namespace testsupport {

namespace {

QString g_problem;
bool g_binaryMissing = false;

// The newest server of Debian's postgresql packages.
QString serverBinDir() {
    QDir root(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    std::sort(versions.begin(), versions.end(),
              [](const QString& a, const QString& b) { return a.toDouble() < b.toDouble(); });
    for (auto it = versions.crbegin(); it != versions.crend(); ++it) {
        const QString bin = root.filePath(*it + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")))
            return bin;
    }
    return {};
}

} // namespace

PgServer* PgServer::shared() {
    static std::unique_ptr<PgServer> server;
    static bool tried = false;
    if (!tried) {
        tried = true;
        std::unique_ptr<PgServer> s(new PgServer);
        if (s->initialise(g_problem)) {
            server = std::move(s);
            // Stopped while Qt still runs, also when a test failed.
            qAddPostRoutine([] { server.reset(); });
        }
    }
    return server.get();
}

QString PgServer::problem() {
    return g_problem;
}

bool PgServer::binaryMissing() {
    return g_binaryMissing;
}

bool PgServer::run(const QStringList& command, QString* output) const {
    QStringList args = command;
    QString program = m_bin + QLatin1Char('/') + args.takeFirst();
    // The server refuses to run as root: root's tests run it as nobody.
    if (::geteuid() == 0) {
        args.prepend(program);
        args = QStringList{QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--")} + args;
        program = QStringLiteral("runuser");
    }
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(m_dir.path());
    p.start(program, args);
    const bool ok = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(p.readAll());
    return ok;
}

bool PgServer::initialise(QString& problem) {
    m_bin = serverBinDir();
    if (m_bin.isEmpty()) {
        g_binaryMissing = true;
        problem = QStringLiteral("no PostgreSQL server in /usr/lib/postgresql (package postgresql)");
        return false;
    }
    if (!m_dir.isValid()) {
        problem = QStringLiteral("no temporary folder for the server");
        return false;
    }
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody ||
            ::chown(QFile::encodeName(m_dir.path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
            problem = QStringLiteral("cannot hand the server folder to the user nobody");
            return false;
        }
    }
    QString out;
    if (!run({QStringLiteral("initdb"), QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")),
              QStringLiteral("-U"), user(), QStringLiteral("-A"), QStringLiteral("trust"),
              QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C"),
              QStringLiteral("--no-sync")},
             &out)) {
        problem = QStringLiteral("initdb failed: ") + out;
        return false;
    }
    m_port = deadPort();
    if (!start()) {
        QFile log(m_dir.filePath(QStringLiteral("server.log")));
        log.open(QIODevice::ReadOnly);
        problem = QStringLiteral("the server did not start: ") + QString::fromLocal8Bit(log.readAll());
        return false;
    }
    return true;
}

bool PgServer::start() {
    // Durability is of no use to a test server: no flushes.
    const QString options = QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off "
                                           "-c synchronous_commit=off -c full_page_writes=off")
                                .arg(m_port)
                                .arg(m_dir.path());
    m_running = run({QStringLiteral("pg_ctl"), QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")),
                     QStringLiteral("-l"), m_dir.filePath(QStringLiteral("server.log")), QStringLiteral("-w"),
                     QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("-o"), options,
                     QStringLiteral("start")});
    return m_running;
}

bool PgServer::stop() {
    if (!m_running)
        return true;
    m_running =
        !run({QStringLiteral("pg_ctl"), QStringLiteral("-D"), m_dir.filePath(QStringLiteral("data")),
              QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")});
    return !m_running;
}

PgServer::~PgServer() {
    stop();
}

QString PgServer::createDatabase() {
    static int count = 0;
    const QString name = QStringLiteral("items_%1").arg(++count);
    const QString connection = QStringLiteral("pgserver-admin");
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        db.setHostName(QStringLiteral("127.0.0.1"));
        db.setPort(m_port);
        db.setDatabaseName(QStringLiteral("postgres"));
        db.setUserName(user());
        ok = db.open() && QSqlQuery(db).exec(QStringLiteral("create database %1").arg(name));
        if (!ok)
            g_problem = db.lastError().text();
    }
    QSqlDatabase::removeDatabase(connection);
    return ok ? name : QString();
}

QString PgServer::dataSource(const QString& database) const {
    return QStringLiteral("127.0.0.1:%1/%2").arg(m_port).arg(database);
}

QString PgServer::odbcSource(const QString& database) const {
    return QStringLiteral("DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=%1;DATABASE=%2")
        .arg(m_port)
        .arg(database);
}

QString PgServer::url(const QString& database) const {
    return QStringLiteral("postgresql://%1:x@127.0.0.1:%2/%3").arg(user()).arg(m_port).arg(database);
}

} // namespace testsupport

#include "main/database/DemoData.h"
#include "main/database/ServerSchema.h"

namespace testsupport {

bool createItemDatabase(Backend backend, const TempProgramDir& dir, int purchases, BackendLogin& login,
                        QString& problem) {
    try {
        if (backend == Backend::Embedded) {
            database::createDemoDatabase(dir.file(QStringLiteral("items.db")), purchases, 7);
            login = BackendLogin{QStringLiteral("items.db")};
            return true;
        }
        PgServer* server = PgServer::shared();
        const QString name = server ? server->createDatabase() : QString();
        if (name.isEmpty()) {
            problem = PgServer::problem();
            return false;
        }
        database::ServerLogin url;
        database::parseServerUrl(server->url(name), url);
        database::createDemoServerDatabase(url, purchases, 7);
        login.user = url.user;
        login.password = url.password;
        login.dataSource = backend == Backend::Server ? url.dataSource : server->odbcSource(name);
        login.providerKind = backend == Backend::Server ? QStringLiteral("3") : QStringLiteral("1");
        login.serverDatabase = name;
        return true;
    } catch (const std::exception& e) {
        problem = QString::fromUtf8(e.what());
        return false;
    }
}

} // namespace testsupport
