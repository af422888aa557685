#pragma once
// Settling the journal's unfinished tags: a tag the printer confirmed and
// the database never recorded is recorded, exactly once; a tag that went to
// the printer without a confirmation is uncertain and waits for a person,
// who checks the label roll and then records or voids it. A tag whose
// purchase was claimed in the database is settled through its claim, from
// this workstation or from any other; the journal then follows the claim.
#include "main/database/IssuingRecords.h"
#include "main/journal/Journal.h"

#include <QList>
#include <QString>

namespace journal {

struct Settlement {
    QList<Entry> recorded;  // confirmed tags recorded now
    QList<Entry> uncertain; // sent and never confirmed: a person decides
    QList<Entry> unsettled; // confirmed, and the database did not take them now
    QStringList problems;   // why, one line an unsettled entry
    QList<Entry> decided;   // a person settled their claims at another workstation
    QList<Entry> elsewhere; // open claims of other workstations (for people to see)
    bool clean() const { return uncertain.isEmpty() && unsettled.isEmpty(); }
};

// Records every confirmed entry that the database does not hold yet (an
// entry whose tag the database already holds was recorded before the
// program stopped: it is only marked). `base` gives the form code and the
// prefix; each entry brings its own printer, address and user. This
// workstation's claims that no label went out for are released, unless a
// run of the workstation is claiming at this moment.
Settlement reconcile(Journal& journal, const database::TagRecordValues& base);

// The journal's entries of a filter with every open claim of the database
// that the filter takes and the journal does not hold (other workstations'
// uncertain tags) as "sent" entries naming their workstation. Without a
// database: the journal's entries alone.
QList<Entry> withOpenClaims(const Journal& journal, const Filter& filter);

// A person's decision on an uncertain tag, of this workstation or of an open
// claim of another: the label was printed (record it) or was not (void it).
// False with the reason when it cannot be taken; a decision taken already
// is no failure.
bool recordByPerson(Journal& journal, const QString& tagId, const database::TagRecordValues& base,
                    QString* problem);
bool voidByPerson(Journal& journal, const QString& tagId, QString* problem);

// What the operator is told after a settlement; empty when nothing happened.
QString settlementMessage(const Settlement& s);

// Settles the journal and tells the operator what happened; a database that
// cannot be read gives the failure report of `procedureName`.
void settleAndTell(Journal& journal, const database::TagRecordValues& base, const QString& procedureName);

} // namespace journal
