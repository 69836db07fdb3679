#pragma once

#include "PageFrame.h"
#include "PrintFont.h"
#include "PrintedDocument.h"

#include <memory>
#include <utility>
#include <vector>

class TableRows;

// A table printed over as many pages as it needs: the page's heading, the
// columns' captions on every page, the rows with their values wrapped in
// their columns, never cut. Before the table, on the first page, may stand
// the fields of one record, label and value; after it a closing line.
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
    };

    TablePages(Options options, std::vector<Column> columns, std::unique_ptr<TableRows> rows, const QString &family);
    ~TablePages() override;

    QString title() const override { return m_options.title; }
    QString kind() const override { return m_options.kind; }
    QPageLayout::Orientation preferredOrientation() const override { return m_options.orientation; }
    void startLayout(QSizeF area) override;
    bool layOutMore(qint64 steps) override;
    qint64 laidOut() const override { return m_next; }
    qint64 toLayOut() const override;
    int pageCount() const override;
    bool complete() const override { return m_done; }
    void paintPage(QPainter &painter, int page) const override;

    // The first row of each page laid out so far.
    const std::vector<qint64> &pageStarts() const { return m_pageStarts; }

private:
    struct Cells {
        std::vector<std::vector<QString>> lines;
        qreal height;
    };
    Cells layOutRow(qint64 row) const;
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

    std::vector<qint64> m_pageStarts;
    qint64 m_next = 0;
    qreal m_used = 0;
    // The height of the row after one kept with it, measured ahead.
    std::pair<qint64, qreal> m_peeked{-1, 0};
    bool m_done = false;
};
