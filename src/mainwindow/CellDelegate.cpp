#include "CellDelegate.h"

#include "RecordsetModel.h"

#include <QLineEdit>
#include <QPainter>
#include <limits>

QWidget *CellDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto *line = qobject_cast<QLineEdit *>(editor))
        line->setMaxLength(std::numeric_limits<int>::max());
    return editor;
}

void CellDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (index.data(RecordsetModel::NoteRole).toString().isEmpty())
        return;
    // A small triangle in the top right corner, as spreadsheets mark a comment.
    const int size = std::max(4, option.rect.height() / 3);
    const QRect cell = option.rect;
    const QPolygon corner({cell.topRight() - QPoint(size, 0), cell.topRight(), cell.topRight() + QPoint(0, size)});
    painter->save();
    painter->setPen(Qt::NoPen);
    painter->setBrush(index.data(RecordsetModel::NoteErrorRole).toBool() ? QColor(200, 30, 30) : QColor(130, 130, 130));
    painter->drawPolygon(corner);
    painter->restore();
}
