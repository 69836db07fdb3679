#include "PageView.h"

#include "PrintedDocument.h"

#include <QPainter>
#include <QWheelEvent>
#include <exception>

PageView::PageView(const PrintedDocument &document, const QPageLayout &layout, QWidget *parent)
    : QWidget(parent), m_document(document), m_layout(layout)
{
    setObjectName(QStringLiteral("pageView"));
    setMinimumSize(200, 200);
    setFocusPolicy(Qt::StrongFocus);
}

void PageView::setPageLayout(const QPageLayout &layout)
{
    m_layout = layout;
    update();
}

void PageView::setPage(int page)
{
    m_page = page;
    update();
}

void PageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    const QSizeF paper = m_layout.fullRect(QPageLayout::Point).size();
    const qreal scale = std::min((width() - 20) / paper.width(), (height() - 20) / paper.height());
    if (scale <= 0)
        return;
    const QSizeF shown = paper * scale;
    const QPointF corner((width() - shown.width()) / 2, (height() - shown.height()) / 2);
    painter.fillRect(QRectF(corner + QPointF(3, 3), shown), Qt::black);
    painter.fillRect(QRectF(corner, shown), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(corner);
    painter.scale(scale, scale);
    painter.translate(m_layout.paintRect(QPageLayout::Point).topLeft());
    painter.setPen(QPen(Qt::black, 0.5));
    // A page whose values could not be read says so on the page: nothing
    // may leave a paint event.
    try {
        m_document.paintPage(painter, m_page);
    } catch (const std::exception &error) {
        painter.drawText(QPointF(0, 20), QStringLiteral("This page could not be drawn: %1").arg(QString::fromLocal8Bit(error.what())));
    }
}

void PageView::wheelEvent(QWheelEvent *event)
{
    if (turned && event->angleDelta().y() != 0)
        turned(event->angleDelta().y() < 0 ? 1 : -1);
}
