// The program's windows on the offscreen platform, found by their system
// control names: the login, the main window's button rules, its exit
// question and run lock, the audit window, the database window and the
// single-copy start.
#include "main/audit/ScanSim.h"
#include "main/database/DbConn.h"
#include "main/database/EmbeddedDb.h"
#include "main/issuing/IssueRange.h"
#include "main/settings/SetupValues.h"
#include "main/shell/AuditWindow.h"
#include "main/shell/LoginWindow.h"
#include "main/shell/PreviewWindow.h"
#include "main/shell/RPMain.h"
#include "main/shell/StartUp.h"
#include "main/shell/settings/DbSetupWindow.h"
#include "platform/Profile.h"
#include "platform/SingleInstance.h"
#include "tests/support/IssueRig.h"
#include "tests/support/RecordingOperator.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using testsupport::IssueRig;

namespace {

const QStringList kEightButtons = {"cmdLoad", "cmdPrint", "cmdRePrint",   "cmdSaveExcel",
                                   "cmdSE",   "cmdSetup", "cmdTestPrint", "cmdDel"};
const QStringList kSixButtons = {"cmdLoad",      "cmdPrint",     "cmdRePrint",
                                 "cmdTestPrint", "cmdSaveExcel", "cmdDel"};

template <class T = QWidget> T* control(QWidget* window, const QString& name) {
    auto* w = window->findChild<T*>(name);
    if (!w)
        qWarning("no control %s", qPrintable(name));
    return w;
}

void fillLogin(shell::Login& login, const QString& id, const QString& db, const QString& user,
               const QString& pw) {
    control<QLineEdit>(&login, "txtID")->setText(id);
    control<QLineEdit>(&login, "txtDBNm")->setText(db);
    control<QLineEdit>(&login, "txtDBID")->setText(user);
    control<QLineEdit>(&login, "txtDBPW")->setText(pw);
}

QStringList enabledOf(QWidget* window, const QStringList& names) {
    QStringList on;
    for (const QString& n : names)
        if (control(window, n)->isEnabled())
            on << n;
    return on;
}

// Logs in as "demo" on the rig's database; the main window is then up.
shell::RPMain* logIn(shell::Login& login) {
    fillLogin(login, QStringLiteral("demo"), QStringLiteral("items.db"), QStringLiteral("demo"),
              QStringLiteral("demo"));
    login.cmdOK_Click();
    return login.mainWindow();
}

// The login window shown and logged in as "demo" on the rig's database,
// which the login opens itself; the main window is then up.
shell::RPMain* showAndLogIn(shell::Login& login) {
    database::gDbConn.close();
    login.show();
    return logIn(login);
}

// An issue rig whose login window was shown and logged in: the main window is up.
struct LoggedInRig : IssueRig {
    shell::Login login;
    shell::RPMain* main = nullptr;

    bool logIn() {
        main = showAndLogIn(login);
        return main != nullptr;
    }
    ~LoggedInRig() { delete main; }
};

} // namespace

class ShellWindowsTest : public QObject {
    Q_OBJECT
    testsupport::RecordingOperator m_op;

private slots:
    // Each case starts with a fresh recording operator; a rig installs its own
    // for its lifetime. None is left installed when a check fails.
    void init() {
        m_op = testsupport::RecordingOperator();
        core::setCurrentOperator(&m_op);
    }
    void cleanup() { core::setCurrentOperator(nullptr); }

    void loginChecksItsBoxesAndReportsTheStep() {
        IssueRig rig;
        QVERIFY2(rig.start(), qPrintable(rig.problem()));
        database::gDbConn.close(); // the login opens it
        QFile::remove(rig.dir.file(QStringLiteral("db_setup.ini")));
        shell::Login login;
        login.show();
        QVERIFY(control<QLineEdit>(&login, "txtDBNm")->text().isEmpty()); // no db_setup.ini

        struct Step {
            QString id, db, user, pw, message, focus;
        };
        const Step steps[] = {
            {"", "items.db", "demo", "demo", "아이디를 입력하여 주십시오.", "txtID"},
            {"demo", "", "demo", "demo", "Database를 입력하여 주십시오.", "txtDBNm"},
            {"demo", "items.db", "", "demo", "User를 입력하여 주십시오.", "txtDBID"},
            {"demo", "items.db", "demo", "", "Password를 입력하여 주십시오.", "txtDBPW"},
        };
        for (const Step& s : steps) {
            rig.op.messages.clear();
            rig.op.focusRequests.clear();
            fillLogin(login, s.id, s.db, s.user, s.pw);
            login.cmdOK_Click();
            QCOMPARE(rig.op.messages, QStringList{s.message});
            QCOMPARE(rig.op.focusRequests, QStringList{s.focus});
        }
        // Enter does nothing while the user id is empty.
        rig.op.messages.clear();
        fillLogin(login, "", "items.db", "demo", "demo");
        QTest::keyClick(&login, Qt::Key_Return);
        QVERIFY(rig.op.messages.isEmpty());

        // A data source the drivers cannot open: the error ends with step C.
        fillLogin(login, "demo", "NO_SUCH_DSN", "scott", "tiger");
        login.cmdOK_Click();
        QCOMPARE(rig.op.messages.size(), 1);
        QVERIFY2(rig.op.messages[0].endsWith(QLatin1String("[C]")), qPrintable(rig.op.messages[0]));
        QVERIFY(!database::gDbConn.isOpen());
        QVERIFY(!rig.op.waitCursor);

        // An unknown user id: the connection is closed again, focus back in txtID.
        rig.op.messages.clear();
        rig.op.focusRequests.clear();
        fillLogin(login, "nobody", "items.db", "demo", "demo");
        QTest::keyClick(control(&login, "txtID"), Qt::Key_Return); // Enter logs in
        QCOMPARE(rig.op.messages, QStringList{QStringLiteral("해당 아이디가 존재하지 않습니다.")});
        QCOMPARE(login.stepMarker(), QStringLiteral("G"));
        QCOMPARE(rig.op.focusRequests, QStringList{QStringLiteral("txtID")});
        QVERIFY(!database::gDbConn.isOpen());
        QVERIFY(!login.mainWindow());

        rig.op.messages.clear();
        shell::RPMain* main = logIn(login);
        QVERIFY(main && main->isVisible());
        QCOMPARE(login.stepMarker(), QStringLiteral("J"));
        QCOMPARE(database::gUserId, QStringLiteral("demo"));
        QVERIFY(login.isVisible()); // stays behind the main window
        QVERIFY(rig.op.messages.isEmpty());

        // A second login in the window left open: an unknown id changes
        // nothing, a known one takes over the open connection.
        database::gDbConn.execute(
            QStringLiteral("insert into slfanrfidauth (usr_sid, usr_nm) values ('clerk', 'Clerk')"));
        for (const auto& [id, user] : {std::pair{"nobody", "demo"}, {"clerk", "clerk"}}) {
            rig.op.messages.clear();
            fillLogin(login, id, "items.db", "demo", "demo");
            login.cmdOK_Click();
            QCOMPARE(rig.op.messages,
                     id == user ? QStringList() : QStringList{"해당 아이디가 존재하지 않습니다."});
            QCOMPARE(database::gUserId, QString::fromLatin1(user));
            QVERIFY(database::gDbConn.isOpen());
            QCOMPARE(login.mainWindow(), main);
        }
        delete main;
    }

    void mainWindowControlsAndSerialNumberRule() {
        LoggedInRig rig;
        QVERIFY2(rig.start(40, QString(), QString()) && rig.logIn(),
                 qPrintable(rig.problem())); // no serial number
        shell::RPMain* main = rig.main;
        QCOMPARE(main->windowTitle(), QStringLiteral("Vantrel"));

        // Captions as the operator knows them.
        const QList<QPair<QString, QString>> captions = {
            {"cmdLoad", "검색"},           {"cmdPrint", "태그발행"},
            {"cmdRePrint", "태그재발행"},  {"cmdTestPrint", "테스트발행"},
            {"cmdDel", "태그삭제"},        {"cmdSaveExcel", "엑셀저장"},
            {"cmdSetup", "환경설정"},      {"cmdSE", "확정"},
            {"cmdDept", "부서검색"},       {"OptPrt_0", "전체"},
            {"OptPrt_1", "시작/끝지정"},   {"OptPrt_2", "직접선택"},
            {"OptSearch_1", "발행완료"},   {"OptPos_1", "엑셀참조"},
            {"OptSort_2", "물품분류번호"}, {"OptDept_1", "말소부서"},
            {"optConn_1", "시리얼"},       {"OptLock_1", "UnLock"},
            {"Label1_7", " 끝 번호"},      {"Label1_8", "전체수량"},
            {"Label1_13", "구입일련번호"}, {"Label2", "태그형태"}};
        for (const auto& [name, caption] : captions) {
            QWidget* w = control(main, name);
            QVERIFY2(w, qPrintable(name));
            const QString text = qobject_cast<QAbstractButton*>(w) ? qobject_cast<QAbstractButton*>(w)->text()
                                                                   : qobject_cast<QLabel*>(w)->text();
            QCOMPARE(text, caption);
        }
        QCOMPARE(control<QGroupBox>(main, "fraConn")->title(), QStringLiteral("발행설정 "));
        QCOMPARE(control<QComboBox>(main, "CboDept")->itemText(0), QStringLiteral("전체(00)"));
        QCOMPARE(control<QTableView>(main, "vaSpread1")->model()->columnCount(), 15);

        // What loading set.
        QVERIFY(control<QRadioButton>(main, "OptPrt_0")->isChecked());
        QVERIFY(!control(main, "txtStart")->isEnabled() && !control(main, "txtEnd")->isEnabled());
        for (const char* on : {"OptSearch_0", "OptPos_0", "OptSort_0", "OptDept_0", "OptLock_0", "optConn_0"})
            QVERIFY2(control<QRadioButton>(main, on)->isChecked(), on);

        // A blank serial number: the guard's message, six buttons off.
        rig.op.messages.clear();
        main->Form_Activate();
        QCOMPARE(rig.op.messages,
                 QStringList{QStringLiteral("환경설정에서 태그발행기 시리얼번호를 등록하여 주십시오.")});
        QCOMPARE(enabledOf(main, kEightButtons), (QStringList{"cmdSE", "cmdSetup"}));

        // Settings stored with a serial number: the next activation reloads them.
        platform::WritePrivateProfileStringA(QStringLiteral("PRINTER_INFO"), QStringLiteral("SERIAL_NO"),
                                             QStringLiteral("5T3C0815"),
                                             rig.dir.file(QStringLiteral("setup.ini")));
        settings::gSettingsChanged = true;
        rig.op.messages.clear();
        main->Form_Activate();
        QVERIFY(rig.op.messages.isEmpty());
        QVERIFY(!settings::gSettingsChanged);
        QCOMPARE(control<QLineEdit>(main, "txtSerNo")->text(), QStringLiteral("5T3C0815"));
        QCOMPARE(enabledOf(main, kEightButtons), kEightButtons);

        // The settings window opens beside the main window, without waiting.
        QTest::mouseClick(control(main, "cmdSetup"), Qt::LeftButton);
        QWidget* setup = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("Setup") && w->isVisible())
                setup = w;
        QVERIFY(setup);
        QCOMPARE(setup->windowTitle(), QStringLiteral("환경설정"));
        QVERIFY(main->isVisible());
        delete setup;
    }

    void previewFollowsTheCurrentRow() {
        LoggedInRig rig;
        QVERIFY2(rig.start() && rig.logIn(), qPrintable(rig.problem()));
        shell::RPMain* main = rig.main;
        const QByteArray before = rig.captured();
        // Opened before a search: no row, a hint instead of a label.
        QTest::mouseClick(control(main, "cmdPreview"), Qt::LeftButton);
        shell::PreviewWindow* preview = main->previewWindow();
        QVERIFY(preview && preview->isVisible());
        QVERIFY(preview->picture().pixmap().isNull() && !preview->picture().text().isEmpty());
        main->cmdLoad_Click();
        QVERIFY(main->vaSpread1().rows() > 1);
        auto* grid = control<QTableView>(main, "vaSpread1");
        grid->setCurrentIndex(grid->model()->index(1, 3));
        QVERIFY(!preview->picture().pixmap().isNull());
        const QImage second = preview->picture().pixmap().toImage();
        grid->setCurrentIndex(grid->model()->index(0, 3));
        QVERIFY(preview->picture().pixmap().toImage() != second);
        // Previewing sends nothing to the printer.
        QCOMPARE(rig.captured(), before);
    }

    // The audit window from the main window's button: a scan opened, its
    // counts on the tabs, the rows of a tab in their colours, the audit
    // stored, listed and compared with the one before.
    void auditWindowCountsStoresAndCompares() {
        LoggedInRig rig;
        QVERIFY2(rig.start() && rig.logIn(), qPrintable(rig.problem()));
        shell::RPMain* main = rig.main;
        audit::ScanSimOptions sim;
        sim.share = 0.5;
        const QString scan = rig.dir.file(QStringLiteral("walk.txt"));
        sim.format = audit::ScanFormat::Text;
        audit::writeSimulatedScan(database::gDbConn, sim, scan);
        QTest::mouseClick(control(main, "cmdAudit"), Qt::LeftButton);
        auto* window = control<shell::AuditWindow>(main, "AuditWindow");
        QVERIFY(window && window->isVisible());
        QVERIFY(window->openScan(scan));
        auto* tabs = control<QTabBar>(window, "tabCategories");
        const audit::AuditResult& r = window->result();
        QVERIFY(r.count(audit::Category::Found) > 0 && r.count(audit::Category::Missing) > 0);
        QCOMPARE(tabs->tabText(1), QStringLiteral("미발견 %1").arg(r.count(audit::Category::Missing)));
        QCOMPARE(tabs->currentIndex(), 1); // the first rows to act on
        auto* grid = control<QTableView>(window, "grdAudit");
        QCOMPARE(grid->model()->rowCount(), r.count(audit::Category::Missing));
        QCOMPARE(grid->model()->index(0, 0).data().toString(), QStringLiteral("미발견"));
        tabs->setCurrentIndex(0);
        QCOMPARE(grid->model()->index(0, 0).data(Qt::BackgroundRole).value<QColor>(), QColor(255, 255, 0));

        window->cmdSave_Click();
        window->openScan(scan);
        window->cmdSave_Click();
        QCOMPARE(rig.op.messages.last(), QStringLiteral("재고조사 2번으로 저장되었습니다."));
        QCOMPARE(control<QComboBox>(window, "cboPast")->count(), 2);
        window->cmdCompare_Click();
        QVERIFY(tabs->isTabVisible(7) && tabs->currentIndex() == 7);
        QCOMPARE(grid->model()->rowCount(), r.count(audit::Category::Missing));
        QVERIFY(window->openPast(1));
        QVERIFY(!tabs->isTabVisible(7));
    }

    void exitQuestionAndRunLock() {
        LoggedInRig rig;
        QVERIFY2(rig.start() && rig.logIn(), qPrintable(rig.problem()));
        shell::RPMain* main = rig.main;

        // No: the window stays with everything in it.
        QTest::mouseClick(control(main, "cmdLoad"), Qt::LeftButton);
        const int rows = main->vaSpread1().rows();
        QVERIFY(rows > 5);
        rig.op.answers = {false};
        QVERIFY(!main->close());
        QCOMPARE(rig.op.questions, QStringList{QStringLiteral("프로그램을 종료하시겠습니까?")});
        QVERIFY(main->isVisible());
        QCOMPARE(main->vaSpread1().rows(), rows);

        // A range of rows 2 to 3, confirmed with Enter in the end box.
        QTest::mouseClick(control(main, "OptPrt_1"), Qt::LeftButton);
        QVERIFY(control(main, "txtStart")->isEnabled());
        control<QLineEdit>(main, "txtStart")->setText(QStringLiteral("2"));
        control<QLineEdit>(main, "txtEnd")->setText(QStringLiteral("3"));
        QTest::keyClick(control(main, "txtEnd"), Qt::Key_Return);
        QCOMPARE(issuing::GetPrtCnt(main->vaSpread1()), 2);

        // While the run goes on, the eight buttons are locked, also when the
        // operator comes back to the window from another one meanwhile.
        // A second login during the run is refused and changes no user.
        QList<QStringList> duringRun;
        main->printJob().onRow = [&](const issuing::RowEvent&) {
            main->Form_Activate();
            duringRun << enabledOf(main, kEightButtons);
            control<QLineEdit>(&rig.login, "txtID")->setText(QStringLiteral("other"));
            rig.login.cmdOK_Click();
        };
        rig.op.messages.clear();
        QTest::mouseClick(control(main, "cmdPrint"), Qt::LeftButton);
        QCOMPARE(duringRun, (QList<QStringList>{QStringList(), QStringList()}));
        QCOMPARE(enabledOf(main, kEightButtons), kEightButtons);
        const QString refused = QStringLiteral("태그 발행 중에는 사용자를 바꿀 수 없습니다.\r\n"
                                               "발행이 끝난 뒤 다시 로그인하여 주십시오.");
        QCOMPARE(rig.op.messages,
                 (QStringList{refused, refused, QStringLiteral("태그발행이 완료 되었습니다.")}));
        QCOMPARE(database::gUserId, QStringLiteral("demo"));
        QCOMPARE(main->vaSpread1().text(2, database::ColIssued), QStringLiteral("Y"));
        QCOMPARE(main->vaSpread1().text(1, database::ColIssued), QStringLiteral("N"));

        // The window manager's close (or Esc) during the first of three tags: no
        // question while a tag is between print and record; the run ends
        // after that tag, and the question comes then (No: the window stays).
        for (const auto& [what, interrupt] :
             {std::pair<const char*, std::function<void()>>{"close", [&] { main->close(); }},
              std::pair<const char*, std::function<void()>>{
                  "Esc", [&] { QTest::keyClick(main, Qt::Key_Escape); }}}) {
            main->vaSpread1().setAllTicked(false);
            for (int r = 4; r <= 6; ++r)
                main->vaSpread1().setTicked(r, true);
            QStringList questionsDuringRun;
            bool stopEnabled = false;
            main->printJob().onRow = [&](const issuing::RowEvent&) {
                stopEnabled = control(main, "cmdStop")->isEnabled();
                interrupt();
                questionsDuringRun = rig.op.questions;
            };
            rig.op.questions.clear();
            rig.op.messages.clear();
            rig.op.answers = {false};
            QTest::mouseClick(control(main, "cmdPrint"), Qt::LeftButton);
            QVERIFY2(stopEnabled && questionsDuringRun.isEmpty(), what);
            QCOMPARE(rig.op.messages.last(),
                     QStringLiteral("태그발행이 중지되었습니다.\r\n\r\n발행된 태그: 1건"));
            QCOMPARE(rig.op.questions, QString::fromLatin1(what) == QLatin1String("close")
                                           ? QStringList{QStringLiteral("프로그램을 종료하시겠습니까?")}
                                           : QStringList{});
            QVERIFY(main->isVisible() && !control(main, "cmdStop")->isEnabled());
        }
        QCOMPARE(rig.history(database::kProcTagPrint).size(), 4);
    }

    void databaseWindowStoresTheProvider() {
        testsupport::TempProgramDir dir;
        dir.writeText(QStringLiteral("setup.ini"), QStringLiteral("[DBINFO]\r\nDB_KIND=2\r\n"));
        settings::DBSetup window;
        window.show();
        QCOMPARE(window.windowTitle(), QStringLiteral("DB설정"));
        auto* list = control<QComboBox>(&window, "CboCon");
        QCOMPARE(list->currentIndex(), 1);
        QCOMPARE(list->itemText(1), QStringLiteral("OraOLEDB"));
        QCOMPARE(list->itemText(2), QStringLiteral("PostgreSQL"));
        list->setCurrentIndex(2);
        QTest::mouseClick(control(&window, "cmdSave"), Qt::LeftButton);
        QCOMPARE(m_op.messages, QStringList{QStringLiteral("환경정보를 설정하였습니다.")});
        QCOMPARE(platform::readProfileText(dir.file(QStringLiteral("setup.ini")), QStringLiteral("DBINFO"),
                                           QStringLiteral("DB_KIND")),
                 QStringLiteral("3"));
        QTest::mouseClick(control(&window, "cmdExit"), Qt::LeftButton);
        QVERIFY(!window.isVisible());
    }

    void secondCopyIsRefused() {
        QTemporaryDir locks;
        platform::SingleInstance first(QStringLiteral("Vantrel"), locks.path());
        QVERIFY(first.acquire());
        platform::SingleInstance second(QStringLiteral("Vantrel"), locks.path());
        testsupport::RecordingOperator op;
        QCOMPARE(shell::Main(second, op), 0);
        QCOMPARE(op.messages, QStringList{QStringLiteral("이미 실행되어있습니다.")});
    }
};

QTEST_MAIN(ShellWindowsTest)
#include "ShellWindowsTest.moc"
