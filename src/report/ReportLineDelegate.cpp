#include "ReportLineDelegate.h"

#include "ReportModel.h"

#include <QApplication>
#include <QPainter>

namespace {

// Blank characters between the widest value of a column and the next.
constexpr int ColumnGap = 2;
constexpr int Margin = 3;

} // namespace

ReportLineDelegate::ReportLineDelegate(const ReportModel &model, QObject *parent)
    : QStyledItemDelegate(parent), m_model(model)
{
}

int ReportLineDelegate::columnStart(const QFontMetrics &metrics, int column) const
{
    // Measured as a run of characters, not one character times a count:
    // advances are fractions of a pixel, and their rounding adds up.
    int characters = 0;
    for (int c = 0; c < column; ++c)
        characters += m_model.columnCharacters(c) + ColumnGap;
    return Margin + metrics.horizontalAdvance(QString(characters, QLatin1Char('0')));
}

void ReportLineDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    item.text.clear();
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    painter->save();
    painter->setFont(option.font);
    painter->setPen(option.palette.color(option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    const QStringList columns = index.data().toString().split(QLatin1Char('\t'));
    for (int c = 0; c < columns.size(); ++c) {
        if (columns[c].isEmpty())
            continue;
        const QRect place = option.rect.adjusted(columnStart(option.fontMetrics, c), 0, 0, 0);
        painter->drawText(place, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, columns[c]);
    }
    painter->restore();
}

QSize ReportLineDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const
{
    return QSize(columnStart(option.fontMetrics, ReportModel::Columns) + Margin, option.fontMetrics.height() + 2);
}
