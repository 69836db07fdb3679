#include "ReportLineDelegate.h"

#include "ReportModel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

// Blank characters between the widest value of a column and the next.
constexpr int ColumnGap = 2;
constexpr int Margin = 3;
// Measured over a run of characters, not one: advances are fractions of a
// pixel, and their rounding adds up.
constexpr int MeasuredRun = 1000;

} // namespace

ReportLineDelegate::ReportLineDelegate(const ReportModel &model, QObject *parent)
    : QStyledItemDelegate(parent), m_model(model)
{
}

qreal ReportLineDelegate::advance(const QFontMetrics &metrics) const
{
    if (!m_measured || !(*m_measured == metrics)) {
        m_measured = metrics;
        m_advance = qreal(metrics.horizontalAdvance(QString(MeasuredRun, QLatin1Char('0')))) / MeasuredRun;
    }
    return m_advance;
}

int ReportLineDelegate::columnStart(const QFontMetrics &metrics, int column) const
{
    qint64 characters = 0;
    for (int c = 0; c < column; ++c)
        characters += m_model.columnCharacters(c) + ColumnGap;
    return Margin + int(std::ceil(qreal(characters) * advance(metrics)));
}

ReportLineDelegate::Part ReportLineDelegate::shownPart(qsizetype length, qreal advance, qreal start, qreal left,
                                                       qreal right)
{
    if (length <= DrawnWhole || advance <= 0)
        return {0, length};
    // A character more on either side, for glyphs that reach beyond their
    // advance.
    const qsizetype from = std::clamp<qsizetype>(qsizetype(std::floor((left - start) / advance)) - 1, 0, length);
    const qsizetype to = std::clamp<qsizetype>(qsizetype(std::ceil((right - start) / advance)) + 1, from, length);
    return {from, to - from};
}

void ReportLineDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    item.text.clear();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    // What of the line the list shows, in the painter's coordinates.
    const auto *view = qobject_cast<const QAbstractItemView *>(widget);
    const QRect shown = view ? view->viewport()->rect() : option.rect;
    const qreal each = advance(option.fontMetrics);

    painter->save();
    painter->setFont(option.font);
    painter->setPen(option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    const QStringList columns = index.data().toString().split(QLatin1Char('\t'));
    for (int c = 0; c < columns.size(); ++c) {
        if (columns[c].isEmpty())
            continue;
        const int start = option.rect.left() + columnStart(option.fontMetrics, c);
        const Part part = shownPart(columns[c].size(), each, start, shown.left(), shown.right());
        const int left = start + int(std::floor(qreal(part.from) * each));
        const QRect place(left, option.rect.top(), std::max(0, option.rect.right() - left + 1), option.rect.height());
        painter->drawText(place, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          QStringView(columns[c]).mid(part.from, part.length).toString());
    }
    painter->restore();
}

QSize ReportLineDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return QSize(columnStart(option.fontMetrics, ReportModel::Columns) + Margin, option.fontMetrics.height() + 2);
}
