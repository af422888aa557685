#pragma once
// The records that set the printer up for a run (Format_Send) and the layout
// records of one label, for the label type and the hang-tag type.
#include "main/issuing/IssueContext.h"
#include "main/settings/SetupData.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace issuing {

inline constexpr int kLabelType = 0;   // "라벨형"
inline constexpr int kHangTagType = 1; // "고리형"

// Takes each record as it is built, in sending order.
using RecordSink = std::function<void(const QByteArray&)>;

// The item data of one label, as the grid row shows it.
struct LabelItem {
    QString purcSno; // purchase serial number
    QString catNo;   // article category number
    QString sizNo;   // size number
    QString catNm;   // item name
    QString sizNm;   // size name
    QString amount;  // purchase amount as displayed
    QString purcYmd; // purchase date as displayed
};

// True when a numeric setting holds `value`; text that is no number holds none.
bool settingIs(const QString& setting, int value);
// Size name with the characters the printer's fonts lack replaced.
QString printableSizeName(const QString& sizNm);
// The tag text printed on the label: organisation code in three pieces, the
// serial number and, on the label type, the suffix and purchase serial number.
QString tagText(int printType, const QString& organCode, const QString& seqNo, const QString& expandCode,
                const QString& purcSno);

// Density, clear, feed and size records of a run.
void formatRecords(const settings::SetupData& setup, const RecordSink& sink);
// The layout of one label. Raises platform::RuntimeError when a text cannot
// be converted or a position leaves the 16-bit range after the offset; the
// records before it have been handed to the sink.
void labelLayoutRecords(const LabelItem& item, const QString& tagText, const QString& organNm,
                        const settings::SetupData& setup, int printType, bool testIssue,
                        const RecordSink& sink);

// The format step of a run, sent with the unbounded serial wait. A failure
// is reported as "[Format_Send]"; the run goes on with the tags.
void Format_Send(IssueContext& ctx);

} // namespace issuing
