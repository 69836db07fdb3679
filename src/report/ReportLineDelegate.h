#pragma once

#include <QFontMetrics>
#include <QStyledItemDelegate>
#include <optional>

class ReportModel;

// Draws a report line with its columns lined up: each column starts at a
// tab stop after the widest value of the column before it, in a font whose
// characters are all equally wide, so that the widths follow from the
// longest values alone. Nothing is elided; a line wider than the list is
// reached with the horizontal scroll bar. A value too long to lay out at
// every paint (another program may have stored millions of characters)
// is drawn only where the list shows it.
class ReportLineDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    ReportLineDelegate(const ReportModel &model, QObject *parent);

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    // Where column `column` starts, in pixels from the line's left edge.
    int columnStart(const QFontMetrics &metrics, int column) const;

    // Values up to this length are drawn whole; longer ones in part.
    static constexpr qsizetype DrawnWhole = 4096;
    struct Part {
        qsizetype from;
        qsizetype length;
    };
    // The characters of a value of `length` characters, each `advance`
    // pixels wide, starting at x = `start`, that may show between `left`
    // and `right`; the whole value when it is short.
    static Part shownPart(qsizetype length, qreal advance, qreal start, qreal left, qreal right);

private:
    // One character's advance in `metrics`' font, a fraction of a pixel.
    qreal advance(const QFontMetrics &metrics) const;

    const ReportModel &m_model;
    mutable std::optional<QFontMetrics> m_measured;
    mutable qreal m_advance = 0;
};
