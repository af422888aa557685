#include "tests/support/PgServer.h"

#include "main/database/DemoData.h"
#include "main/database/ServerSchema.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <memory>
#ifndef Q_OS_WIN
#include <pwd.h>
#include <unistd.h>
#endif

namespace testsupport {

namespace {
QString g_problem;
bool g_binaryMissing = false;
std::unique_ptr<PgServer> g_server;
} // namespace

PgServer* PgServer::shared() {
    static bool tried = false;
    if (tried)
        return g_server.get();
    tried = true;
#ifdef Q_OS_WIN
    // The Windows test programs run under Wine; the server is a Linux program.
    g_binaryMissing = true;
    g_problem = QStringLiteral("no PostgreSQL server for the Windows test programs");
    return nullptr;
#else
    auto s = std::make_unique<PgServer>();
    // Debian's newest server.
    const QStringList versions = QDir(QStringLiteral("/usr/lib/postgresql"))
                                     .entryList({QStringLiteral("[0-9]*")}, QDir::Dirs, QDir::Name);
    for (const QString& v : versions)
        if (QFile::exists(QStringLiteral("/usr/lib/postgresql/%1/bin/initdb").arg(v)))
            s->m_bin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(v);
    if (s->m_bin.isEmpty()) {
        g_binaryMissing = true;
        g_problem = QStringLiteral("no PostgreSQL server in /usr/lib/postgresql (package postgresql)");
        return nullptr;
    }
    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() == 0 && (!nobody || ::chown(QFile::encodeName(s->m_dir.path()).constData(),
                                                nobody->pw_uid, nobody->pw_gid))) {
        g_problem = QStringLiteral("cannot hand the server folder to the user nobody");
        return nullptr;
    }
    s->m_port = deadPort();
    if (!s->pgctl({QStringLiteral("initdb"), QStringLiteral("-o"),
                   QStringLiteral("-U postgres -A trust -E UTF8 --locale=C --no-sync")}) ||
        !s->start())
        return nullptr;
    g_server = std::move(s);
    // Stopped while Qt still runs, also when a test failed.
    qAddPostRoutine([] { g_server.reset(); });
    return g_server.get();
#endif
}

QString PgServer::problem() {
    return g_problem;
}

bool PgServer::binaryMissing() {
    return g_binaryMissing;
}

bool PgServer::pgctl(const QStringList& args) {
    QStringList command = QStringList{m_bin + QStringLiteral("pg_ctl"), QStringLiteral("-D"),
                                      m_dir.filePath(QStringLiteral("data")), QStringLiteral("-w")} +
                          args;
    QString program = command.takeFirst();
#ifndef Q_OS_WIN
    if (::geteuid() == 0) {
        command = QStringList{QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"), program} +
                  command;
        program = QStringLiteral("runuser");
    }
#endif
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(m_dir.path());
    p.start(program, command);
    const bool ok = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok)
        g_problem =
            QStringLiteral("pg_ctl %1 failed: %2").arg(args.first(), QString::fromLocal8Bit(p.readAll()));
    return ok;
}

bool PgServer::start() {
    // A test server needs no durability: no flushes.
    m_running =
        pgctl({QStringLiteral("-l"), m_dir.filePath(QStringLiteral("server.log")), QStringLiteral("-o"),
               QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off "
                              "-c synchronous_commit=off -c full_page_writes=off")
                   .arg(m_port)
                   .arg(m_dir.path()),
               QStringLiteral("start")});
    return m_running;
}

bool PgServer::stop() {
    if (m_running)
        m_running = !pgctl({QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("stop")});
    return !m_running;
}

QString PgServer::createDatabase() {
    static int count = 0;
    const QString name = QStringLiteral("items_%1").arg(++count);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pgserver"));
        db.setHostName(QStringLiteral("127.0.0.1"));
        db.setPort(m_port);
        db.setDatabaseName(QStringLiteral("postgres"));
        db.setUserName(QStringLiteral("postgres"));
        ok = db.open() && QSqlQuery(db).exec(QStringLiteral("create database ") + name);
        g_problem = db.lastError().text();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("pgserver"));
    return ok ? name : QString();
}

bool createItemDatabase(Backend backend, const TempProgramDir& dir, int purchases, BackendLogin& login,
                        QString& problem) {
    try {
        if (backend == Backend::Embedded) {
            // By its full path: a test may have several program directories.
            login = BackendLogin{dir.file(QStringLiteral("items.db"))};
            database::createDemoDatabase(login.dataSource, purchases, 7);
            return true;
        }
        PgServer* server = PgServer::shared();
        const QString name = server ? server->createDatabase() : QString();
        if (name.isEmpty()) {
            problem = PgServer::problem();
            return false;
        }
        const QString source = QStringLiteral("127.0.0.1:%1/%2").arg(server->port()).arg(name);
        login = BackendLogin{source, QStringLiteral("postgres"), QString(), QStringLiteral("3"), name};
        database::createDemoServerDatabase({source, login.user, {}}, purchases, 7);
        if (backend == Backend::Odbc) {
            login.dataSource =
                QStringLiteral("DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;PORT=%1;DATABASE=%2")
                    .arg(server->port())
                    .arg(name);
            login.providerKind = QStringLiteral("1");
        }
        return true;
    } catch (const std::exception& e) {
        problem = QString::fromUtf8(e.what());
        return false;
    }
}

} // namespace testsupport
