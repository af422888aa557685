#include "main/journal/Reconcile.h"

#include "main/core/FailureReport.h"
#include "main/core/Operator.h"

namespace journal {

namespace {

// Records one entry's tag unless the database holds it already. Throws
// when the database cannot be reached; false with the reason when the
// purchase carries another tag.
bool settle(Journal& journal, const Entry& e, const database::TagRecordValues& base, QString* problem) {
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

} // namespace

Settlement reconcile(Journal& journal, const database::TagRecordValues& base) {
    Settlement s;
    for (const Entry& e : journal.entries({.pendingOnly = true})) {
        if (e.state == State::Sent) {
            s.uncertain << e;
            continue;
        }
        QString problem;
        try {
            if (settle(journal, e, base, &problem)) {
                s.recorded << e;
                continue;
            }
        } catch (const std::exception& ex) {
            problem = QStringLiteral("태그 %1을 기록하지 못했습니다: %2").arg(e.tagId, core::errorText(ex));
        }
        s.unsettled << e;
        s.problems << problem;
    }
    return s;
}

bool recordByPerson(Journal& journal, const QString& tagId, const database::TagRecordValues& base,
                    QString* problem) {
    const std::optional<Entry> e = journal.byTag(tagId);
    if (!e || !e->pending()) {
        *problem = QStringLiteral("태그 %1은 확인이 필요한 태그가 아닙니다.").arg(tagId);
        return false;
    }
    try {
        return settle(journal, *e, base, problem);
    } catch (const std::exception& ex) {
        *problem = QStringLiteral("태그 %1을 기록하지 못했습니다: %2").arg(tagId, core::errorText(ex));
        return false;
    }
}

bool voidByPerson(Journal& journal, const QString& tagId, QString* problem) {
    const std::optional<Entry> e = journal.byTag(tagId);
    if (!e || e->state != State::Sent) {
        *problem = QStringLiteral("태그 %1은 확인이 필요한 태그가 아닙니다.").arg(tagId);
        return false;
    }
    journal.advance(e->id, State::Voided);
    return true;
}

QString settlementMessage(const Settlement& s) {
    QStringList parts;
    if (!s.recorded.isEmpty())
        parts << QStringLiteral("프린터가 발행을 확인했지만 기록되지 않았던 태그 %1건을 기록하였습니다.")
                     .arg(s.recorded.size());
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
