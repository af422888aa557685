#pragma once
// The label records a printer draws from, read into a canvas: size "{D...|}",
// clear "{C|}", field format "{PC...|}", field data "{RC...|}", rules
// "{LC;...|}" and the tag data "{RB01;...|}". The virtual printer and the
// preview read them with these same functions.
#include "main/labelimage/LabelCanvas.h"

#include <QByteArrayView>
#include <QList>

namespace labelimage {

// Comma-separated parameters of a record body.
QList<QByteArrayView> recordParams(QByteArrayView params);
// A signed decimal as the records write it ("0070", "-0005", "+01", "08").
bool recordNumber(QByteArrayView text, int& value);

// Each takes the parameters after its command code; false when the record
// is not valid (the canvas is then unchanged).
bool takeSize(LabelCanvas& canvas, QByteArrayView params);
bool takeFieldFormat(LabelCanvas& canvas, QByteArrayView params);
bool takeFieldData(LabelCanvas& canvas, QByteArrayView params);
bool takeLine(LabelCanvas& canvas, QByteArrayView params);
bool takeTagData(LabelCanvas& canvas, QByteArrayView params);

// A canvas drawn from whole records ("{...|}") in the order given; records
// that draw nothing are passed over.
LabelCanvas drawRecords(const QList<QByteArray>& records);

} // namespace labelimage
