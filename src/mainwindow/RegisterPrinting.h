#pragma once

#include "DocumentPrinting.h"
#include "PageFrame.h"

#include <QString>
#include <functional>
#include <memory>

class DataGrid;
class DataSource;
class MessageBoxes;
class QAction;
class QLabel;
class QSettings;
class QWidget;
class TablePages;

// Printing from the register's window: the brewery list as it stands and
// the current brewery's sheet, each opened in the print preview, from
// which they print or go to PDF; and the heading that every printed page
// of this register carries, the report's and the timeline's too.
class RegisterPrinting {
public:
    struct Window {
        QWidget &window;
        DataGrid &breweryGrid;
        DataGrid &chronikGrid;
        DataSource &breweries;
        DataSource &chroniks;
        QLabel *bottomLine;
        // The register as pages name it, and the folder a PDF is proposed in.
        QString registerName;
        QString folder;
        // The list's order, as the sort lists name it.
        std::function<QString()> order;
        // The words the find narrows the list to; empty for the whole list.
        std::function<QString()> found;
        // The filters of the filter row, as FilterRow describes them; empty
        // when none is set.
        std::function<QString()> filtered;
        // Runs a reaction of the window: what was typed stored first, a
        // failure of the register told.
        std::function<void(const std::function<void()> &)> run;
    };

    RegisterPrinting(Window window, std::shared_ptr<MessageBoxes> boxes, QSettings *settings);
    ~RegisterPrinting();

    // The register's name, `what` the pages show and today's date.
    PageFrame::Heading heading(const QString &what) const;
    // What the brewery list shows: its order, and the find's narrowing.
    QString listDescription() const;

    std::unique_ptr<TablePages> listPages() const;
    // The current brewery's sheet; null when no brewery is current.
    std::unique_ptr<TablePages> brewerySheet() const;

    DocumentPrinting &printing() { return m_printing; }
    QAction *printListAction() const { return m_printList; }
    QAction *printSheetAction() const { return m_printSheet; }

private:
    void preview(std::unique_ptr<TablePages> document);

    Window m_window;
    std::shared_ptr<MessageBoxes> m_boxes;
    DocumentPrinting m_printing;
    QAction *m_printList;
    QAction *m_printSheet;
};
