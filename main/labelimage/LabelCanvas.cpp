#include "main/labelimage/LabelCanvas.h"

#include "platform/Cp949.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace labelimage {

int toDots(double tenthsMm) {
    return int(std::lround(tenthsMm * LabelCanvas::Dpi / 254.0));
}

void LabelCanvas::clear() {
    m_fields.clear();
    m_rules.clear();
    m_tagData.clear();
}

void LabelCanvas::setSize(int totalHeight, int width, int height) {
    m_totalHeight = totalHeight;
    m_width = width;
    m_height = height;
}

void LabelCanvas::setFieldFormat(int number, const TextField& format) {
    TextField& f = m_fields[number];
    const QByteArray data = f.data;
    f = format;
    f.formatted = true;
    f.data = data;
}

void LabelCanvas::setFieldData(int number, const QByteArray& data) {
    m_fields[number].data = data;
}

void LabelCanvas::addRule(const Rule& rule) {
    // Labels sent without a clear record repeat the same rules.
    if (std::find(m_rules.begin(), m_rules.end(), rule) == m_rules.end())
        m_rules.push_back(rule);
}

QString LabelCanvas::fieldText(const TextField& field) {
    if (field.font != "51")
        return QString::fromLatin1(field.data);
    // Double-byte font: every character is two bytes; 0xC9 leads a
    // single-byte character stored as its code + 0x81.
    QString text;
    const QByteArray& d = field.data;
    for (qsizetype i = 0; i + 1 < d.size(); i += 2) {
        const uchar lead = uchar(d[i]), trail = uchar(d[i + 1]);
        if (lead == 0xC9)
            text += QChar(trail >= 0x81 ? trail - 0x81 : '?');
        else
            text += platform::fromCp949(d.mid(i, 2));
    }
    return text;
}

namespace {

struct Fonts {
    QString gothic;
    QString coding;
};

const Fonts& labelFonts() {
    static const Fonts fonts = [] {
        Fonts f;
        auto load = [](const char* file, const char* fallback) {
            const int id = QFontDatabase::addApplicationFont(
                QStringLiteral("/usr/share/fonts/truetype/nanum/%1").arg(QLatin1String(file)));
            const QStringList families = id >= 0 ? QFontDatabase::applicationFontFamilies(id) : QStringList();
            return families.isEmpty() ? QString::fromLatin1(fallback) : families.first();
        };
        f.gothic = load("NanumGothic.ttf", "Sans Serif");
        f.coding = load("NanumGothicCoding.ttf", "Monospace");
        return f;
    }();
    return fonts;
}

// The identifier in the tag data: prefix, organisation code in six bits a
// character, then serial number and suffix as one hex digit each (14 digits).
QString decodeTagData(const QByteArray& hex) {
    if (hex.size() < 6 + 14)
        return {};
    const QByteArray body = hex.mid(6, hex.size() - 6 - 14);
    QString bits;
    for (char c : body)
        bits += QString::number(QByteArray(1, c).toInt(nullptr, 16), 2).rightJustified(4, QLatin1Char('0'));
    if (bits.size() % 6 != 0)
        return {};
    QString organ;
    for (int i = 0; i < bits.size(); i += 6) {
        const int v = bits.mid(i, 6).toInt(nullptr, 2);
        if (v >= 48 && v <= 57)
            organ += QChar('0' + v - 48);
        else if (v >= 1 && v <= 26)
            organ += QChar('A' + v - 1);
        else
            organ += QLatin1Char('?');
    }
    const QByteArray digits = hex.right(14);
    return QStringLiteral("%1 %2 %3 %4")
        .arg(QString::fromLatin1(hex.left(6)), organ, QString::fromLatin1(digits.left(12)),
             QString::fromLatin1(digits.right(2)));
}

// Draws one field. Double-byte font: y is the top of the characters, a
// Korean character is a square cell, a single-byte one about half as wide; sizes
// up to 9 are multiples of 1.2 mm, larger ones are tenths of a millimetre.
// Single-byte font "H": y is the baseline, fixed cells of 12/7 mm tenths per
// horizontal unit.
void drawField(QPainter& p, const TextField& f, const QString& text, QPointF origin) {
    const Fonts& fonts = labelFonts();
    if (f.font == "51") {
        auto size = [](int mag) { return mag < 10 ? mag * 12.0 : double(mag); };
        const double cellH = toDots(size(f.vMag));
        const double cellW = toDots(size(f.hMag));
        QFont font(fonts.gothic);
        font.setPixelSize(std::max(1, int(cellH)));
        font.setStretch(std::clamp(int(100 * cellW / std::max(1.0, cellH)), 25, 400));
        p.setFont(font);
        const QFontMetricsF fm(font);
        const double spacing = f.pitch * cellH / 40.0;
        double x = origin.x() + toDots(f.x);
        const double baseline = origin.y() + toDots(f.y) + fm.ascent();
        for (const QChar c : text) {
            const bool wide = c.unicode() >= 0x1100;
            if (!c.isSpace())
                p.drawText(QPointF(x, baseline), QString(c));
            // Single-byte characters of the double-byte font are proportional,
            // at least half a cell wide.
            x += (wide ? cellW : std::max(cellW / 2, fm.horizontalAdvance(c))) + spacing;
        }
    } else {
        const double cellH = toDots(f.vMag * 3.0);
        const double cellW = f.hMag * 12.0 / 7.0 * LabelCanvas::Dpi / 254.0;
        QFont font(fonts.coding);
        font.setPixelSize(std::max(1, int(cellH)));
        font.setBold(true);
        p.setFont(font);
        const QFontMetricsF fm(font);
        const double stretch = cellW / std::max(1.0, fm.horizontalAdvance(QLatin1Char('0')));
        double x = origin.x() + toDots(f.x);
        const double baseline = origin.y() + toDots(f.y);
        const double spacing = f.pitch * 0.5;
        for (const QChar c : text) {
            p.save();
            p.translate(x, baseline);
            p.scale(stretch, 1.0);
            p.drawText(QPointF(0, 0), QString(c));
            p.restore();
            x += cellW + spacing;
        }
    }
}

} // namespace

QImage LabelCanvas::renderLabel() const {
    return render(QString()).copy(0, 0, toDots(m_width) + 2 * Margin, toDots(m_height) + 2 * Margin);
}

QImage LabelCanvas::render(const QString& caption) const {
    constexpr int Strip = 64;
    const int w = toDots(m_width), h = toDots(m_height);
    QImage image(w + 2 * Margin, h + 2 * Margin + Strip, QImage::Format_RGB32);
    image.fill(QColor(0xd8, 0xd8, 0xd8));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const QPointF origin(Margin, Margin);
    p.fillRect(QRect(Margin, Margin, w, h), Qt::white);
    p.setClipRect(QRect(Margin, Margin, w, h));

    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    for (const Rule& r : m_rules) {
        const int x1 = Margin + toDots(std::min(r.x1, r.x2)), x2 = Margin + toDots(std::max(r.x1, r.x2));
        const int y1 = Margin + toDots(std::min(r.y1, r.y2)), y2 = Margin + toDots(std::max(r.y1, r.y2));
        const int lw = std::max(1, r.width);
        if (r.box) {
            p.drawRect(x1, y1, x2 - x1 + lw, lw);
            p.drawRect(x1, y2, x2 - x1 + lw, lw);
            p.drawRect(x1, y1, lw, y2 - y1 + lw);
            p.drawRect(x2, y1, lw, y2 - y1 + lw);
        } else {
            p.drawRect(x1, y1, std::max(lw, x2 - x1 + (y1 == y2 ? lw : 0)),
                       std::max(lw, y2 - y1 + (x1 == x2 ? lw : 0)));
        }
    }
    p.setPen(Qt::black);
    for (const auto& [number, field] : m_fields) {
        if (field.formatted && !field.data.isEmpty())
            drawField(p, field, fieldText(field), origin);
    }
    p.setClipping(false);

    // Under the label: what the printer wrote into the inlay.
    QFont small(labelFonts().coding);
    small.setPixelSize(15);
    p.setFont(small);
    p.setPen(QColor(0x20, 0x20, 0x20));
    const int y0 = Margin + h + Margin;
    p.drawText(QPointF(Margin, y0 + 16), caption);
    const QString tag = m_tagData.isEmpty() ? QStringLiteral("RFID: (no tag data)")
                                            : QStringLiteral("RFID: %1").arg(QString::fromLatin1(m_tagData));
    p.drawText(QPointF(Margin, y0 + 36), tag);
    const QString decoded = decodeTagData(m_tagData);
    if (!decoded.isEmpty())
        p.drawText(QPointF(Margin, y0 + 56), QStringLiteral("      %1").arg(decoded));
    return image;
}

} // namespace labelimage
