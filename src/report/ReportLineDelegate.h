#pragma once

#include <QStyledItemDelegate>

class ReportModel;

// Draws a report line with its columns lined up: each column starts at a
// tab stop after the widest value of the column before it, in a font whose
// characters are all equally wide, so that the widths follow from the
// longest values alone. Nothing is elided; a line wider than the list is
// reached with the horizontal scroll bar.
class ReportLineDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ReportLineDelegate(const ReportModel &model, QObject *parent);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // Where column `column` starts, in pixels from the line's left edge.
    int columnStart(const QFontMetrics &metrics, int column) const;

private:
    const ReportModel &m_model;
};
