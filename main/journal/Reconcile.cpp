#include "main/journal/Reconcile.h"

#include "main/core/FailureReport.h"
#include "main/core/Operator.h"
#include "main/database/TagClaims.h"

#include <QLockFile>
#include <QSet>

namespace journal {

using database::Settled;

namespace {

QString notPendingText(const QString& tagId) {
    return QStringLiteral("태그 %1은 확인이 필요한 태그가 아닙니다.").arg(tagId);
}

QString voidedElsewhereText(const Entry& e) {
    return QStringLiteral("구매번호 %1의 태그 %2는 프린터가 발행을 확인했지만 다른 작업장에서 미발행으로 "
                          "취소되어 기록하지 않았습니다. 라벨을 폐기하여 주십시오.")
        .arg(e.purcSno, e.tagId);
}

// An entry from before claims were kept: recorded unless the purchase holds
// a tag already. Throws when the database cannot be reached; false with the
// reason when the purchase carries another tag.
bool settleUnclaimed(Journal& journal, const Entry& e, const database::TagRecordValues& base,
                     QString* problem) {
    const QString held = database::recordedTagId(e.purcSno);
    if (held.isEmpty()) {
        database::TagRecordValues v = base;
        v.sSerialNo = e.printerSno;
        v.sLocalIp = e.ipAddr;
        v.sTagId = e.tagId;
        database::recordTag(e.purcSno, v, e.user);
    } else if (held != e.tagId) {
        *problem =
            QStringLiteral("구매번호 %1에는 다른 태그(%2)가 기록되어 있어 태그 %3을 기록하지 않았습니다.")
                .arg(e.purcSno, held, e.tagId);
        return false;
    }
    journal.advance(e.id, State::Recorded);
    return true;
}

// A confirmed entry's claim recorded; false with the reason when a person
// had voided the claim meanwhile (the entry follows that decision).
bool recordClaimedEntry(Journal& journal, const Entry& e, QString* problem) {
    if (database::recordClaimed(e.purcSno, e.tagId) == Settled::Other) {
        journal.advance(e.id, State::Voided);
        *problem = voidedElsewhereText(e);
        return false;
    }
    journal.advance(e.id, State::Recorded);
    return true;
}

// The claim of an uncertain entry was settled elsewhere: the entry takes
// the decision. False while the claim is open.
bool followDecision(Journal& journal, const Entry& e) {
    if (database::claimOfTag(e.tagId))
        return false;
    journal.advance(e.id, database::recordedTagId(e.purcSno) == e.tagId ? State::Recorded : State::Voided);
    return true;
}

// This workstation's claims that no label went out for (the run stopped
// between the claim and the journal) or whose label failed, released.
void releaseStrayClaims(Journal& journal) {
    QLockFile runLock(journal.runLockPath());
    if (!runLock.tryLock(0))
        return; // a run is claiming now
    for (const database::TagClaim& c : database::openClaims()) {
        if (c.wsId != journal.workstationId())
            continue;
        const std::optional<Entry> e = journal.byTag(c.tagId);
        if (!e || e->state == State::Failed || e->state == State::Voided)
            database::voidClaimed(c.purcSno, c.tagId);
    }
}

Entry entryOfClaim(const database::TagClaim& c) {
    Entry e;
    e.state = State::Sent;
    e.purcSno = c.purcSno;
    e.tagId = c.tagId;
    e.runKind = c.runKind;
    e.printerSno = c.pdaid;
    e.user = c.user;
    e.ipAddr = c.ipAddr;
    e.sentAt = QDateTime::fromString(c.claimedAt, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    e.claimed = true;
    e.workstation = c.wsName;
    return e;
}

} // namespace

Settlement reconcile(Journal& journal, const database::TagRecordValues& base) {
    database::requireClaimTable();
    Settlement s;
    for (const Entry& e : journal.entries({.pendingOnly = true})) {
        QString problem;
        try {
            if (e.state == State::Sent) {
                if (e.claimed && followDecision(journal, e))
                    s.decided << e;
                else
                    s.uncertain << e;
                continue;
            }
            if (e.claimed ? recordClaimedEntry(journal, e, &problem)
                          : settleUnclaimed(journal, e, base, &problem)) {
                s.recorded << e;
                continue;
            }
        } catch (const std::exception& ex) {
            problem = QStringLiteral("태그 %1을 기록하지 못했습니다: %2").arg(e.tagId, core::errorText(ex));
        }
        s.unsettled << e;
        s.problems << problem;
    }
    releaseStrayClaims(journal);
    for (const database::TagClaim& c : database::openClaims())
        if (c.wsId != journal.workstationId())
            s.elsewhere << entryOfClaim(c);
    return s;
}

QList<Entry> withOpenClaims(const Journal& journal, const Filter& f) {
    QList<Entry> all = journal.entries(f);
    if (f.state && *f.state != State::Sent)
        return all;
    try {
        QSet<QString> known;
        for (const Entry& e : all)
            known.insert(e.tagId);
        for (const database::TagClaim& c : database::openClaims()) {
            const Entry e = entryOfClaim(c);
            const QDate day = e.sentAt.date();
            if (c.wsId == journal.workstationId() || known.contains(c.tagId) ||
                (!f.user.isEmpty() && e.user != f.user) || (!f.purcSno.isEmpty() && e.purcSno != f.purcSno) ||
                (f.from.isValid() && day < f.from) || (f.to.isValid() && day > f.to))
                continue;
            all << e;
        }
    } catch (const std::exception&) {
        // No database: this workstation's journal is what there is to show.
    }
    return all;
}

bool recordByPerson(Journal& journal, const QString& tagId, const database::TagRecordValues& base,
                    QString* problem) {
    const std::optional<Entry> e = journal.byTag(tagId);
    try {
        if (const std::optional<database::TagClaim> c = database::claimOfTag(tagId)) {
            if (database::recordClaimed(c->purcSno, tagId) == Settled::Other) {
                *problem = QStringLiteral("태그 %1은 다른 곳에서 미발행으로 취소되었습니다.").arg(tagId);
                return false;
            }
            if (e && e->pending())
                journal.advance(e->id, State::Recorded);
            return true;
        }
        if (!e || !e->pending()) {
            *problem = notPendingText(tagId);
            return false;
        }
        if (!e->claimed)
            return settleUnclaimed(journal, *e, base, problem);
        if (database::recordedTagId(e->purcSno) != tagId) {
            journal.advance(e->id, State::Voided);
            *problem = QStringLiteral("태그 %1은 다른 작업장에서 미발행으로 취소되었습니다.").arg(tagId);
            return false;
        }
        journal.advance(e->id, State::Recorded);
        return true;
    } catch (const std::exception& ex) {
        *problem = QStringLiteral("태그 %1을 기록하지 못했습니다: %2").arg(tagId, core::errorText(ex));
        return false;
    }
}

bool voidByPerson(Journal& journal, const QString& tagId, QString* problem) {
    const std::optional<Entry> e = journal.byTag(tagId);
    // The printer reported this label done: it was printed.
    if (e && e->state == State::Confirmed) {
        *problem = notPendingText(tagId);
        return false;
    }
    try {
        if (const std::optional<database::TagClaim> c = database::claimOfTag(tagId)) {
            if (database::voidClaimed(c->purcSno, tagId) == Settled::Other) {
                *problem = QStringLiteral("태그 %1은 이미 기록되었습니다.").arg(tagId);
                return false;
            }
        } else if (!e || e->state != State::Sent) {
            *problem = notPendingText(tagId);
            return false;
        } else if (e->claimed && database::recordedTagId(e->purcSno) == tagId) {
            journal.advance(e->id, State::Recorded);
            *problem = QStringLiteral("태그 %1은 이미 기록되었습니다.").arg(tagId);
            return false;
        }
    } catch (const std::exception& ex) {
        // An unclaimed entry needs no database to be voided.
        if (!e || e->claimed) {
            *problem = QStringLiteral("태그 %1을 취소하지 못했습니다: %2").arg(tagId, core::errorText(ex));
            return false;
        }
    }
    if (e && e->state == State::Sent)
        journal.advance(e->id, State::Voided);
    return true;
}

QString settlementMessage(const Settlement& s) {
    QStringList parts;
    if (!s.recorded.isEmpty())
        parts << QStringLiteral("프린터가 발행을 확인했지만 기록되지 않았던 태그 %1건을 기록하였습니다.")
                     .arg(s.recorded.size());
    if (!s.decided.isEmpty())
        parts << QStringLiteral("다른 작업장에서 기록 또는 취소된 태그 %1건을 발행이력에 반영하였습니다.")
                     .arg(s.decided.size());
    for (const QString& p : s.problems)
        parts << p;
    if (!s.uncertain.isEmpty()) {
        QStringList ids;
        for (const Entry& e : s.uncertain)
            ids << QStringLiteral("%1 (구매번호 %2)").arg(e.tagId, e.purcSno);
        parts << QStringLiteral("발행 여부가 확인되지 않은 태그가 %1건 있습니다. 라벨을 확인한 뒤 "
                                "발행이력에서 기록 또는 취소하여 주십시오.\r\n")
                         .arg(s.uncertain.size()) +
                     ids.join(QStringLiteral("\r\n"));
    }
    return parts.join(QStringLiteral("\r\n\r\n"));
}

void settleAndTell(Journal& journal, const database::TagRecordValues& base, const QString& procedureName) {
    try {
        const QString message = settlementMessage(reconcile(journal, base));
        if (!message.isEmpty())
            core::currentOperator().showMessage(message);
    } catch (const std::exception& e) {
        core::reportFailure(procedureName, core::errorText(e));
    }
}

} // namespace journal
