#pragma once
// What the database adds to tag issuing: the organisation's code and name,
// the next serial number of the tag sequence, and the record of an issued
// tag; and the withdrawal of a row's tag record (removal and reissue).
#include "main/database/ItemGrid.h"
#include "main/tagdata/TagData.h"

#include <QString>

namespace database {

// Main-window values the tag record procedures read.
struct TagRecordValues {
    QString sSerialNo;                                     // printer serial number: PDAID
    QString sLocalIp;                                      // workstation address: IP_ADDR
    QString sPreCode = QLatin1String(tagdata::kTagPrefix); // tag id prefix
    QString sTagId;                                        // readable id of the current tag
    QString sFormCode = QStringLiteral("01");              // issue form code: TFORM
    QString sDetailLog;                                    // "1": issue trace lines on
    // The prefix, then the tag id.
    QString tagIdFull(const QString& tagId) const { return sPreCode + tagId; }
};

// Reads the first "SLF001" row of slfanrfidcommon into code and name (both
// trimmed); leaves them unchanged when there is none. Failure report
// "[getOrganData]".
void getOrganData(QString& sOrganCode, QString& sOrganNm);

// The next tag serial number as text; "0" when none could be read (after the
// failure report "[getSeqNo]"; `read` tells which).
QString getSeqNo(bool* read = nullptr);

// True when the detail-log setting, read as a 16-bit number, is 1. Throws
// platform::RuntimeError ("Type mismatch") for text that is no number.
bool detailTraceOn(const QString& sDetailLog);

// An issue trace line: head ("BEFORE- " or "AFTER - "), "[" purchase serial
// number "]", then the six labelled values of the record call, all trimmed.
QString tagTraceLine(const QString& head, const QString& purcSno, const TagRecordValues& v);

// The tag id (without the prefix) the database holds for a purchase; empty
// when it holds none. Throws platform::RuntimeError.
QString recordedTagId(const QString& purcSno);
// The purchase whose asset carries a tag id; empty when none. Throws.
QString purchaseOfTag(const QString& tagId);
// Records tag `v.sTagId` for a purchase with SP_SLARFIDB_TAG_PRINT in the
// name of `user`. Throws platform::RuntimeError.
void recordTag(const QString& purcSno, const TagRecordValues& v, const QString& user);

// Records the current tag of grid row nIndex with SP_SLARFIDB_TAG_PRINT
// unless the row's column 13 reads "N"; writes the AFTER trace line when
// tracing is on. A `claimed` tag is recorded through its claim (with the
// withdrawal of the tag a reissue replaces, and once only); a connection
// the server dropped is opened again for one more try. Failure: report
// "[Update_TagData]" and failureFlag = -1.
void Update_TagData(const ItemGrid& vaSpread1, int nIndex, const TagRecordValues& v, qint16& failureFlag,
                    bool claimed = false);

// Withdraws the tag record of grid row nIndex (column 3 behind the prefix)
// with SP_SLARFIDB_TAG_REMOVE, reason "REPRINT", unless column 13 reads "N".
// Failure: failureFlag = -1, then the report "[Delete_TagData]".
void Delete_TagData(const ItemGrid& vaSpread1, int nIndex, const TagRecordValues& v, qint16& failureFlag);

} // namespace database
