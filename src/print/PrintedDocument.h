#pragma once

#include <QPageLayout>
#include <QSizeF>
#include <QString>

class QPainter;

// Something the program prints or saves as PDF: laid out for a page size,
// then painted one page at a time. Layout runs in slices, so that a
// preview shows the first pages of a long report at once and a PDF of it
// reports its progress; painting a page needs only that page's layout.
// Sizes and places are in points, from the top left corner of the page's
// printable area.
class PrintedDocument {
public:
    virtual ~PrintedDocument() = default;

    // The document's name, for the PDF's title and the print queue.
    virtual QString title() const = 0;
    // Which document it is, for the settings remembered per kind.
    virtual QString kind() const = 0;
    virtual QPageLayout::Orientation preferredOrientation() const = 0;

    // Lays the document out anew for pages whose printable area is `area`.
    virtual void startLayout(QSizeF area) = 0;
    // Lays out about `steps` more rows; returns whether the layout is done.
    virtual bool layOutMore(qint64 steps) = 0;
    // How far the layout has come, of how much.
    virtual qint64 laidOut() const = 0;
    virtual qint64 toLayOut() const = 0;
    // The pages laid out so far; all of them once layOutMore() returned true.
    virtual int pageCount() const = 0;
    // Whether pageCount() is the document's last word.
    virtual bool complete() const = 0;
    virtual void paintPage(QPainter &painter, int page) const = 0;
    // Why the document no longer shows what it was made from (another
    // program changed the register it reads row by row), or empty while it
    // does: such a document is not printed.
    virtual QString outdated() const { return QString(); }

    // Lays the whole document out.
    void layOutAll(QSizeF area)
    {
        startLayout(area);
        while (!layOutMore(1 << 16)) {
        }
    }
};
