#include "SortDirection.h"

SortDirection::SortDirection(QWidget *parent) : QToolButton(parent)
{
    setCheckable(true);
    setAutoRaise(false);
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QToolButton::toggled, this, &SortDirection::showDirection);
    showDirection();
}

void SortDirection::showDirection()
{
    // The arrow the captions draw for the same direction.
    setArrowType(isDescending() ? Qt::UpArrow : Qt::DownArrow);
    const QString direction = isDescending() ? QStringLiteral("Descending") : QStringLiteral("Ascending");
    setToolTip(direction + (isDescending() ? QStringLiteral(": click to sort ascending")
                                           : QStringLiteral(": click to sort descending")));
    setAccessibleName(direction);
}
