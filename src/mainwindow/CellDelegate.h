#pragma once

#include <QStyledItemDelegate>

// Edits a grid cell in a line editor that takes a value of any length:
// the stock editor stops at 32,767 characters and cuts longer pasted text
// off without a word.
class CellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};
