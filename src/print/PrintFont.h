#pragma once

#include <QFont>
#include <QRawFont>
#include <QStringView>
#include <vector>

class QPainter;

// A font of printed pages, measured and drawn in points. Texts the font
// holds every character of are measured from its own advances and drawn
// as glyphs, without shaping: half a million report lines lay out in
// moments. Any other text goes through Qt's text layout, whose fallback
// fonts print every character as itself.
class PrintFont {
public:
    PrintFont(const QString &family, qreal points, bool bold = false);

    qreal lineHeight() const { return m_lineHeight; }
    qreal advance(QStringView text) const;
    // The lines `text` takes in `width`: broken at blanks, a word wider than
    // the width broken between characters, line breaks kept. Never empty:
    // an empty text is one empty line.
    std::vector<QString> wrap(QStringView text, qreal width) const;
    // Draws one line of wrap() with the top of its line at `topLeft`.
    void draw(QPainter &painter, QPointF topLeft, QStringView line) const;

private:
    // Whether the font's own glyphs and advances serve for `text`.
    bool plain(QStringView text, QList<quint32> &glyphs) const;
    std::vector<QString> wrapByLayout(QStringView text, qreal width) const;

    // Measured large and scaled down: font metrics in whole pixels would
    // round a 9-point font's widths by a tenth.
    static constexpr qreal Magnified = 100;
    QFont m_large;
    QRawFont m_raw;
    qreal m_lineHeight;
    qreal m_ascent;
};
