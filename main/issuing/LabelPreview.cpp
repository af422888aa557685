#include "main/issuing/LabelPreview.h"

#include "main/database/ItemSearch.h"
#include "main/issuing/LabelLayout.h"
#include "main/issuing/LabelSend.h"
#include "main/issuing/PrintJob.h"
#include "main/issuing/RunKind.h"
#include "main/labelimage/LabelRecords.h"

#include <QPainter>

namespace issuing {

LabelPreview previewLabel(const IssueContext& ctx, int row, qint16 nProc) {
    LabelPreview preview;
    const auto collect = [&](const QByteArray& record) { preview.records << record; };
    formatRecords(*ctx.setup, collect);
    const LabelItem item = readRow(*ctx.vaSpread1, row);
    // A tag id is the organisation code, the twelve-digit serial number and
    // the suffix: an issued row's own serial number is read back from it.
    const QString own = ctx.vaSpread1->text(row, database::ColTagId).trimmed();
    const qsizetype head = ctx.sOrganCode.size();
    QString seqNo = own.mid(head, 12);
    bool digits = own.startsWith(ctx.sOrganCode) && own.size() == head + 12 + ctx.sExpandCode.size() &&
                  !seqNo.isEmpty();
    for (QChar c : seqNo)
        digits = digits && c.isDigit();
    // The preview shows what the next run of its kind prints: a test label
    // carries the next test number, a reissue a new serial number that only
    // the run takes (so a stand-in), an issue the row's own tag if it has one.
    if (nProc == kTestIssue) {
        seqNo = QStringLiteral("%1").arg(gTestCount + 1, 12, 10, QLatin1Char('0'));
        digits = true;
    } else if (nProc == kReissue) {
        digits = false;
    }
    if (!digits) {
        seqNo = QLatin1String(kPreviewSeqNo);
        preview.placeholder = true;
    }
    preview.tagId = ctx.sOrganCode + seqNo + ctx.sExpandCode;
    labelRecords(ctx, item, seqNo, nProc, collect);
    return preview;
}

LabelPreview sampleLabel(const settings::SetupData& setup, int printType) {
    database::ItemGrid grid;
    const int row = grid.addRow();
    const database::ItemFields sample{QString(),
                                      QStringLiteral("2026000001"),
                                      QStringLiteral("43211503"),
                                      QStringLiteral("21400001"),
                                      QStringLiteral("노트북컴퓨터"),
                                      QStringLiteral("15.6인치 i5 8GB"),
                                      QStringLiteral("1250000"),
                                      QStringLiteral("20260105")};
    database::fillItemRow(grid, row, sample, QStringLiteral("총무과"));
    IssueContext ctx;
    ctx.setup = &setup;
    ctx.vaSpread1 = &grid;
    ctx.CboPrintType = printType;
    ctx.sOrganCode = QStringLiteral("GG413500");
    ctx.sOrganNm = QStringLiteral("경기도 성남시");
    return previewLabel(ctx, row, kIssue);
}

QImage previewImage(const LabelPreview& preview) {
    QImage image = labelimage::drawRecords(preview.records).renderLabel();
    if (preview.placeholder) {
        QPainter p(&image);
        QFont font = p.font();
        font.setPixelSize(std::max(12, image.height() / 12));
        font.setBold(true);
        p.setFont(font);
        p.setPen(QColor(0xd0, 0x20, 0x20));
        // Top right, where neither label type prints: the footer line at
        // the bottom stays readable.
        const int margin = labelimage::LabelCanvas::Margin;
        p.drawText(image.rect().adjusted(0, margin + 4, -margin - 8, 0), Qt::AlignRight | Qt::AlignTop,
                   QStringLiteral("미발행 (태그번호 예시)"));
    }
    return image;
}

} // namespace issuing
