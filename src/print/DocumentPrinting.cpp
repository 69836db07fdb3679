#include "DocumentPrinting.h"

#include "CancellableStep.h"
#include "MessageBoxes.h"
#include "PageOutput.h"
#include "PrintPreview.h"
#include "PrintedDocument.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>

DocumentPrinting::DocumentPrinting(QWidget &window, std::shared_ptr<MessageBoxes> boxes, QSettings *settings,
                                   QLabel *bottomLine, const QString &folder)
    : m_window(window), m_boxes(std::move(boxes)), m_settings(settings), m_bottomLine(bottomLine), m_folder(folder)
{
    askPrinter = [this](QPrinter &printer) {
        QPrintDialog dialog(&printer, &m_window);
        return dialog.exec() == QDialog::Accepted;
    };
    askPdfPath = [this](const QString &proposed) {
        return QFileDialog::getSaveFileName(&m_window, QStringLiteral("Save as PDF"), proposed,
                                            QStringLiteral("PDF document (*.pdf)"));
    };
    showPreview = [](PrintPreview &preview) { preview.exec(); };
}

QString DocumentPrinting::PdfName(const PrintedDocument &document, const QDateTime &moment)
{
    return moment.toString(QStringLiteral("'Sudregister_%1_'yyyy'_'MM'_'dd'_'HH'_'mm'_'ss'.pdf'").arg(document.kind()));
}

void DocumentPrinting::print(PrintedDocument &document)
{
    printWith(document, nullptr);
}

bool DocumentPrinting::current(const PrintedDocument &document, const QString &notDone)
{
    const QString why = document.outdated();
    if (!why.isEmpty())
        m_boxes->critical(QStringLiteral("\"%1\" %2: %3. Close it and make it again.").arg(document.title(), notDone, why),
                          m_window.windowTitle());
    return why.isEmpty();
}

void DocumentPrinting::printWith(PrintedDocument &document, const QPageLayout *layout)
{
    if (!current(document, QStringLiteral("was not printed")))
        return;
    QPrinter printer(QPrinter::HighResolution);
    m_settings.applyTo(printer, document.kind(), document.preferredOrientation());
    if (layout)
        printer.setPageLayout(*layout);
    printer.setDocName(document.title());
    if (!askPrinter(printer))
        return;
    m_settings.remember(printer, document.kind());
    bool finished = false;
    {
        CancellableStep progress(m_window, m_bottomLine, QStringLiteral("Printing"));
        finished = PageOutput::paint(document, printer, [&progress](int permille) { return progress(permille); });
    }
    if (!finished) {
        printer.abort();
        if (m_bottomLine)
            m_bottomLine->setText(QStringLiteral("Printing was cancelled."));
    } else if (printer.printerState() == QPrinter::Error) {
        m_boxes->critical(QStringLiteral("\"%1\" could not be printed.").arg(document.title()), m_window.windowTitle());
    }
}

void DocumentPrinting::preview(PrintedDocument &document)
{
    PrintPreview preview(document, m_settings.pageLayout(document.kind(), document.preferredOrientation()), &m_window);
    preview.print = [this, &document](const QPageLayout &layout) { printWith(document, &layout); };
    preview.saveAsPdf = [this, &document](const QPageLayout &layout) { saveWith(document, layout); };
    showPreview(preview);
    m_settings.remember(preview.pageLayout(), document.kind());
}

QString DocumentPrinting::saveAsPdf(PrintedDocument &document)
{
    return saveWith(document, m_settings.pageLayout(document.kind(), document.preferredOrientation()));
}

QString DocumentPrinting::saveWith(PrintedDocument &document, const QPageLayout &layout)
{
    if (!current(document, QStringLiteral("was not saved as a PDF")))
        return QString();
    QString path = askPdfPath(QDir(m_folder).filePath(PdfName(document, QDateTime::currentDateTime())));
    if (path.isEmpty())
        return QString();
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    m_settings.remember(layout, document.kind());
    PageOutput::Saved saved{};
    {
        CancellableStep progress(m_window, m_bottomLine, QStringLiteral("Saving the PDF"));
        saved = PageOutput::savePdf(document, path, layout, [&progress](int permille) { return progress(permille); });
    }
    switch (saved.outcome) {
    case PageOutput::Saved::Written:
        // Changed while it was being written: part of it is of the old rows.
        if (!current(document, QStringLiteral("was not saved as a PDF"))) {
            QFile::remove(path);
            return QString();
        }
        m_boxes->tell(QStringLiteral("Created ") + path);
        return path;
    case PageOutput::Saved::Cancelled:
        if (m_bottomLine)
            m_bottomLine->setText(QStringLiteral("Saving the PDF was cancelled; %1 was not written.").arg(path));
        return QString();
    case PageOutput::Saved::Failed:
        break;
    }
    m_boxes->critical(QStringLiteral("The PDF could not be saved as %1: %2").arg(path, saved.error),
                      m_window.windowTitle());
    return QString();
}
