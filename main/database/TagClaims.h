#pragma once
// Tag claims: the rows of slfanrfidclaim that keep a purchase for one
// workstation from the moment its label is about to print until the tag is
// recorded or voided. A claim is committed before the label goes out, so it
// outlives its workstation (a kill, a lost connection, a server restart) and
// every other workstation leaves the purchase alone until it is settled.
// Settling records the tag (withdrawing the tag a reissue replaces) or voids
// it and deletes the claim in one transaction that holds the claim's row;
// settling a claim that is gone changes nothing.
//
// On a PostgreSQL server a claim and a settlement are one statement each;
// elsewhere they are a short transaction of a few statements.
#include <QList>
#include <QString>
#include <optional>

namespace database {

struct TagClaim {
    QString purcSno;
    QString tagId;     // the new tag, without its prefix
    QString tagIdFull; // with it, as the record procedure takes it
    QString seqNo;     // the serial number drawn for it
    qint16 runKind = 0;
    QString oldTagId;                  // a reissue: the tag it replaces (read when claimed)
    QString wsId;                      // the claiming workstation's journal
    QString wsName;                    // host name and address, for people
    QString pdaid, ipAddr, form, user; // what the record procedure is given
    QString claimedAt;                 // "YYYY-MM-DD HH:MM:SS"
};

// What a workstation asks for when it claims a purchase.
struct ClaimRequest {
    QString purcSno;
    qint16 runKind = 0;   // 1 issue (only a purchase without a tag), 2 reissue
    QString organCode;    // the tag id: organisation code, twelve digits of
    QString expandCode;   // the serial number, suffix
    QString prefix;       // tag id prefix of the record procedures
    QString wsId, wsName; // who claims
    QString pdaid, ipAddr, form, user;
};

struct ClaimResult {
    enum Kind {
        Claimed,  // `claim` holds the new tag and its serial number
        Held,     // another claim is open on the purchase (`holder` names it)
        Issued,   // an issue, and the purchase has a tag (`storedTagId`)
        TagTaken, // the drawn tag id is on another purchase (`holder`)
        NoSerial, // the sequence gave no number: nothing claimed
    } kind = Held;
    TagClaim claim;
    QString storedTagId; // the purchase's tag as the database holds it
    QString holder;
};

// Draws the next serial number and claims the purchase with the tag made of
// it, in one committed transaction. Throws platform::RuntimeError when the
// database cannot be reached or has no claim table (see requireClaimTable).
ClaimResult claimPurchase(const ClaimRequest& request);

enum class Settled {
    Now,     // the claim was settled by this call
    Already, // an earlier settlement did the same: nothing changed
    Other,   // the claim is gone and was settled the other way
};
// The label was printed: records the claimed tag (withdrawing the tag a
// reissue replaces) and deletes the claim. Other: the claim was voided and
// the purchase holds another tag or none.
Settled recordClaimed(const QString& purcSno, const QString& tagId);
// The label was not printed: deletes the claim. Other: the tag was recorded.
Settled voidClaimed(const QString& purcSno, const QString& tagId);

// The open claim of a tag id.
std::optional<TagClaim> claimOfTag(const QString& tagId);
// Every open claim of the database, oldest first.
QList<TagClaim> openClaims();

// Throws platform::RuntimeError naming the schema file to run when the
// database has no claim table.
void requireClaimTable();

} // namespace database
