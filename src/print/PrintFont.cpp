#include "PrintFont.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>

PrintFont::PrintFont(const QString &family, qreal points, bool bold) : m_large(family)
{
    m_large.setPixelSize(int(points * Magnified));
    m_large.setBold(bold);
    // Ligatures or kerning would make the drawn text differ from the measured.
    m_large.setKerning(false);
    m_raw = QRawFont::fromFont(m_large);
    m_raw.setPixelSize(points);
    const QFontMetricsF metrics(m_large);
    m_lineHeight = metrics.lineSpacing() / Magnified;
    m_ascent = metrics.ascent() / Magnified;
}

bool PrintFont::plain(QStringView text, QList<quint32> &glyphs) const
{
    for (QChar c : text) {
        if (c.unicode() < 0x20 || c.isSurrogate() || c.category() == QChar::Mark_NonSpacing)
            return false;
    }
    glyphs = m_raw.glyphIndexesForString(text.toString());
    if (glyphs.size() != text.size())
        return false;
    return std::find(glyphs.cbegin(), glyphs.cend(), 0u) == glyphs.cend();
}

qreal PrintFont::advance(QStringView text) const
{
    QList<quint32> glyphs;
    if (plain(text, glyphs)) {
        qreal width = 0;
        for (const QPointF &step : m_raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics))
            width += step.x();
        return width;
    }
    return QFontMetricsF(m_large).horizontalAdvance(text.toString()) / Magnified;
}

std::vector<QString> PrintFont::wrap(QStringView text, qreal width) const
{
    QList<quint32> glyphs;
    if (!plain(text, glyphs))
        return wrapByLayout(text, width);
    const QList<QPointF> steps = m_raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
    std::vector<QString> lines;
    qsizetype start = 0;
    while (true) {
        qreal used = 0;
        qsizetype end = start;
        qsizetype lastBlank = -1;
        while (end < text.size() && used + steps[end].x() <= width) {
            if (text[end] == QLatin1Char(' '))
                lastBlank = end;
            used += steps[end].x();
            ++end;
        }
        if (end == text.size()) {
            lines.push_back(text.mid(start).toString());
            return lines;
        }
        // Broken after the last blank that fits, else inside the word; at
        // least one character a line, however narrow the column.
        qsizetype next = lastBlank > start ? lastBlank + 1 : std::max(end, start + 1);
        lines.push_back(text.mid(start, next - start).toString().trimmed());
        while (next < text.size() && text[next] == QLatin1Char(' '))
            ++next;
        if (next == text.size())
            return lines;
        start = next;
    }
}

std::vector<QString> PrintFont::wrapByLayout(QStringView text, qreal width) const
{
    // Line breaks of other programs' values break the printed line; a tab
    // is a blank.
    QString prepared = text.toString();
    prepared.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    for (QChar &c : prepared) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QChar::LineSeparator;
        else if (c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    }
    QTextLayout layout(prepared, m_large);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    std::vector<QString> lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width * Magnified);
        QString part = prepared.mid(line.textStart(), line.textLength());
        part.remove(QChar::LineSeparator);
        lines.push_back(part.trimmed());
    }
    layout.endLayout();
    if (lines.empty())
        lines.emplace_back();
    return lines;
}

void PrintFont::draw(QPainter &painter, QPointF topLeft, QStringView line) const
{
    if (line.isEmpty())
        return;
    QList<quint32> glyphs;
    if (plain(line, glyphs)) {
        const QList<QPointF> steps = m_raw.advancesForGlyphIndexes(glyphs, QRawFont::UseDesignMetrics);
        QList<QPointF> positions;
        positions.reserve(glyphs.size());
        qreal x = 0;
        for (const QPointF &step : steps) {
            positions.append(QPointF(x, 0));
            x += step.x();
        }
        QGlyphRun run;
        run.setRawFont(m_raw);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        painter.drawGlyphRun(topLeft + QPointF(0, m_ascent), run);
        return;
    }
    painter.save();
    painter.translate(topLeft);
    painter.scale(1 / Magnified, 1 / Magnified);
    painter.setFont(m_large);
    painter.drawText(QPointF(0, m_ascent * Magnified), line.toString());
    painter.restore();
}
