#include "main/labelimage/LabelRecords.h"

namespace labelimage {

QList<QByteArrayView> recordParams(QByteArrayView params) {
    QList<QByteArrayView> out;
    qsizetype from = 0;
    for (;;) {
        const qsizetype comma = params.indexOf(',', from);
        if (comma < 0) {
            out << params.sliced(from);
            return out;
        }
        out << params.sliced(from, comma - from);
        from = comma + 1;
    }
}

// Signed decimal as the records write it ("0070", "-0005", "+01", "08").
bool recordNumber(QByteArrayView text, int& value) {
    if (text.isEmpty())
        return false;
    qsizetype i = (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (i == text.size())
        return false;
    for (qsizetype j = i; j < text.size(); ++j)
        if (text[j] < '0' || text[j] > '9')
            return false;
    bool ok = false;
    value = text.toByteArray().toInt(&ok);
    return ok;
}

namespace {

bool threeDigits(QByteArrayView text, int& value) {
    return text.size() == 3 && text[0] >= '0' && text[0] <= '9' && recordNumber(text, value);
}

} // namespace

bool takeSize(LabelCanvas& canvas, QByteArrayView params) {
    const auto p = recordParams(params);
    int total = 0, width = 0, height = 0;
    if (p.size() != 3 || !recordNumber(p[0], total) || !recordNumber(p[1], width) ||
        !recordNumber(p[2], height))
        return false;
    // A program directory without label settings sends an all-zero size; the
    // printer keeps the size it has.
    if (total == 0 && width == 0 && height == 0)
        return true;
    if (width <= 0 || height <= 0 || width > 10000 || height > 10000)
        return false;
    canvas.setSize(total, width, height);
    return true;
}

bool takeFieldFormat(LabelCanvas& canvas, QByteArrayView params) {
    // nnn;x,y,hmag,vmag,font,pitch,rotation,...
    int number = 0;
    if (params.size() < 4 || params[3] != ';' || !threeDigits(params.first(3), number))
        return false;
    const auto p = recordParams(params.sliced(4));
    TextField f;
    if (p.size() < 6 || !recordNumber(p[0], f.x) || !recordNumber(p[1], f.y) || !recordNumber(p[2], f.hMag) ||
        !recordNumber(p[3], f.vMag) || !recordNumber(p[5], f.pitch))
        return false;
    f.font = p[4].toByteArray();
    if (f.font != "H" && f.font != "51")
        return false;
    if (f.hMag < 1 || f.vMag < 1 || f.hMag > 99 || f.vMag > 99)
        return false;
    canvas.setFieldFormat(number, f);
    return true;
}

bool takeFieldData(LabelCanvas& canvas, QByteArrayView params) {
    int number = 0;
    if (params.size() < 4 || params[3] != ';' || !threeDigits(params.first(3), number))
        return false;
    canvas.setFieldData(number, params.sliced(4).toByteArray());
    return true;
}

bool takeLine(LabelCanvas& canvas, QByteArrayView params) {
    // x1,y1,x2,y2,type,width[,radius]: type 0 a line, 1 a box.
    const auto p = recordParams(params);
    Rule r;
    int type = 0;
    if (p.size() < 6 || !recordNumber(p[0], r.x1) || !recordNumber(p[1], r.y1) || !recordNumber(p[2], r.x2) ||
        !recordNumber(p[3], r.y2) || !recordNumber(p[4], type) || !recordNumber(p[5], r.width))
        return false;
    if (type != 0 && type != 1)
        return false;
    r.box = type == 1;
    canvas.addRule(r);
    return true;
}

bool takeTagData(LabelCanvas& canvas, QByteArrayView params) {
    if (params.isEmpty())
        return false;
    for (char c : params)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    canvas.setTagData(params.toByteArray());
    return true;
}

LabelCanvas drawRecords(const QList<QByteArray>& records) {
    LabelCanvas canvas;
    struct Kind {
        const char* code;
        bool (*take)(LabelCanvas&, QByteArrayView);
    };
    static const Kind kinds[] = {{"RB01;", takeTagData},
                                 {"PC", takeFieldFormat},
                                 {"RC", takeFieldData},
                                 {"LC;", takeLine},
                                 {"D", takeSize}};
    for (const QByteArray& record : records) {
        if (record.size() < 3 || !record.startsWith('{') || !record.endsWith("|}"))
            continue;
        const QByteArrayView body = QByteArrayView(record).sliced(1, record.size() - 3);
        if (body == "C") {
            canvas.clear();
            continue;
        }
        for (const Kind& k : kinds) {
            if (body.startsWith(k.code)) {
                k.take(canvas, body.sliced(qstrlen(k.code)));
                break;
            }
        }
    }
    return canvas;
}

} // namespace labelimage
