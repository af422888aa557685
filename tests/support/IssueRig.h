#pragma once
// A workstation for issuing runs: a program directory with complete settings,
// an item database with demo records (embedded unless `backend` says
// otherwise) opened as the process's
// connection under the user "demo", and the virtual printer on loopback TCP
// recording every byte it receives.
#include "main/core/ButtonLock.h"
#include "main/database/IssuingRecords.h"
#include "main/database/ItemGrid.h"
#include "main/issuing/IssueStation.h"
#include "main/issuing/PrintJob.h"
#include "main/printerlink/PrinterLink.h"
#include "main/settings/SetupData.h"
#include "tests/support/PgServer.h"
#include "tests/support/PrinterSimProcess.h"
#include "tests/support/RecordingOperator.h"
#include "tests/support/TestSupport.h"

#include <QStringList>
#include <memory>

namespace testsupport {

// The eight buttons, as calls.
class RecordingButtons : public core::ButtonLock {
public:
    void DisableButtons() override {
        calls << QStringLiteral("disable");
        enabled = false;
    }
    void EnableButtons() override {
        calls << QStringLiteral("enable");
        enabled = true;
    }
    QStringList calls;
    bool enabled = true;
};

// The rig is the workstation's issuing state (settings, link, grid, context)
// with the test's program directory, database, printer and operator.
class IssueRig : public issuing::IssueStation {
public:
    IssueRig();
    ~IssueRig();

    // Writes the settings files (serial number as given), creates the item
    // database with `purchases` demo records and starts the printer with an
    // optional script. False with `problem()` when something failed.
    bool start(int purchases = 40, const QString& script = QString(),
               const QString& serialNo = QStringLiteral("5T3C0815"));
    QString problem() const { return m_problem; }

    // The printer part of the settings for the running printer.
    void writeConnection();
    // Opens the item database as the process's connection.
    void openDatabase();
    // Loads the settings record and the values the main window loads.
    void loadWindowValues();

    // Searches the way the search button does: state 0 pending, 1 issued, 2 all.
    int search(int state = 0);

    // Every byte the printer has received so far (waits until it stops growing).
    QByteArray captured();
    int capturedCount(const QByteArray& record);
    // Rows of the tag history written by the named procedure.
    QStringList history(const char* procedure, const QString& column = QStringLiteral("tagidfull"));
    // The tag id the database holds for a purchase.
    QString tagIdOf(const QString& purcSno);
    // Ticks exactly the given rows.
    void tickOnly(const QList<int>& rows);

    testsupport::TempProgramDir dir;
    Backend backend = Backend::Embedded; // chosen before start()
    QStringList simArgs;                 // more printer options, before start()
    BackendLogin login;
    testsupport::PrinterSimProcess sim;
    testsupport::RecordingOperator op;
    RecordingButtons buttons;
    std::unique_ptr<issuing::PrintJob> job;

private:
    QString m_problem;
};

// Makes `station` a second workstation on `owner`'s item database (its
// printer stays its own) and opens the owner's database again.
void joinDatabase(IssueRig& station, IssueRig& owner, const QString& serialNo = QStringLiteral("5T3C0999"));

// Waits until the printer has printed `line` on its standard output (its
// --events lines); false after timeoutMs.
bool waitForPrinterLine(PrinterSimProcess& sim, const QByteArray& line, int timeoutMs = 30000);

// The tag data a recorded tag id ("05410D" + organisation + twelve digits +
// suffix) puts into the inlay, as the printer receives it in its RB01 record.
QByteArray inlayTagData(const QString& tagIdFull);

// The settings files of a workstation whose printer is reached over TCP and
// whose item database is `login`'s.
void writeSettingsFiles(const testsupport::TempProgramDir& dir, const QString& serialNo,
                        const BackendLogin& login = {QStringLiteral("items.db")});

} // namespace testsupport
