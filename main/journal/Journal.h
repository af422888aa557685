#pragma once
// The workstation's issuing journal: every tag of an issue or reissue run
// from the moment its issue record goes to the printer until the database
// has recorded it. An SQLite file in the program directory on a write-ahead
// log; each change is committed before the run takes its next step, so a
// kill at any moment leaves the tag's last known state behind.
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <memory>
#include <optional>

namespace journal {

inline constexpr const char* kJournalFile = "issue_journal.db";

enum class State {
    Sent,      // its records went to the printer
    Confirmed, // the printer said issued
    Recorded,  // the database recorded it
    Failed,    // the printer reported a fault; nothing issued
    Voided,    // a person decided it was not printed
};
QString stateName(State state);
std::optional<State> stateFromName(const QString& name);

struct Entry {
    qint64 id = 0;
    State state = State::Sent;
    QString purcSno;
    QString tagId; // readable tag id, without the prefix
    qint16 runKind = 0;
    QString printerSno;
    QString user;
    QString ipAddr;
    QDateTime sentAt, confirmedAt, recordedAt, failedAt, voidedAt;
    // The purchase was claimed in the database before the label went out:
    // the claim, not this entry alone, decides how the tag is settled.
    bool claimed = false;
    // Who holds it: empty for this workstation's own entries; an open claim
    // of another workstation shown beside them names its workstation.
    QString workstation;
    // The time of its current state.
    QDateTime stateAt() const;
    // Sent or confirmed: not settled yet.
    bool pending() const { return state == State::Sent || state == State::Confirmed; }
};

struct Filter {
    bool pendingOnly = false;
    QDate from; // first day, or null
    QDate to;   // last day, or null
    std::optional<State> state;
    QString user;
    QString purcSno;
};

class Journal {
public:
    // Opens the journal of a program directory, creating it when missing.
    // Throws platform::RuntimeError when it cannot be opened or written.
    explicit Journal(const QString& programDir);
    ~Journal();
    Q_DISABLE_COPY(Journal)

    // A new entry in state "sent"; returns its id.
    qint64 begin(const Entry& entry);
    // Moves an entry to a later state and notes the time.
    void advance(qint64 id, State state);

    QList<Entry> entries(const Filter& filter = {}) const;
    // The newest entry of a tag id.
    std::optional<Entry> byTag(const QString& tagId) const;
    // Whether a purchase has an unsettled entry (sent or confirmed).
    bool hasPending(const QString& purcSno) const;
    // True when the tag id is (or may be) on another purchase's asset.
    bool tagIdOnOtherAsset(const QString& tagId, const QString& purcSno) const;

    // This workstation's identity in the claims of the database: made once,
    // when the journal is created, and kept with it.
    QString workstationId() const { return m_workstationId; }
    // The program directory's run lock file: held by a run while it claims,
    // so that a settlement elsewhere on the workstation leaves its fresh
    // claims alone.
    QString runLockPath() const { return m_runLockPath; }

private:
    QSqlQuery& prepared(const QString& sql) const;

    QString m_connection;
    QString m_workstationId;
    QString m_runLockPath;
    mutable QHash<QString, QSqlQuery> m_prepared; // statements of every tag, prepared once
};

// A readable name of this workstation for the claims: host name and address.
QString workstationName(const QString& ipAddr);

// The journal of the program directory; none after the failure report
// "[Journal][...]".
std::unique_ptr<Journal> openProgramJournal();

// The history list: its column titles and one entry's cells.
QStringList historyHeaders();
QStringList historyRow(const Entry& e);
// Writes entries as an .xls workbook (titles, then one row an entry);
// false with `error` set when nothing was written.
bool exportHistory(const QString& path, const QList<Entry>& entries, QString* error);

// One entry as a tab-separated line: time of its state, state, purchase
// serial number, tag id, run kind, printer serial number, user; then the
// workstation for another workstation's claim.
QString entryLine(const Entry& e);

} // namespace journal
