#include "main/issuing/IssueRange.h"

#include "main/core/Operator.h"

#include <optional>

namespace issuing {

using database::ItemGrid;

namespace {

// A box's whole number; nothing for text that is not one (blanks around it
// are allowed).
std::optional<qint32> wholeNumber(const QString& text) {
    bool ok = false;
    const qint32 v = text.trimmed().toInt(&ok);
    return ok ? std::optional<qint32>(v) : std::nullopt;
}

} // namespace

void OptPrt_Click(ItemGrid& vaSpread1, int index, RangeControls& range) {
    vaSpread1.setAllTicked(false);
    range.setRangeBoxesEnabled(false);
    if (index == 0)
        vaSpread1.setAllTicked(true);
    else if (index == 1)
        range.setRangeBoxesEnabled(true);
}

void cmdSE_Click(ItemGrid& vaSpread1, RangeControls& range) {
    if (range.OptPrt() != 1)
        return;
    core::Operator& op = core::currentOperator();
    if (range.txtStart().isEmpty()) {
        op.showMessage(QStringLiteral("시작번호를 입력하십시오"));
        op.setFocus(QStringLiteral("txtStart"));
        return;
    }
    if (range.txtEnd().isEmpty()) {
        op.showMessage(QStringLiteral("끝번호를 입력하십시오"));
        op.setFocus(QStringLiteral("txtEnd"));
        return;
    }
    // Row numbers start at 1: a start that is no such number is asked for
    // again, an end that is none is asked for.
    const std::optional<qint32> start = wholeNumber(range.txtStart());
    if (!start || *start < 1) {
        op.showMessage(QStringLiteral("시작번호를 다시 입력하십시오"));
        op.setFocus(QStringLiteral("txtStart"));
        return;
    }
    std::optional<qint32> end = wholeNumber(range.txtEnd());
    if (!end || *end < 1) {
        op.showMessage(QStringLiteral("끝번호를 입력하십시오"));
        op.setFocus(QStringLiteral("txtEnd"));
        return;
    }
    if (*end < *start) {
        op.showMessage(QStringLiteral("시작번호를 다시 입력하십시오"));
        op.setFocus(QStringLiteral("txtStart"));
        return;
    }
    const int rows = vaSpread1.rows();
    if (rows < *end) {
        end = rows;
        range.setTxtEnd(QString::number(rows));
    }
    vaSpread1.setAllTicked(false);
    for (int r = *start; r <= *end; ++r)
        vaSpread1.setTicked(r, true);
}

qint32 GetPrtCnt(const ItemGrid& vaSpread1) {
    qint32 n = 0;
    for (int r = 1; r <= vaSpread1.rows(); ++r)
        if (vaSpread1.ticked(r))
            ++n;
    return n;
}

} // namespace issuing
