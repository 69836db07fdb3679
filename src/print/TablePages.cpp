#include "TablePages.h"

#include "TableRows.h"

#include <QPainter>
#include <numeric>

namespace {

// Between columns, around a row, and the indent of a row under another.
constexpr qreal ColumnGap = 6;
constexpr qreal RowPadding = 1.5;
constexpr qreal Indent = 9;
constexpr qreal FieldGap = 12;
constexpr qreal HeadlinePoints = 14;

const QString Continued = QStringLiteral("(continued)");

} // namespace

TablePages::TablePages(Options options, std::vector<Column> columns, std::unique_ptr<TableRows> rows,
                       const QString &family)
    : m_options(std::move(options)), m_columns(std::move(columns)), m_rows(std::move(rows)),
      m_frame(m_options.heading, family), m_font(family, BodyPoints), m_bold(family, BodyPoints, true),
      m_large(family, HeadlinePoints, true)
{
}

TablePages::~TablePages() = default;

qreal TablePages::columnWidth(int column) const
{
    return m_lefts[size_t(column) + 1] - m_lefts[size_t(column)] - ColumnGap;
}

void TablePages::startLayout(QSizeF area)
{
    m_frame.setArea(area);
    // Every column as wide as it wants when the page has the room, and the
    // spare room shared out; otherwise the widest give way to one width,
    // as little as the page demands.
    std::vector<qreal> wanted;
    for (const Column &column : m_columns)
        wanted.push_back(std::max<qreal>(column.wanted, 1) + ColumnGap);
    std::vector<qreal> widths = wanted;
    const qreal total = std::accumulate(wanted.begin(), wanted.end(), qreal(0));
    if (total > 0 && total <= area.width()) {
        for (qreal &width : widths)
            width *= area.width() / total;
    } else if (total > 0) {
        std::vector<qreal> sorted = wanted;
        std::sort(sorted.begin(), sorted.end());
        qreal room = area.width();
        qreal cap = 0;
        for (size_t i = 0; i < sorted.size(); ++i) {
            cap = room / qreal(sorted.size() - i);
            if (sorted[i] > cap)
                break;
            room -= sorted[i];
        }
        for (qreal &width : widths)
            width = std::min(width, cap);
    }
    m_lefts.assign(1, 0);
    for (qreal width : widths)
        m_lefts.push_back(m_lefts.back() + width);
    m_captionHeight = captionHeight();
    m_closingHeight = m_options.closing.isEmpty()
        ? 0
        : qreal(m_font.wrap(m_options.closing, area.width()).size()) * m_font.lineHeight() + 2 * RowPadding;
    m_continuedHeight = m_font.lineHeight() + RowPadding;
    m_pageStarts.assign(1, PageStart{0});
    m_next = 0;
    m_nextLine = 0;
    m_peeked = {-1, 0};
    m_used = leadHeight() + m_captionHeight;
    m_done = false;
}

qint64 TablePages::toLayOut() const
{
    return m_rows->rowCount();
}

int TablePages::pageCount() const
{
    // While rows are still being placed, the last page begun may grow.
    return int(m_pageStarts.size()) - (m_done ? 0 : 1);
}

qreal TablePages::indentOf(qint64 row, int column) const
{
    return column == m_rows->indentedFrom(row) ? Indent : 0;
}

TablePages::Cells TablePages::layOutRow(qint64 row) const
{
    const QStringList texts = m_rows->cells(row);
    Cells cells;
    cells.lines.reserve(m_columns.size());
    cells.tallest = 1;
    for (int c = 0; c < int(m_columns.size()); ++c) {
        const QString &text = c < texts.size() ? texts[c] : QString();
        const qreal width = columnWidth(c) - indentOf(row, c);
        cells.lines.push_back(text.isEmpty() ? std::vector<QString>{} : m_font.wrap(text, std::max<qreal>(width, 1)));
        cells.tallest = std::max(cells.tallest, int(cells.lines.back().size()));
    }
    return cells;
}

qreal TablePages::rowHeight(int lines) const
{
    return lines * m_font.lineHeight() + 2 * RowPadding;
}

void TablePages::beginPage(PageStart start)
{
    m_pageStarts.push_back(start);
    m_used = m_captionHeight + (start.line > 0 ? m_continuedHeight : 0);
}

bool TablePages::layOutMore(qint64 steps)
{
    if (m_done)
        return true;
    const qint64 rows = m_rows->rowCount();
    const qreal room = m_frame.bodyHeight();
    // What a page after the first holds under its captions.
    const qreal pageRoom = room - m_captionHeight;
    const qint64 end = std::min(rows, m_next + steps);
    while (m_next < end) {
        const int tallest = m_peeked.first == m_next ? m_peeked.second : layOutRow(m_next).tallest;
        const qreal height = rowHeight(tallest - m_nextLine);
        // A row and the row it keeps with go to the next page together,
        // unless they cannot stand on one page anyway.
        qreal needed = height;
        if (m_nextLine == 0 && m_rows->keepsWithNext(m_next) && m_next + 1 < rows) {
            m_peeked = {m_next + 1, layOutRow(m_next + 1).tallest};
            if (height + rowHeight(m_peeked.second) <= pageRoom)
                needed += rowHeight(m_peeked.second);
        }
        const PageStart here{m_next, m_nextLine};
        const bool pageHasRows = !(m_pageStarts.back() == here);
        if (m_used + needed > room && pageHasRows && height <= pageRoom) {
            beginPage(here);
        } else if (m_used + height > room) {
            // Taller than a page: as many lines as this page holds, the
            // rest on the next; at least one, or nothing would move on.
            const int fit = int((room - m_used - 2 * RowPadding) / m_font.lineHeight());
            if (fit < 1 && pageHasRows) {
                beginPage(here);
                continue;
            }
            m_nextLine += std::max(fit, 1);
            beginPage({m_next, m_nextLine});
            continue;
        }
        m_used += height;
        ++m_next;
        m_nextLine = 0;
    }
    if (m_next < rows)
        return false;
    if (m_used + m_closingHeight > room && !(m_pageStarts.back() == PageStart{m_next})) {
        m_pageStarts.push_back({m_next});
        m_used = m_captionHeight;
    }
    m_done = true;
    return true;
}

qreal TablePages::leadHeight() const
{
    qreal labels = 0;
    for (const auto &[label, value] : m_options.fields)
        labels = std::max(labels, m_bold.advance(label));
    qreal height = 0;
    if (!m_options.headline.isEmpty())
        height += qreal(m_large.wrap(m_options.headline, m_frame.width()).size()) * m_large.lineHeight() + FieldGap;
    for (const auto &[label, value] : m_options.fields)
        height += qreal(m_font.wrap(value, std::max<qreal>(m_frame.width() - labels - FieldGap, 1)).size())
                * m_font.lineHeight() + RowPadding;
    if (!m_options.fields.empty())
        height += FieldGap;
    if (!m_options.tableTitle.isEmpty())
        height += m_bold.lineHeight() + RowPadding * 2;
    return height;
}

qreal TablePages::paintLead(QPainter &painter) const
{
    qreal labels = 0;
    for (const auto &[label, value] : m_options.fields)
        labels = std::max(labels, m_bold.advance(label));
    qreal y = 0;
    if (!m_options.headline.isEmpty()) {
        for (const QString &line : m_large.wrap(m_options.headline, m_frame.width())) {
            m_large.draw(painter, {0, y}, line);
            y += m_large.lineHeight();
        }
        y += FieldGap;
    }
    for (const auto &[label, value] : m_options.fields) {
        m_bold.draw(painter, {0, y}, label);
        for (const QString &line : m_font.wrap(value, std::max<qreal>(m_frame.width() - labels - FieldGap, 1))) {
            m_font.draw(painter, {labels + FieldGap, y}, line);
            y += m_font.lineHeight();
        }
        y += RowPadding;
    }
    if (!m_options.fields.empty())
        y += FieldGap;
    if (!m_options.tableTitle.isEmpty()) {
        m_bold.draw(painter, {0, y}, m_options.tableTitle);
        y += m_bold.lineHeight() + RowPadding * 2;
    }
    return y;
}

qreal TablePages::captionHeight() const
{
    int tallest = 1;
    for (int c = 0; c < int(m_columns.size()); ++c)
        tallest = std::max(tallest, int(m_bold.wrap(m_columns[c].caption, std::max<qreal>(columnWidth(c), 1)).size()));
    return tallest * m_bold.lineHeight() + 3 * RowPadding;
}

void TablePages::paintCaptions(QPainter &painter, qreal top) const
{
    for (int c = 0; c < int(m_columns.size()); ++c) {
        qreal y = top;
        for (const QString &line : m_bold.wrap(m_columns[c].caption, std::max<qreal>(columnWidth(c), 1))) {
            m_bold.draw(painter, {columnLeft(c), y}, line);
            y += m_bold.lineHeight();
        }
    }
    const qreal rule = top + m_captionHeight - RowPadding;
    painter.drawLine(QPointF(0, rule), QPointF(m_lefts.back(), rule));
}

void TablePages::paintPage(QPainter &painter, int page) const
{
    if (page < 0 || page >= int(m_pageStarts.size()))
        return;
    m_frame.paint(painter, page, pageCount(), m_done);
    painter.save();
    painter.translate(0, m_frame.bodyTop());
    qreal y = page == 0 ? paintLead(painter) : 0;
    paintCaptions(painter, y);
    y += m_captionHeight;

    const PageStart start = m_pageStarts[size_t(page)];
    const PageStart end = size_t(page) + 1 < m_pageStarts.size() ? m_pageStarts[size_t(page) + 1] : PageStart{m_next};
    if (start.line > 0) {
        m_font.draw(painter, {0, y}, Continued);
        y += m_continuedHeight;
    }
    const QPen rules(QColor(160, 160, 160), 0.3);
    for (qint64 row = start.row; row < end.row || (row == end.row && end.line > 0); ++row) {
        const Cells cells = layOutRow(row);
        // The lines of the row on this page.
        const int first = row == start.row ? start.line : 0;
        const int last = row == end.row ? end.line : cells.tallest;
        if (m_rows->indentedFrom(row) < 0 && row > start.row) {
            painter.save();
            painter.setPen(rules);
            painter.drawLine(QPointF(0, y), QPointF(m_lefts.back(), y));
            painter.restore();
        }
        for (int c = 0; c < int(m_columns.size()); ++c) {
            const qreal x = columnLeft(c) + indentOf(row, c);
            const std::vector<QString> &lines = cells.lines[size_t(c)];
            qreal lineTop = y + RowPadding;
            for (int line = first; line < std::min(last, int(lines.size())); ++line) {
                m_font.draw(painter, {x, lineTop}, lines[size_t(line)]);
                lineTop += m_font.lineHeight();
            }
        }
        y += rowHeight(last - first);
    }
    if (m_done && size_t(page) + 1 == m_pageStarts.size() && !m_options.closing.isEmpty()) {
        y += RowPadding;
        for (const QString &line : m_font.wrap(m_options.closing, m_frame.width())) {
            m_font.draw(painter, {0, y}, line);
            y += m_font.lineHeight();
        }
    }
    painter.restore();
}
