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
    setArrowType(isDescending() ? Qt::DownArrow : Qt::UpArrow);
    const QString direction = isDescending() ? QStringLiteral("Descending") : QStringLiteral("Ascending");
    setToolTip(direction + (isDescending() ? QStringLiteral(": click to sort ascending")
                                           : QStringLiteral(": click to sort descending")));
    setAccessibleName(direction);
}
