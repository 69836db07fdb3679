#include "WheelGuard.h"

#include <QEvent>
#include <QWidget>

void WheelGuard::guard(QWidget *list)
{
    list->setFocusPolicy(Qt::StrongFocus);
    list->installEventFilter(new WheelGuard(list));
}

bool WheelGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel && !static_cast<QWidget *>(watched)->hasFocus()) {
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
