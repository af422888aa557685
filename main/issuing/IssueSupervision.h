#pragma once
// After the issue record of a tag the printer prints and writes the inlay and
// reports through status answers. Over TCP/IP and serial it sends them on its
// own and they are collected; over USB the status is asked for once a second
// (every 50 ms with fast status).
#include "main/issuing/IssueContext.h"
#include "main/printerlink/StatusCodes.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace issuing {

// What an answer that follows an issue record reports over TCP/IP or serial
// (its error codes end the tag); nullopt for codes that are not errors there.
// `tagText` is the label's tag text, named in the paper-jam message.
std::optional<printerlink::StatusReport> autoStatusReport(const QString& code, const QString& n,
                                                          const QString& tagText);
// Log line of "60": the inlay write failed and the printer tries again.
QString autoStatusRetryLine(const QString& n);
// Said after a failure that leaves a journaled tag unsettled: its label may
// be on the roll, and a person decides in the issuing history.
QString uncertainTagText(const QString& tagId);
// The general message after three unusable answers.
printerlink::StatusReport autoStatusGeneral(const QString& n);

// Waits for the outcome of the tag of grid row nIndex whose issue record has
// just been sent. Unless issued, the operator has seen the message, the
// status log has its line and the failure flag is -1. Raises
// platform::RuntimeError when the connection fails.
IssueOutcome superviseIssue(IssueContext& ctx, qint32 nIndex, const QByteArray& issueRecord,
                            const QString& tagText);

} // namespace issuing
