#pragma once
// A main window's worth of issuing state for one test: settings record,
// result grid with one item row, run state, printer connection and the issue
// context that borrows them.
#include "main/database/DbConn.h"
#include "main/database/ItemGrid.h"
#include "main/issuing/IssueContext.h"
#include "main/issuing/LabelSend.h"
#include "main/printerlink/PrinterLink.h"
#include "main/tagdata/TagData.h"
#include "tests/support/PrinterKit.h"

#include <memory>

namespace testsupport {

// Double-byte font data of a label text.
inline QByteArray H(const char* utf8) {
    return tagdata::GetHangul(QString::fromUtf8(utf8));
}

struct Window {
    settings::SetupData setup;
    database::ItemGrid grid;
    printerlink::RunState run;
    std::unique_ptr<printerlink::PrinterLink> link;
    issuing::IssueContext ctx;
    QList<QPair<int, int>> activeCells;

    explicit Window(const settings::SetupData& s) : setup(s) {
        link = std::make_unique<printerlink::PrinterLink>(setup, run);
        ctx.setup = &setup;
        ctx.vaSpread1 = &grid;
        ctx.link = link.get();
        ctx.run = &run;
        ctx.sOrganCode = QStringLiteral("ABC12345");
        ctx.sOrganNm = QStringLiteral("한국시");
        ctx.values.sLocalIp = QStringLiteral("10.0.0.5");
        database::gUserId = QStringLiteral("kim");
        ctx.setActiveCell = [this](int row, int col) { activeCells.append({row, col}); };
        setup.nTotHeight = 300;
        setup.nLabelWidth = 900;
        setup.nLabelHeight = 280;
        setup.sDensity = QStringLiteral("+05");
        setup.sSerialNo = QStringLiteral("SN-01");
        setup.sNotice = QStringLiteral("행복한 시민");
    }

    // Opens the link and issues the tag of `row` in a run of kind `nProc`
    // with serial number `seqNo`; false when the link did not open.
    bool openAndSend(qint32 row, qint16 nProc, const char* seqNo) {
        run.sSeqNo = QString::fromLatin1(seqNo);
        if (!link->fncRsOpen())
            return false;
        issuing::Label_Send(ctx, row, nProc);
        return true;
    }

    // An item row as the search fills it; returns its row number.
    int addItem(const QString& sizNm = QStringLiteral("15인치 10×20∼30~40")) {
        const int row = grid.addRow();
        grid.setTicked(row, true);
        grid.setText(row, database::ColPurcSno, QStringLiteral("2024000123"));
        grid.setText(row, database::ColCatNo, QStringLiteral("4321"));
        grid.setText(row, database::ColSizNo, QStringLiteral("56"));
        grid.setText(row, database::ColCatNm, QStringLiteral("노트북 컴퓨터"));
        grid.setText(row, database::ColSizNm, sizNm);
        grid.setText(row, database::ColAmount, QStringLiteral("1,234,000"));
        grid.setText(row, database::ColPurcYmd, QStringLiteral("2024-03-05"));
        grid.setText(row, database::ColIssued, QStringLiteral("N"));
        grid.setText(row, database::ColTestIssued, QStringLiteral("N"));
        grid.setText(row, database::ColReissued, QStringLiteral("N"));
        return row;
    }
};

} // namespace testsupport
