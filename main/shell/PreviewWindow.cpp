#include "main/shell/PreviewWindow.h"

#include "main/core/FailureReport.h"
#include "main/issuing/LabelPreview.h"
#include "main/issuing/RunKind.h"
#include "main/shell/widgets/Placement.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace shell {

PreviewWindow::PreviewWindow(const issuing::IssueContext& ctx, std::function<int()> currentRow,
                             std::function<int()> labelType, QWidget* parent)
    : QWidget(parent), m_ctx(ctx), m_currentRow(std::move(currentRow)), m_labelType(std::move(labelType)),
      m_kind(new QComboBox(this)), m_picture(new QLabel(this)), m_caption(new QLabel(this)) {
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("미리보기"));
    m_kind->addItems(
        {QStringLiteral("태그발행"), QStringLiteral("태그재발행"), QStringLiteral("테스트발행")});
    m_kind->setObjectName(QStringLiteral("cboPreviewKind"));
    m_picture->setObjectName(QStringLiteral("picPreview"));
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setMinimumSize(400, 220);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("발행구분"), this));
    top->addWidget(m_kind);
    top->addWidget(m_caption, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_picture, 1);
    connect(m_kind, &QComboBox::currentIndexChanged, this, [this] { refresh(); });
    widgets::placeAndCloseOnEscape(this);
}

qint16 PreviewWindow::runKind() const {
    static const qint16 kinds[] = {issuing::kIssue, issuing::kReissue, issuing::kTestIssue};
    return kinds[std::clamp(m_kind->currentIndex(), 0, 2)];
}

void PreviewWindow::refresh() {
    const int row = m_currentRow();
    if (row < 1 || !m_ctx.vaSpread1 || row > m_ctx.vaSpread1->rows() || !m_ctx.setup) {
        m_picture->setPixmap(QPixmap());
        m_picture->setText(QStringLiteral("미리볼 행을 선택하여 주십시오."));
        m_caption->clear();
        return;
    }
    issuing::IssueContext ctx = m_ctx;
    ctx.CboPrintType = m_labelType();
    try {
        const issuing::LabelPreview preview = issuing::previewLabel(ctx, row, runKind());
        // At most 640 dots wide: the window keeps to a 1024x768 screen.
        const QImage image = issuing::previewImage(preview);
        m_picture->setPixmap(
            QPixmap::fromImage(image.scaledToWidth(std::min(image.width(), 640), Qt::SmoothTransformation)));
        m_caption->setText(QStringLiteral("[%1]번  %2%3")
                               .arg(row)
                               .arg(preview.tagId, preview.placeholder
                                                       ? QStringLiteral("  (미발행: 예시 번호)")
                                                       : QString()));
    } catch (const std::exception& e) {
        m_picture->setPixmap(QPixmap());
        m_picture->setText(core::errorText(e));
        m_caption->clear();
    }
}

} // namespace shell
