#pragma once

#include "PrintFont.h"

#include <QSizeF>
#include <QString>

class QPainter;

// What every printed page carries: a heading line (the register, what the
// pages show, the date) over a rule, and "page n of m" at its foot. The
// room between them is the page's body.
class PageFrame {
public:
    struct Heading {
        QString left;
        QString middle;
        QString right;
    };

    PageFrame(Heading heading, const QString &family);

    void setArea(QSizeF area) { m_area = area; }
    QSizeF area() const { return m_area; }
    // The body's top and height, and its width.
    qreal bodyTop() const;
    qreal bodyHeight() const;
    qreal width() const { return m_area.width(); }

    // Paints the heading and the foot of page `page` (counted from 0) of
    // `pages`; while the pages are still being counted, "page n of …".
    void paint(QPainter &painter, int page, int pages, bool counted) const;

private:
    Heading m_heading;
    PrintFont m_font;
    QSizeF m_area;
};
