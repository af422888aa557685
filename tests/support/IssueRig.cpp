#include "tests/support/IssueRig.h"

#include "main/issuing/IssueValues.h"

#include "main/database/DbConn.h"
#include "main/database/DemoData.h"
#include "main/database/EmbeddedDb.h"
#include "main/database/ItemSearch.h"
#include "main/database/Login.h"
#include "main/tagdata/TagData.h"
#include "platform/Cp949.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSqlQuery>
#include <QTest>
#include <QVariant>

namespace testsupport {

void writeSettingsFiles(const testsupport::TempProgramDir& dir, const QString& serialNo,
                        const BackendLogin& login) {
    dir.writeText(QStringLiteral("setup.ini"),
                  QStringLiteral("[PRINT_OPTION]\r\nTOT_HEIGHT=510\r\nLABEL_HEIGHT=480\r\nLABEL_WIDTH=940\r\n"
                                 "X=0\r\nY=40\r\nDENSITY=0\r\nFEEDING=0060\r\nSENSOR_TYPE=2\r\n"
                                 "[PRINTER_INFO]\r\nSERIAL_NO=%1\r\nCOM_PORT=1\r\n[TAG]\r\nTAG_KIND=1\r\n"
                                 "[DBINFO]\r\nDB_KIND=%2\r\n")
                      .arg(serialNo, login.providerKind));
    dir.writeText(QStringLiteral("tag_type.ini"), QStringLiteral("[TAG_OPTION]\r\nTAG_TYPE=1\r\n"));
    dir.writeText(QStringLiteral("printer_type.ini"), QStringLiteral("[PRINTER_LIST]\r\nPRINTER_TYPE=1\r\n"));
    dir.writeText(QStringLiteral("log_setup.ini"), QStringLiteral("[LOG]\r\nDETAIL_LOG=2\r\n"));
    dir.writeText(QStringLiteral("db_setup.ini"),
                  QStringLiteral("[ETC]\r\nNOTICE=소중한 공공재산입니다\r\n[DB_INFO]\r\nDATABASE=%1\r\n"
                                 "USER=%2\r\nPASSWORD=%3\r\n")
                      .arg(login.dataSource, login.user, login.password));
}

IssueRig::IssueRig() {
    core::setCurrentOperator(&op);
}

IssueRig::~IssueRig() {
    job.reset();
    if (link)
        link->fncRsClose();
    link.reset();
    database::gDbConn.close();
    core::setCurrentOperator(nullptr);
}

bool IssueRig::start(int purchases, const QString& script, const QString& serialNo) {
    writeSettingsFiles(dir, serialNo);
    if (!createItemDatabase(backend, dir, purchases, login, m_problem))
        return false;
    writeSettingsFiles(dir, serialNo, login);
    // Every label the printer issues is also drawn into labels/.
    QStringList args = {QStringLiteral("--tcp"),     QStringLiteral("0"),
                        QStringLiteral("--capture"), dir.file(QStringLiteral("capture.bin")),
                        QStringLiteral("--labels"),  dir.file(QStringLiteral("labels"))};
    args << simArgs;
    if (!script.isEmpty()) {
        dir.writeText(QStringLiteral("printer.script"), script);
        args << QStringLiteral("--script") << dir.file(QStringLiteral("printer.script"));
    }
    if (!sim.start(args)) {
        m_problem = sim.error();
        return false;
    }
    writeConnection();
    openDatabase();
    loadWindowValues();
    return true;
}

void joinDatabase(IssueRig& station, IssueRig& owner, const QString& serialNo) {
    station.login = owner.login;
    writeSettingsFiles(station.dir, serialNo, owner.login);
    station.writeConnection();
    owner.openDatabase();
}

bool waitForPrinterLine(PrinterSimProcess& sim, const QByteArray& line, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    HostProcess& p = sim.process();
    while (t.elapsed() < timeoutMs) {
        while (p.canReadLine())
            if (p.readLine().trimmed() == line)
                return true;
        p.waitForReadyRead(50);
    }
    return false;
}

void IssueRig::writeConnection() {
    dir.writeText(QStringLiteral("conn_setup.ini"),
                  QStringLiteral("[CONNECT_INFO]\r\nCONN_KIND=1\r\nPRINTER_IP=%1\r\nPRINTER_PORT=%2\r\n")
                      .arg(sim.host())
                      .arg(sim.port()));
}

void IssueRig::openDatabase() {
    database::openDbConn(login.dataSource, login.user, login.password, login.providerKind);
    database::gUserId = QLatin1String(database::kDemoUser);
}

void IssueRig::loadWindowValues() {
    load(op);
    job = std::make_unique<issuing::PrintJob>(ctx, buttons);
}

int IssueRig::search(int state) {
    database::SearchConditions c;
    c.OptSearch = state;
    database::SearchUi ui;
    database::cmdLoadDb(grid, c, ui);
    return grid.rows();
}

QByteArray IssueRig::captured() {
    // The printer writes what it received as it comes; wait until it is quiet.
    QByteArray last;
    QElapsedTimer t;
    t.start();
    for (;;) {
        QTest::qWait(60);
        QByteArray now = dir.read(QStringLiteral("capture.bin"));
        if (now == last || t.elapsed() > 3000)
            return now;
        last = now;
    }
}

int IssueRig::capturedCount(const QByteArray& record) {
    return static_cast<int>(captured().count(record));
}

QStringList IssueRig::history(const char* procedure, const QString& column) {
    QStringList out;
    QSqlQuery q(database::gDbConn.database());
    q.exec(QStringLiteral("select %1 from %2 where proc_name = '%3' order by hist_sno")
               .arg(column, QLatin1String(database::kTagHistoryTable), QLatin1String(procedure)));
    while (q.next())
        out << q.value(0).toString();
    return out;
}

QString IssueRig::tagIdOf(const QString& purcSno) {
    QSqlQuery q(database::gDbConn.database());
    q.exec(QStringLiteral("select tag_id from slfanrfidmaster where purc_sno = '%1'").arg(purcSno));
    return q.next() ? q.value(0).toString() : QStringLiteral("<none>");
}

void IssueRig::tickOnly(const QList<int>& rows) {
    grid.setAllTicked(false);
    for (int r : rows)
        grid.setTicked(r, true);
}

QByteArray inlayTagData(const QString& tagIdFull) {
    const QString prefix = QLatin1String(tagdata::kTagPrefix);
    const QString id = tagIdFull.mid(prefix.size());
    return platform::toCp949(tagdata::SetTagData(prefix, id.left(8), id.mid(8, 12), id.mid(20)));
}

} // namespace testsupport
