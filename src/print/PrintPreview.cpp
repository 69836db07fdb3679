#include "PrintPreview.h"

#include "PageView.h"
#include "PrintedDocument.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <exception>

namespace {

// The papers offered; others come from the printer's own dialog.
constexpr QPageSize::PageSizeId Papers[] = {QPageSize::A4, QPageSize::A3, QPageSize::A5, QPageSize::Letter,
                                            QPageSize::Legal};

} // namespace

PrintPreview::PrintPreview(PrintedDocument &document, const QPageLayout &layout, QWidget *parent)
    : QDialog(parent), m_document(document), m_layout(layout)
{
    setObjectName(QStringLiteral("PrintPreview"));
    setWindowTitle(QStringLiteral("Print Preview - %1").arg(document.title()));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);

    cboPaper = new QComboBox(this);
    cboPaper->setObjectName(QStringLiteral("cboPaper"));
    for (QPageSize::PageSizeId id : Papers)
        cboPaper->addItem(QPageSize::name(id), QPageSize::key(id));
    if (cboPaper->findData(layout.pageSize().key()) < 0)
        cboPaper->addItem(layout.pageSize().name(), layout.pageSize().key());
    cboPaper->setCurrentIndex(cboPaper->findData(layout.pageSize().key()));
    cboOrientation = new QComboBox(this);
    cboOrientation->setObjectName(QStringLiteral("cboOrientation"));
    cboOrientation->addItem(QStringLiteral("Portrait"), int(QPageLayout::Portrait));
    cboOrientation->addItem(QStringLiteral("Landscape"), int(QPageLayout::Landscape));
    cboOrientation->setCurrentIndex(layout.orientation() == QPageLayout::Portrait ? 0 : 1);
    spnPage = new QSpinBox(this);
    spnPage->setObjectName(QStringLiteral("spnPage"));
    spnPage->setAccessibleName(QStringLiteral("Page"));
    lblPages = new QLabel(this);
    lblPages->setObjectName(QStringLiteral("lblPages"));
    cmdPrint = new QPushButton(QStringLiteral("&Print…"), this);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdSavePdf = new QPushButton(QStringLiteral("Save as P&DF…"), this);
    cmdSavePdf->setObjectName(QStringLiteral("cmdSavePdf"));
    auto *view = new PageView(document, layout, this);
    view->turned = [this](int steps) { showPage(currentPage() + steps); };
    m_page = view;

    auto *bar = new QHBoxLayout;
    auto *paperLabel = new QLabel(QStringLiteral("P&aper:"), this);
    paperLabel->setBuddy(cboPaper);
    auto *pageLabel = new QLabel(QStringLiteral("Pa&ge:"), this);
    pageLabel->setBuddy(spnPage);
    for (QWidget *w : std::initializer_list<QWidget *>{paperLabel, cboPaper, cboOrientation, pageLabel, spnPage, lblPages})
        bar->addWidget(w);
    bar->addStretch();
    bar->addWidget(cmdPrint);
    bar->addWidget(cmdSavePdf);
    auto *column = new QVBoxLayout(this);
    column->addLayout(bar);
    column->addWidget(view, 1);
    resize(900, 700);

    connect(cboPaper, &QComboBox::activated, this, [this] {
        for (QPageSize::PageSizeId id : Papers) {
            if (QPageSize::key(id) == cboPaper->currentData().toString())
                m_layout.setPageSize(QPageSize(id), m_layout.margins());
        }
        setUpPages();
    });
    connect(cboOrientation, &QComboBox::activated, this, [this] {
        m_layout.setOrientation(QPageLayout::Orientation(cboOrientation->currentData().toInt()));
        setUpPages();
    });
    connect(spnPage, &QSpinBox::valueChanged, this, [this](int page) {
        m_page->setPage(page - 1);
    });
    // Printing lays the document out for the printer's paper; the preview
    // lays it out again for its own.
    connect(cmdPrint, &QPushButton::clicked, this, [this] {
        if (print)
            print(m_layout);
        setUpPages();
    });
    connect(cmdSavePdf, &QPushButton::clicked, this, [this] {
        if (saveAsPdf)
            saveAsPdf(m_layout);
        setUpPages();
    });
    m_layoutTimer.setInterval(0);
    connect(&m_layoutTimer, &QTimer::timeout, this, [this] { layOutSlice(); });
    setUpPages();
}

void PrintPreview::setUpPages()
{
    m_page->setPageLayout(m_layout);
    m_document.startLayout(m_layout.paintRect(QPageLayout::Point).size());
    // The first page is there before the preview shows.
    while (m_document.pageCount() < 2 && !m_document.layOutMore(256)) {
    }
    showCount();
    showPage(0);
    if (!m_document.complete())
        m_layoutTimer.start();
}

void PrintPreview::layOutSlice()
{
    // Laid out in slices of a few milliseconds, the preview always answering.
    QElapsedTimer slice;
    slice.start();
    bool done = false;
    try {
        while (!done && slice.elapsed() < 30)
            done = m_document.layOutMore(512);
    } catch (const std::exception &error) {
        // Nothing may leave a timer's slot; the pages counted so far stay.
        m_layoutTimer.stop();
        showCount();
        lblPages->setText(QStringLiteral("%1; the rest could not be read: %2")
                              .arg(lblPages->text(), QString::fromLocal8Bit(error.what())));
        return;
    }
    if (done)
        m_layoutTimer.stop();
    showCount();
    // The page shown learns its total.
    m_page->update();
}

void PrintPreview::showCount()
{
    const int pages = std::max(1, m_document.pageCount());
    spnPage->setRange(1, pages);
    lblPages->setText(m_document.complete() ? QStringLiteral("of %1").arg(pages)
                                            : QStringLiteral("of %1 or more").arg(pages));
}

int PrintPreview::currentPage() const
{
    return spnPage->value() - 1;
}

void PrintPreview::showPage(int page)
{
    spnPage->setValue(std::clamp(page, 0, std::max(0, m_document.pageCount() - 1)) + 1);
    m_page->setPage(spnPage->value() - 1);
}

bool PrintPreview::laidOut() const
{
    return m_document.complete();
}

void PrintPreview::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_PageDown:
        showPage(currentPage() + 1);
        return;
    case Qt::Key_PageUp:
        showPage(currentPage() - 1);
        return;
    case Qt::Key_Home:
        if (event->modifiers() & Qt::ControlModifier) {
            showPage(0);
            return;
        }
        break;
    case Qt::Key_End:
        if (event->modifiers() & Qt::ControlModifier) {
            showPage(m_document.pageCount() - 1);
            return;
        }
        break;
    default:
        break;
    }
    QDialog::keyPressEvent(event);
}
