#include "GridSplitter.h"

#include <QMouseEvent>

namespace {

// Half of it lies on either grid's edge: their frames, not their cells.
constexpr int StripHeight = 4;

} // namespace

GridSplitter::GridSplitter(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("splGrids"));
    setCursor(Qt::SplitVCursor);
    setAccessibleName(QStringLiteral("Divider between the breweries and their history"));
}

void GridSplitter::placeAt(int y, int width)
{
    setGeometry(0, y - StripHeight / 2, width, StripHeight);
    raise();
}

void GridSplitter::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_grip = event->position().toPoint().y();
}

void GridSplitter::mouseMoveEvent(QMouseEvent *event)
{
    if (m_grip >= 0)
        emit dragged(mapToParent(event->position().toPoint()).y() - m_grip + StripHeight / 2);
}

void GridSplitter::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_grip = -1;
}
