#pragma once

#include "PageFrame.h"
#include "PrintedDocument.h"

class QGraphicsView;

// The timeline on one printed page, drawn as lines and areas, not as a
// picture: the chart with its legend as the window shows it, scaled to the
// page, and under it what the chart leaves out.
class TimelinePage : public PrintedDocument {
public:
    TimelinePage(QGraphicsView &chart, const PageFrame::Heading &heading, const QString &leftOut,
                 const QString &family);

    QString title() const override { return QStringLiteral("Timeline"); }
    QString kind() const override { return QStringLiteral("Timeline"); }
    QPageLayout::Orientation preferredOrientation() const override { return QPageLayout::Landscape; }
    void startLayout(QSizeF area) override { m_frame.setArea(area); }
    bool layOutMore(qint64) override { return true; }
    qint64 laidOut() const override { return 1; }
    qint64 toLayOut() const override { return 1; }
    int pageCount() const override { return 1; }
    bool complete() const override { return true; }
    void paintPage(QPainter &painter, int page) const override;

private:
    QGraphicsView &m_chart;
    PageFrame m_frame;
    PrintFont m_font;
    QString m_leftOut;
};
