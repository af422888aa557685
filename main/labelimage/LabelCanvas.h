#pragma once
// The printer's image buffer: label size, text fields and rules, filled by
// the size, field, line and clear records and drawn when a label is issued.
// Positions and sizes are tenths of a millimetre.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <map>
#include <vector>

namespace labelimage {

struct TextField {
    int x = 0, y = 0;
    int hMag = 1, vMag = 1;
    QByteArray font; // "H" single-byte, "51" double-byte
    int pitch = 0;   // extra spacing between characters
    bool formatted = false;
    QByteArray data; // as received
};

struct Rule {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool box = false;
    int width = 2; // dots
    bool operator==(const Rule&) const = default;
};

class LabelCanvas {
public:
    static constexpr int Dpi = 203;

    void clear();
    void setSize(int totalHeight, int width, int height);
    void setFieldFormat(int number, const TextField& format);
    void setFieldData(int number, const QByteArray& data);
    void addRule(const Rule& rule);
    void setTagData(const QByteArray& hex) { m_tagData = hex; }

    int width() const { return m_width; }
    int height() const { return m_height; }
    const std::map<int, TextField>& fields() const { return m_fields; }
    const std::vector<Rule>& rules() const { return m_rules; }
    QByteArray tagData() const { return m_tagData; }

    // The text a field prints: double-byte data decoded pair by pair.
    static QString fieldText(const TextField& field);

    // The label at 203 dpi with the tag data printed under it. Needs a
    // QGuiApplication (fonts).
    QImage render(const QString& caption) const;
    // The label alone, as the top part of render(): the label and the margin
    // around it, pixel for pixel.
    QImage renderLabel() const;
    static constexpr int Margin = 16;

private:
    int m_totalHeight = 0;
    int m_width = 1000;
    int m_height = 320;
    std::map<int, TextField> m_fields;
    std::vector<Rule> m_rules;
    QByteArray m_tagData;
};

// Millimetre tenths to dots at 203 dpi.
int toDots(double tenthsMm);

} // namespace labelimage
