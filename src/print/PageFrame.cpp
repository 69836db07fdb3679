#include "PageFrame.h"

#include <QPainter>

namespace {

constexpr qreal HeadingPoints = 9;
// Between the heading's rule and the body, and the body and the foot.
constexpr qreal Gap = 8;

} // namespace

PageFrame::PageFrame(Heading heading, const QString &family)
    : m_heading(std::move(heading)), m_font(family, HeadingPoints)
{
}

qreal PageFrame::bodyTop() const
{
    return m_font.lineHeight() + Gap;
}

qreal PageFrame::bodyHeight() const
{
    return std::max<qreal>(0, m_area.height() - 2 * (m_font.lineHeight() + Gap));
}

void PageFrame::paint(QPainter &painter, int page, int pages, bool counted) const
{
    const qreal width = m_area.width();
    // A heading wider than the page keeps its ends; the middle gives way.
    const qreal rightWidth = m_font.advance(m_heading.right);
    const qreal leftWidth = std::min(m_font.advance(m_heading.left), width - rightWidth - Gap);
    m_font.draw(painter, {0, 0}, m_font.wrap(m_heading.left, std::max<qreal>(leftWidth, 1)).front());
    m_font.draw(painter, {width - rightWidth, 0}, m_heading.right);
    const qreal room = width - leftWidth - rightWidth - 4 * Gap;
    if (room > 0 && !m_heading.middle.isEmpty()) {
        const QString middle = m_font.wrap(m_heading.middle, room).front();
        const qreal middleWidth = m_font.advance(middle);
        const qreal x = std::clamp((width - middleWidth) / 2, leftWidth + 2 * Gap,
                                   width - rightWidth - 2 * Gap - middleWidth);
        m_font.draw(painter, {x, 0}, middle);
    }
    const qreal rule = m_font.lineHeight() + Gap / 2;
    painter.drawLine(QPointF(0, rule), QPointF(width, rule));

    const QString foot = counted ? QStringLiteral("page %1 of %2").arg(page + 1).arg(pages)
                                 : QStringLiteral("page %1 of …").arg(page + 1);
    m_font.draw(painter, {(width - m_font.advance(foot)) / 2, m_area.height() - m_font.lineHeight()}, foot);
}
