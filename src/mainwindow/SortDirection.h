#pragma once

#include <QToolButton>

// The direction of one sort key, beside its sort list: an arrow up while
// the key orders ascending, down while it orders descending. A click turns
// it round (clicked() tells).
class SortDirection : public QToolButton {
    Q_OBJECT
public:
    explicit SortDirection(QWidget *parent = nullptr);

    bool isDescending() const { return isChecked(); }
    void setDescending(bool descending) { setChecked(descending); }

private:
    void showDirection();
};
