#pragma once

#include <QDialog>
#include <QPageLayout>
#include <QTimer>
#include <functional>

class PageView;
class PrintedDocument;
class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;

// Shows a document's pages as they will print, one page at a time, drawn
// when shown: the first pages of the longest report appear at once while
// the rest is laid out beside. Paper and orientation can be changed; Print
// and Save as PDF hand the pages as set up to whoever opened the preview.
class PrintPreview : public QDialog {
    Q_OBJECT
public:
    PrintPreview(PrintedDocument &document, const QPageLayout &layout, QWidget *parent = nullptr);

    QPageLayout pageLayout() const { return m_layout; }
    PrintedDocument &document() const { return m_document; }
    // The page shown, counted from 0, and the pages laid out so far.
    int currentPage() const;
    void showPage(int page);
    bool laidOut() const;

    std::function<void(const QPageLayout &)> print;
    std::function<void(const QPageLayout &)> saveAsPdf;

    QComboBox *cboPaper;
    QComboBox *cboOrientation;
    QSpinBox *spnPage;
    QLabel *lblPages;
    QPushButton *cmdPrint;
    QPushButton *cmdSavePdf;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setUpPages();
    void layOutSlice();
    void showCount();

    PrintedDocument &m_document;
    QPageLayout m_layout;
    PageView *m_page;
    QTimer m_layoutTimer;
};
