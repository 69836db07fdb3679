#pragma once

#include "PageFrame.h"
#include "PrintFont.h"
#include "PrintedDocument.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class TableRows;

// A table printed over as many pages as it needs: the page's heading, the
// columns' captions on every page, the rows with their values wrapped in
// their columns, never cut: a row taller than a page goes on over the next,
// marked "(continued)" there. Before the table, on the first page, may
// stand the fields of one record, label and value; after it a closing line.
class TablePages : public PrintedDocument {
public:
    // The size of the values' font.
    static constexpr qreal BodyPoints = 9;

    struct Column {
        QString caption;
        // The width its values want, in points. Columns that want more
        // than the page has give way, the widest first: short values keep
        // their room, long ones wrap.
        qreal wanted;
    };
    struct Options {
        QString title;
        QString kind;
        QPageLayout::Orientation orientation = QPageLayout::Landscape;
        PageFrame::Heading heading;
        // Printed large at the top of the first page.
        QString headline;
        // Label and value of each field printed before the table.
        std::vector<std::pair<QString, QString>> fields;
        // Printed in bold over the table, after the fields.
        QString tableTitle;
        QString closing;
        // Why the rows no longer stand as they were counted; none when
        // they are given whole.
        std::function<QString()> outdated;
    };

    // Where a page's rows begin: a row, and the first of its wrapped lines
    // on the page (more than 0 where the row began on the page before).
    struct PageStart {
        qint64 row;
        int line = 0;
        bool operator==(const PageStart &) const = default;
    };

    TablePages(Options options, std::vector<Column> columns, std::unique_ptr<TableRows> rows, const QString &family);
    ~TablePages() override;

    QString title() const override { return m_options.title; }
    QString kind() const override { return m_options.kind; }
    QString outdated() const override { return m_options.outdated ? m_options.outdated() : QString(); }
    QPageLayout::Orientation preferredOrientation() const override { return m_options.orientation; }
    void startLayout(QSizeF area) override;
    bool layOutMore(qint64 steps) override;
    qint64 laidOut() const override { return m_next; }
    qint64 toLayOut() const override;
    int pageCount() const override;
    bool complete() const override { return m_done; }
    void paintPage(QPainter &painter, int page) const override;

    // The start of each page laid out so far.
    const std::vector<PageStart> &pageStarts() const { return m_pageStarts; }

private:
    struct Cells {
        std::vector<std::vector<QString>> lines;
        // The lines of its tallest cell.
        int tallest;
    };
    Cells layOutRow(qint64 row) const;
    // The height of `lines` lines of a row.
    qreal rowHeight(int lines) const;
    void beginPage(PageStart start);
    qreal leadHeight() const;
    qreal paintLead(QPainter &painter) const;
    qreal captionHeight() const;
    void paintCaptions(QPainter &painter, qreal top) const;
    qreal columnLeft(int column) const { return m_lefts[size_t(column)]; }
    qreal columnWidth(int column) const;
    qreal indentOf(qint64 row, int column) const;

    Options m_options;
    std::vector<Column> m_columns;
    std::unique_ptr<TableRows> m_rows;
    PageFrame m_frame;
    PrintFont m_font;
    PrintFont m_bold;
    PrintFont m_large;
    // Where each column begins, and after the last where the table ends.
    std::vector<qreal> m_lefts;
    qreal m_captionHeight = 0;
    qreal m_closingHeight = 0;
    qreal m_continuedHeight = 0;

    std::vector<PageStart> m_pageStarts;
    // The row to place next, and its first line not placed yet.
    qint64 m_next = 0;
    int m_nextLine = 0;
    qreal m_used = 0;
    // The lines of the row after one kept with it, measured ahead.
    std::pair<qint64, int> m_peeked{-1, 0};
    bool m_done = false;
};
