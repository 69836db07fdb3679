#pragma once

#include <QToolButton>

// The direction of one sort key, beside its sort list, with the arrow a
// caption shows for it (down while ascending: the values grow downwards)
// and a tooltip that names it. A click turns it round (clicked() tells).
class SortDirection : public QToolButton {
    Q_OBJECT
public:
    explicit SortDirection(QWidget *parent = nullptr);

    bool isDescending() const { return isChecked(); }
    void setDescending(bool descending) { setChecked(descending); }

private:
    void showDirection();
};
