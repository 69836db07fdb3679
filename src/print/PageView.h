#pragma once

#include <QPageLayout>
#include <QWidget>
#include <functional>

class PrintedDocument;

// One page of a document drawn on a sheet of paper, as large as the widget
// allows; the wheel turns the pages.
class PageView : public QWidget {
public:
    PageView(const PrintedDocument &document, const QPageLayout &layout, QWidget *parent);

    void setPageLayout(const QPageLayout &layout);
    void setPage(int page);
    // The wheel asks for the page `steps` further on.
    std::function<void(int steps)> turned;

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    const PrintedDocument &m_document;
    QPageLayout m_layout;
    int m_page = 0;
};
