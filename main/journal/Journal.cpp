#include "main/journal/Journal.h"

#include "main/core/FailureReport.h"
#include "main/spreadsheet/XlsWriter.h"
#include "platform/ProgramDir.h"
#include "platform/RuntimeError.h"

#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSysInfo>
#include <QUuid>
#include <QVariant>
#include <atomic>

namespace journal {

namespace {

struct StateInfo {
    State state;
    const char* name;
    const char* column; // when the entry reached the state
};
constexpr StateInfo kStates[] = {
    {State::Sent, "sent", "sent_at"},
    {State::Confirmed, "confirmed", "confirmed_at"},
    {State::Recorded, "recorded", "recorded_at"},
    {State::Failed, "failed", "failed_at"},
    {State::Voided, "voided", "voided_at"},
};

const StateInfo& info(State s) {
    for (const StateInfo& i : kStates)
        if (i.state == s)
            return i;
    return kStates[0];
}

const char* kColumns = "id, state, purc_sno, tag_id, run_kind, printer_sno, user_id, ip_addr,"
                       " sent_at, confirmed_at, recorded_at, failed_at, voided_at, claimed";

QString stamp() {
    return QDateTime::currentDateTime().toString(Qt::ISODateWithMs);
}

// What the operator tells the administrator: a journal another operator
// created without write access for the group, or a folder the group may not
// write, stops every issue until its modes are mended.
[[noreturn]] void fail(const QSqlError& error, const QString& file = QString::fromLatin1(kJournalFile)) {
    const QString code = error.nativeErrorCode();
    const bool denied = code == QLatin1String("8") || code == QLatin1String("14") ||
                        error.text().contains(QLatin1String("readonly"));
    if (denied)
        throw platform::RuntimeError(
            QStringLiteral(
                "발행일지 %1에 쓸 수 없습니다. 관리자에게 이 파일과 -wal, -shm 파일, 그리고 그 폴더를 "
                "vantrel 그룹이 쓸 수 있게 해 달라고 하십시오 (chmod g+w). (%2)")
                .arg(file, error.text()));
    throw platform::RuntimeError(
        QStringLiteral("발행일지 %1을(를) 쓸 수 없습니다: %2").arg(file, error.text()));
}

QSqlQuery run(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {}) {
    QSqlQuery q(db);
    if (!q.prepare(sql))
        fail(q.lastError(), db.databaseName());
    for (const QVariant& v : values)
        q.addBindValue(v);
    if (!q.exec())
        fail(q.lastError(), db.databaseName());
    return q;
}

QSqlQuery& runPrepared(QSqlQuery& q, const QVariantList& values) {
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values[i]);
    if (!q.exec())
        fail(q.lastError());
    return q;
}

Entry entryOf(const QSqlQuery& q) {
    Entry e;
    e.id = q.value(0).toLongLong();
    e.state = stateFromName(q.value(1).toString()).value_or(State::Sent);
    e.purcSno = q.value(2).toString();
    e.tagId = q.value(3).toString();
    e.runKind = static_cast<qint16>(q.value(4).toInt());
    e.printerSno = q.value(5).toString();
    e.user = q.value(6).toString();
    e.ipAddr = q.value(7).toString();
    QDateTime* times[] = {&e.sentAt, &e.confirmedAt, &e.recordedAt, &e.failedAt, &e.voidedAt};
    for (int i = 0; i < 5; ++i)
        *times[i] = QDateTime::fromString(q.value(8 + i).toString(), Qt::ISODateWithMs);
    e.claimed = q.value(13).toInt() != 0;
    return e;
}

QList<Entry> entriesOf(QSqlQuery& q) {
    QList<Entry> list;
    while (q.next())
        list << entryOf(q);
    return list;
}

} // namespace

QString stateName(State state) {
    return QString::fromLatin1(info(state).name);
}

std::optional<State> stateFromName(const QString& name) {
    for (const StateInfo& i : kStates)
        if (name == QLatin1String(i.name))
            return i.state;
    return std::nullopt;
}

QDateTime Entry::stateAt() const {
    switch (state) {
    case State::Sent:
        return sentAt;
    case State::Confirmed:
        return confirmedAt;
    case State::Recorded:
        return recordedAt;
    case State::Failed:
        return failedAt;
    case State::Voided:
        return voidedAt;
    }
    return sentAt;
}

Journal::Journal(const QString& programDir) {
    static std::atomic<int> serial{0};
    m_connection = QStringLiteral("vantrel-journal-%1").arg(++serial);
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    db.setDatabaseName(QDir(programDir).filePath(QLatin1String(kJournalFile)));
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        fail(db.lastError(), db.databaseName());
    // A committed change survives a kill of the program at any moment; as
    // with the embedded item database the log is flushed to the disk at its
    // checkpoints, not after every tag.
    run(db, QStringLiteral("PRAGMA journal_mode = WAL"));
    run(db, QStringLiteral("PRAGMA synchronous = NORMAL"));
    run(db, QStringLiteral("create table if not exists tag_journal ("
                           " id integer primary key autoincrement,"
                           " state text not null, purc_sno text not null, tag_id text not null,"
                           " run_kind integer not null, printer_sno text, user_id text, ip_addr text,"
                           " sent_at text not null, confirmed_at text, recorded_at text,"
                           " failed_at text, voided_at text)"));
    run(db, QStringLiteral("create index if not exists ix_tag_journal_tag on tag_journal (tag_id)"));
    run(db, QStringLiteral("create index if not exists ix_tag_journal_purc on tag_journal (purc_sno)"));
    run(db, QStringLiteral("create index if not exists ix_tag_journal_state on tag_journal (state)"));
    // Journals written before claims were kept read as unclaimed entries.
    bool hasClaimed = false;
    for (QSqlQuery c = run(db, QStringLiteral("pragma table_info(tag_journal)")); c.next();)
        hasClaimed = hasClaimed || c.value(1).toString() == QLatin1String("claimed");
    if (!hasClaimed)
        run(db, QStringLiteral("alter table tag_journal add column claimed integer not null default 0"));
    run(db, QStringLiteral("create table if not exists journal_info (name text primary key, value text)"));
    run(db, QStringLiteral("insert or ignore into journal_info (name, value) values ('workstation', ?)"),
        {QUuid::createUuid().toString(QUuid::WithoutBraces)});
    QSqlQuery id = run(db, QStringLiteral("select value from journal_info where name = 'workstation'"));
    if (id.next())
        m_workstationId = id.value(0).toString();
    // The log files take the journal's own modes when they are made again.
    for (const char* ending : {"", "-wal", "-shm"})
        platform::shareWithGroup(db.databaseName() + QLatin1String(ending));
    m_runLockPath = QDir(programDir).filePath(QStringLiteral("issue_run.lock"));
}

QSqlQuery& Journal::prepared(const QString& sql) const {
    auto it = m_prepared.find(sql);
    if (it == m_prepared.end()) {
        QSqlQuery q(QSqlDatabase::database(m_connection));
        if (!q.prepare(sql))
            fail(q.lastError());
        it = m_prepared.insert(sql, q);
    }
    return *it;
}

Journal::~Journal() {
    m_prepared.clear();
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

qint64 Journal::begin(const Entry& e) {
    QSqlQuery& q = runPrepared(
        prepared(QStringLiteral("insert into tag_journal (state, purc_sno, tag_id, run_kind, printer_sno,"
                                " user_id, ip_addr, sent_at, claimed) values (?, ?, ?, ?, ?, ?, ?, ?, ?)")),
        {stateName(State::Sent), e.purcSno, e.tagId, e.runKind, e.printerSno, e.user, e.ipAddr, stamp(),
         e.claimed ? 1 : 0});
    const qint64 id = q.lastInsertId().toLongLong();
    q.finish();
    return id;
}

void Journal::advance(qint64 id, State state) {
    runPrepared(prepared(QStringLiteral("update tag_journal set state = ?, %1 = ? where id = ?")
                             .arg(QLatin1String(info(state).column))),
                {stateName(state), stamp(), id})
        .finish();
}

QList<Entry> Journal::entries(const Filter& f) const {
    QString sql = QStringLiteral("select %1 from tag_journal where 1 = 1").arg(QLatin1String(kColumns));
    QVariantList values;
    if (f.pendingOnly)
        sql += QStringLiteral(" and state in ('sent', 'confirmed')");
    if (f.state) {
        sql += QStringLiteral(" and state = ?");
        values << stateName(*f.state);
    }
    if (f.from.isValid()) {
        sql += QStringLiteral(" and sent_at >= ?");
        values << f.from.startOfDay().toString(Qt::ISODateWithMs);
    }
    if (f.to.isValid()) {
        sql += QStringLiteral(" and sent_at < ?");
        values << f.to.addDays(1).startOfDay().toString(Qt::ISODateWithMs);
    }
    if (!f.user.isEmpty()) {
        sql += QStringLiteral(" and user_id = ?");
        values << f.user;
    }
    if (!f.purcSno.isEmpty()) {
        sql += QStringLiteral(" and purc_sno = ?");
        values << f.purcSno;
    }
    sql += QStringLiteral(" order by id");
    QSqlQuery q = run(QSqlDatabase::database(m_connection), sql, values);
    return entriesOf(q);
}

std::optional<Entry> Journal::byTag(const QString& tagId) const {
    QSqlQuery& q = runPrepared(
        prepared(QStringLiteral("select %1 from tag_journal where tag_id = ? order by id desc limit 1")
                     .arg(QLatin1String(kColumns))),
        {tagId});
    const QList<Entry> list = entriesOf(q);
    q.finish();
    return list.isEmpty() ? std::nullopt : std::optional<Entry>(list.first());
}

bool Journal::hasPending(const QString& purcSno) const {
    QSqlQuery& q = runPrepared(
        prepared(QStringLiteral(
            "select 1 from tag_journal where purc_sno = ? and state in ('sent', 'confirmed') limit 1")),
        {purcSno});
    const bool pending = q.next();
    q.finish();
    return pending;
}

bool Journal::tagIdOnOtherAsset(const QString& tagId, const QString& purcSno) const {
    QSqlQuery& q = runPrepared(
        prepared(QStringLiteral("select count(*) from tag_journal where tag_id = ? and purc_sno <> ?"
                                " and state in ('sent', 'confirmed', 'recorded')")),
        {tagId, purcSno});
    const bool taken = q.next() && q.value(0).toInt() > 0;
    q.finish();
    return taken;
}

QString workstationName(const QString& ipAddr) {
    const QString host = QSysInfo::machineHostName();
    return ipAddr.trimmed().isEmpty() ? host
                                      : host + QStringLiteral(" (") + ipAddr.trimmed() + QLatin1Char(')');
}

std::unique_ptr<Journal> openProgramJournal() {
    try {
        return std::make_unique<Journal>(platform::programDir());
    } catch (const std::exception& e) {
        core::reportFailure(QStringLiteral("Journal"), core::errorText(e));
        return nullptr;
    }
}

QStringList historyHeaders() {
    return {QStringLiteral("상태"),     QStringLiteral("구매번호"), QStringLiteral("태그번호"),
            QStringLiteral("발행구분"), QStringLiteral("프린터"),   QStringLiteral("사용자"),
            QStringLiteral("IP"),       QStringLiteral("전송"),     QStringLiteral("확인"),
            QStringLiteral("기록"),     QStringLiteral("실패"),     QStringLiteral("취소"),
            QStringLiteral("작업장")};
}

QStringList historyRow(const Entry& e) {
    static const QStringList states = {QStringLiteral("전송"), QStringLiteral("확인"), QStringLiteral("기록"),
                                       QStringLiteral("실패"), QStringLiteral("취소")};
    const auto time = [](const QDateTime& t) { return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); };
    return {states.value(static_cast<int>(e.state)),
            e.purcSno,
            e.tagId,
            e.runKind == 2 ? QStringLiteral("재발행") : QStringLiteral("발행"),
            e.printerSno,
            e.user,
            e.ipAddr,
            time(e.sentAt),
            time(e.confirmedAt),
            time(e.recordedAt),
            time(e.failedAt),
            time(e.voidedAt),
            e.workstation};
}

bool exportHistory(const QString& path, const QList<Entry>& entries, QString* error) {
    const QStringList headers = historyHeaders();
    QList<QStringList> rows;
    rows.reserve(entries.size());
    for (const Entry& e : entries)
        rows << historyRow(e);
    return spreadsheet::writeXls(
        path, static_cast<int>(rows.size()) + 1, static_cast<int>(headers.size()),
        [&](int r, int c) { return r == 0 ? headers.value(c) : rows[r - 1].value(c); }, error);
}

QString entryLine(const Entry& e) {
    QStringList cells{e.stateAt().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                      stateName(e.state),
                      e.purcSno,
                      e.tagId,
                      QString::number(e.runKind),
                      e.printerSno,
                      e.user};
    if (!e.workstation.isEmpty())
        cells << e.workstation;
    return cells.join(QLatin1Char('\t'));
}

} // namespace journal
