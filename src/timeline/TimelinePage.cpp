#include "TimelinePage.h"

#include <QGraphicsView>
#include <QPainter>

TimelinePage::TimelinePage(QGraphicsView &chart, const PageFrame::Heading &heading, const QString &leftOut,
                           const QString &family)
    : m_chart(chart), m_frame(heading, family), m_font(family, 9), m_leftOut(leftOut)
{
}

void TimelinePage::paintPage(QPainter &painter, int page) const
{
    if (page != 0)
        return;
    m_frame.paint(painter, 0, 1, true);
    const std::vector<QString> lines = m_font.wrap(m_leftOut, m_frame.width());
    const qreal below = qreal(lines.size()) * m_font.lineHeight();
    const QRectF target(0, m_frame.bodyTop(), m_frame.width(), m_frame.bodyHeight() - below);
    m_chart.render(&painter, target, m_chart.viewport()->rect(), Qt::KeepAspectRatio);
    qreal y = target.bottom();
    for (const QString &line : lines) {
        m_font.draw(painter, {0, y}, line);
        y += m_font.lineHeight();
    }
}
