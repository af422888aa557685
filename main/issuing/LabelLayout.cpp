#include "main/issuing/LabelLayout.h"

#include "main/core/FailureReport.h"
#include "main/core/Operator.h"
#include "main/issuing/CommandRecords.h"
#include "main/printerlink/PrinterLink.h"
#include "main/tagdata/TagData.h"
#include "platform/Cp949.h"
#include "platform/RuntimeError.h"

#include <QHash>

namespace issuing {

namespace rec = records;

bool settingIs(const QString& setting, int value) {
    return platform::isInt16(setting) && platform::toInt16(setting) == value;
}

QString printableSizeName(const QString& sizNm) {
    QString s = sizNm;
    s.replace(QChar(0x00D7), QLatin1Char('*')); // ×
    s.replace(QChar(0x223C), QLatin1Char('-')); // ∼
    s.replace(QLatin1Char('~'), QLatin1Char('-'));
    return s;
}

QString tagText(int printType, const QString& organCode, const QString& seqNo, const QString& expandCode,
                const QString& purcSno) {
    // Pieces beyond the end of a short code are empty: ABCDEF gives ABC-DEF--.
    QString t = organCode.mid(0, 3) + QLatin1Char('-') + organCode.mid(3, 3) + QLatin1Char('-') +
                organCode.mid(6, 2) + QLatin1Char('-') + seqNo;
    if (printType != kHangTagType)
        t += QLatin1Char('-') + expandCode + QStringLiteral(" : ") + purcSno;
    return t;
}

void formatRecords(const settings::SetupData& setup, const RecordSink& sink) {
    sink(rec::density(setup.sDensity, true));
    sink(rec::density(setup.sDensity, false));
    sink(rec::clear());
    sink(rec::feed(setup.sFeeding));
    sink(rec::size(setup.nTotHeight, setup.nLabelWidth, setup.nLabelHeight));
}

namespace {

// Attribute texts of the text fields: magnification, font, pitch.
constexpr const char* kTagTextAttr = ",08,08,H,00,B,+0000000000|}";
constexpr const char* kDigitsAttr = ",07,07,H,00,B,+0000000000|}";
constexpr const char* kSmallDigitsAttr = ",07,07,H,-02,00,B,+0000000000|}";
constexpr const char* kCaptionAttr = ",2,2,51,-01,00,B,+0000000000|}";
constexpr const char* kWideCaptionAttr = ",2,2,51,+01,00,B,+0000000000|}";
constexpr const char* kNarrowAttr = ",2,2,51,-03,00,B,+0000000000|}";
constexpr const char* kItemNameAttr = ",2,2,51,-04,00,B,+0000000000|}";
constexpr const char* kTightCaptionAttr = ",2,2,51,-06,00,B,+0000000000|}";
constexpr const char* kTestMarkAttr = ",3,3,51,-01,00,B,+0000000000|}";
constexpr const char* kNoticeAttr = ",15,15,51,-06,00,B,+0000000000|}";
// Shapes of the ruled table.
constexpr const char* kBox = ",1,2,010|}";
constexpr const char* kThinLine = ",0,2|}";
constexpr const char* kThickLine = ",0,3|}";

// Base position plus print offset, held as a 16-bit number by the printer
// settings: a sum outside that range is an overflow.
int shifted(int base, qint16 offset) {
    const int v = base + offset;
    if (v < -32768 || v > 32767)
        throw platform::RuntimeError(QString::fromLatin1(platform::kOverflow));
    return v;
}

class Layout {
public:
    Layout(const settings::SetupData& setup, const RecordSink& sink) : m_setup(setup), m_sink(sink) {}

    // A text field: its format record at base position (x, y), then its data.
    void field(int nnn, int x, int y, const char* attr, const QByteArray& data) {
        fieldAt(nnn, shifted(x, m_setup.nPrtX), y, attr, data);
    }
    // The same with an x that already holds the offset.
    void fieldAt(int nnn, int shiftedX, int y, const char* attr, const QByteArray& data) {
        m_sink(rec::fieldFormat(nnn, shiftedX, shifted(y, m_setup.nPrtY), attr));
        m_sink(rec::fieldData(nnn, data));
    }
    void line(int x1, int y1, int x2, int y2, const char* shape) {
        m_sink(rec::line(shifted(x1, m_setup.nPrtX), shifted(y1, m_setup.nPrtY), shifted(x2, m_setup.nPrtX),
                         shifted(y2, m_setup.nPrtY), shape));
    }
    int x(int base) const { return shifted(base, m_setup.nPrtX); }

private:
    const settings::SetupData& m_setup;
    const RecordSink& m_sink;
};

// Double-byte font data (font "51").
QByteArray dbcs(const QString& text) {
    return tagdata::GetHangul(text);
}
// The same for a fixed caption of the layout: made once.
const QByteArray& caption(const QString& text) {
    static QHash<QString, QByteArray> made;
    auto it = made.constFind(text);
    if (it == made.constEnd())
        it = made.insert(text, dbcs(text));
    return *it;
}
// Single-byte font data (font "H"), sent as it stands.
QByteArray sbcs(const QString& text) {
    return platform::toCp949(text);
}

} // namespace

void labelLayoutRecords(const LabelItem& item, const QString& tag, const QString& organNm,
                        const settings::SetupData& setup, int printType, bool testIssue,
                        const RecordSink& sink) {
    Layout l(setup, sink);
    if (settingIs(setup.sPrinterType, 2))
        sink(rec::clear());
    const QString categorySize = item.catNo + QLatin1Char('-') + item.sizNo;
    const QString sizeName = printableSizeName(item.sizNm);

    if (printType == kHangTagType) {
        l.line(235, 0, 685, 200, kBox);
        for (int y = 40; y <= 160; y += 40)
            l.line(235, y, 685, y, kThinLine);
        l.line(395, 0, 395, 200, kThickLine);
        l.field(2, 240, 10, kWideCaptionAttr, caption(QStringLiteral("분 류 번 호")));
        l.field(3, 405, 30, kDigitsAttr, sbcs(categorySize));
        l.field(8, 240, 50, kTightCaptionAttr, caption(QStringLiteral("구입(납품)일자")));
        l.field(9, 405, 70, kDigitsAttr, sbcs(item.purcYmd));
        l.field(10, 240, 90, kCaptionAttr, caption(QStringLiteral("규   격   명")));
        l.field(11, 405, 90, kNarrowAttr, dbcs(sizeName.left(13)));
        l.field(12, 240, 130, kCaptionAttr, caption(QStringLiteral("비        고")));
        l.field(13, 405, 150, kSmallDigitsAttr, sbcs(tag));
        l.field(14, 240, 170, kCaptionAttr, caption(QStringLiteral("구입일련번호")));
        l.field(15, 405, 190, kDigitsAttr, sbcs(item.purcSno));
        return;
    }

    l.field(15, 70, 50, kTagTextAttr, sbcs(tag));
    l.field(1, 65, 92, kCaptionAttr, dbcs(setup.sNotice));
    if (testIssue)
        l.field(16, 625, 85, kTestMarkAttr, caption(QStringLiteral("[테스트 발행]")));
    l.line(60, 120, 880, 280, kBox);
    for (int y = 160; y <= 240; y += 40)
        l.line(60, y, 880, y, kThinLine);
    l.line(180, 120, 180, 280, kThickLine);
    for (int x : {520, 700})
        l.line(x, 120, x, 200, kThickLine);
    l.field(2, 70, 130, kCaptionAttr, caption(QStringLiteral("분류번호")));
    l.field(3, 190, 150, kDigitsAttr, sbcs(categorySize));
    l.field(4, 530, 130, kNarrowAttr, caption(QStringLiteral("구입(납품)단가")));
    // The amount ends at a fixed right edge: 12 dots per character.
    l.fieldAt(5, l.x(860) - 12 * static_cast<int>(item.amount.size()), 150, kDigitsAttr, sbcs(item.amount));
    l.field(6, 70, 170, kCaptionAttr, caption(QStringLiteral("물 품 명")));
    l.field(7, 190, 170, kItemNameAttr, dbcs(item.catNm));
    l.field(8, 530, 170, kNarrowAttr, caption(QStringLiteral("구입(납품)일자")));
    l.field(9, 742, 190, kDigitsAttr, sbcs(item.purcYmd));
    l.field(10, 70, 210, kCaptionAttr, caption(QStringLiteral("규 격 명")));
    l.field(11, 190, 210, kNarrowAttr, dbcs(sizeName));
    l.field(12, 70, 250, kCaptionAttr, caption(QStringLiteral("비    고")));
    l.field(13, 190, 270, kSmallDigitsAttr, sbcs(tag));
    // The notice sentence moves left by 15 dots per character of the name.
    l.fieldAt(14, l.x(720) - 15 * static_cast<int>(organNm.size()), 285, kNoticeAttr,
              dbcs(QStringLiteral("이 물품은 ") + organNm + QStringLiteral(" 자산입니다.")));
}

void Format_Send(IssueContext& ctx) {
    try {
        formatRecords(*ctx.setup,
                      [&](const QByteArray& r) { ctx.link->fncRsSend(r, printerlink::SendWait::Unbounded); });
    } catch (const std::exception& e) {
        core::reportFailure(core::currentOperator(), QStringLiteral("Format_Send"), core::errorText(e));
    }
}

} // namespace issuing
