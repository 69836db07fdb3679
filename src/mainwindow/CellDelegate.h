#pragma once

#include <QStyledItemDelegate>

// Edits a grid cell in a line editor that takes a value of any length:
// the stock editor stops at 32,767 characters and cuts longer pasted text
// off without a word. A cell whose value the register notes carries a mark
// in its corner: red for an error, grey for a note.
class CellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
