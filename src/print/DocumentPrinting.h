#pragma once

#include "PrintSettings.h"

#include <QDateTime>
#include <QPageLayout>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class MessageBoxes;
class PrintPreview;
class PrintedDocument;
class QLabel;
class QPrinter;
class QWidget;

// What the user does with a document: print it, look at it first, or save
// it as a PDF. Each shows its progress in the window's bottom line and a
// dialog with Cancel, keeps the windows painted, remembers the printer,
// paper and orientation, and says what happened.
class DocumentPrinting {
public:
    // PDFs are proposed in `folder`; `bottomLine` (may be null) shows the
    // progress.
    DocumentPrinting(QWidget &window, std::shared_ptr<MessageBoxes> boxes, QSettings *settings, QLabel *bottomLine,
                     const QString &folder);

    // Asks for a printer, then prints.
    void print(PrintedDocument &document);
    // Shows the pages; Print and Save as PDF there print or save them.
    void preview(PrintedDocument &document);
    // Asks where, then saves; returns the file written, or an empty text.
    QString saveAsPdf(PrintedDocument &document);

    // The default name of a PDF of `document`, without its folder.
    static QString PdfName(const PrintedDocument &document, const QDateTime &moment);

    // The dialogs, unless a test answers: the printer's (false is a
    // cancel), the file's (empty is a cancel), and the preview's showing.
    std::function<bool(QPrinter &printer)> askPrinter;
    std::function<QString(const QString &proposed)> askPdfPath;
    std::function<void(PrintPreview &preview)> showPreview;

private:
    // Whether the document still shows what it was made from; says
    // otherwise that it `notDone`.
    bool current(const PrintedDocument &document, const QString &notDone);
    void printWith(PrintedDocument &document, const QPageLayout *layout);
    QString saveWith(PrintedDocument &document, const QPageLayout &layout);

    QWidget &m_window;
    std::shared_ptr<MessageBoxes> m_boxes;
    PrintSettings m_settings;
    QPointer<QLabel> m_bottomLine;
    QString m_folder;
};
