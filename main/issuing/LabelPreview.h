#pragma once
// The preview of a row's label: drawn from exactly the records the issuing
// run sends for it, without the printer and without the tag sequence.
#include "main/issuing/IssueContext.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

namespace issuing {

// The serial number a preview shows for a row that has no tag yet; the
// label is then marked as a placeholder.
inline constexpr char kPreviewSeqNo[] = "000000000000";

struct LabelPreview {
    QList<QByteArray> records; // the run's format records, then the label's
    QString tagId;             // readable tag id the label carries
    bool placeholder = false;  // the row has no tag: the serial number is a stand-in
};

// The preview of grid row `row` for the next run of kind `nProc`, with the
// label type and lock choice of the context: an issue shows an issued row's
// own tag id, a test the next test number, a reissue a stand-in (its new
// number is taken only by the run).
// Raises platform::RuntimeError when a text cannot be made into records.
LabelPreview previewLabel(const IssueContext& ctx, int row, qint16 nProc);

// A sample label with the given settings and label type (0 label, 1 hang
// tag): a made-up item and organisation, the serial number a placeholder.
LabelPreview sampleLabel(const settings::SetupData& setup, int printType);

// The label as the printer would draw it (the virtual printer's image without
// its caption lines); a placeholder is marked across the label. Needs a
// QGuiApplication (fonts).
QImage previewImage(const LabelPreview& preview);

} // namespace issuing
