#pragma once

#include <QWidget>

// The handle between the brewery list and the history: a thin strip over
// the edge where the two grids meet. Dragging it moves the edge.
class GridSplitter : public QWidget {
    Q_OBJECT
public:
    explicit GridSplitter(QWidget *parent);

    // Lays the strip over the edge at `y`, `width` wide.
    void placeAt(int y, int width);

signals:
    // The edge is to be at `y`, in the parent's coordinates.
    void dragged(int y);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // Where in the strip it was taken, so the edge does not jump to the
    // pointer.
    int m_grip = -1;
};
