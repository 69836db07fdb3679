#pragma once

#include <QObject>

class QWidget;

// A turn of the mouse wheel over a list that does not hold the focus
// changes nothing: a stock combo box takes the focus and changes its entry,
// and a sort list would re-sort the whole register behind the user's back.
// Over a list that holds the focus the wheel works as before.
class WheelGuard : public QObject {
    Q_OBJECT
public:
    // Guards `list`, which then takes the focus by click and Tab only.
    static void guard(QWidget *list);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    using QObject::QObject;
};
