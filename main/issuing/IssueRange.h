#pragma once
// The row choice of the "발행범위" frame: all rows, a start/end range, or the
// operator's own ticks; and the count of ticked rows a run will go over.
#include "main/database/ItemGrid.h"

#include <QString>

namespace issuing {

// The "발행범위" frame: option group `OptPrt` (0 "전체", 1 "시작/끝지정",
// 2 "직접선택") and the boxes `txtStart`, `txtEnd`.
class RangeControls {
public:
    virtual ~RangeControls() = default;
    virtual int OptPrt() const = 0; // the selected option, -1 when none is
    virtual QString txtStart() const = 0;
    virtual QString txtEnd() const = 0;
    virtual void setTxtEnd(const QString& text) = 0;
    virtual void setRangeBoxesEnabled(bool on) = 0;
};

// The frame as plain values, for runs without a window.
struct RangeValues : RangeControls {
    int optPrt = 0;
    QString start;
    QString end;
    bool boxesEnabled = false;
    int OptPrt() const override { return optPrt; }
    QString txtStart() const override { return start; }
    QString txtEnd() const override { return end; }
    void setTxtEnd(const QString& text) override { end = text; }
    void setRangeBoxesEnabled(bool on) override { boxesEnabled = on; }
};

// Option k of `OptPrt` clicked: every row unticked and the boxes disabled;
// then 0 ticks every row, 1 enables the boxes, 2 leaves the ticks to the
// operator.
void OptPrt_Click(database::ItemGrid& vaSpread1, int index, RangeControls& range);

// `cmdSE` (and Enter in the boxes): with "시작/끝지정" selected, ticks rows
// start to end after checking the boxes; an end beyond the last row becomes
// the row count.
void cmdSE_Click(database::ItemGrid& vaSpread1, RangeControls& range);

// The number of ticked rows; 0 after the failure report "[GetPrtCnt]".
qint32 GetPrtCnt(const database::ItemGrid& vaSpread1);

} // namespace issuing
