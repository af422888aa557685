#include "main/database/TagRemoval.h"

#include "main/core/Reported.h"
#include "main/database/DbConn.h"
#include "platform/Clock.h"

#include <QColor>

namespace database {

void cmdDel_Click(ItemGrid& vaSpread1, const TagRecordValues& v, qint16& failureFlag,
                  core::ButtonLock& buttons) {
    buttons.DisableButtons();
    try {
        if (vaSpread1.rows() == 0) {
            core::currentOperator().showMessage(QStringLiteral("태그삭제할 데이터가 존재하지 않습니다."));
            buttons.EnableButtons();
            return;
        }
        // Withdrawing recorded tags cannot be undone: the operator confirms
        // how many rows it touches.
        int touched = 0;
        for (int i = 1; i <= vaSpread1.rows(); ++i)
            if (vaSpread1.ticked(i) && vaSpread1.text(i, ColIssued) == QLatin1String("Y"))
                ++touched;
        if (touched > 0 && !core::currentOperator().askYesNo(
                               QStringLiteral("%1건의 태그를 삭제하시겠습니까?").arg(touched))) {
            buttons.EnableButtons();
            return;
        }
        failureFlag = 0;
        gDbConn.reconnectIfLost();
        bool removed = false;
        const int last = vaSpread1.rows();
        for (int i = 1; i <= last; ++i) {
            platform::clock().runPendingEvents();
            // The grid may have changed while events ran.
            if (i > vaSpread1.rows())
                throw platform::RuntimeError(QStringLiteral("Invalid row number %1").arg(i));
            if (!vaSpread1.ticked(i) || vaSpread1.text(i, ColIssued) != QLatin1String("Y"))
                continue;
            Delete_TagData(vaSpread1, i, v, failureFlag);
            if (failureFlag == -1) {
                buttons.EnableButtons();
                return;
            }
            removed = true;
            vaSpread1.setRowBackground(i, QColor(255, 255, 255));
            vaSpread1.setText(i, ColIssued, QStringLiteral("N"));
            vaSpread1.setText(i, ColTestIssued, QStringLiteral("N"));
            vaSpread1.setText(i, ColReissued, QStringLiteral("N"));
            vaSpread1.setText(i, ColTagId, QString());
        }
        if (removed)
            core::currentOperator().showMessage(QStringLiteral("태그삭제가 완료 되었습니다."));
        buttons.EnableButtons();
    } catch (const std::exception& e) {
        buttons.EnableButtons();
        core::reportFailure(QStringLiteral("cmdDel_Click"), core::errorText(e));
    }
}

} // namespace database
