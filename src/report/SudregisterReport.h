#pragma once

#include "PageFrame.h"
#include "ResultWindow.h"

#include <QDateTime>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class DocumentPrinting;
class MessageBoxes;
class QLabel;
class QListView;
class QSettings;
class QPushButton;
class ReportModel;
class TablePages;
class clsBrewery;

// The report window: the report lines in a list, and a button that saves
// them to a dated ".lst" file in the folder of the open register. Created
// anew for every report and discarded when closed.
class SudregisterReport : public ResultWindow {
    Q_OBJECT
public:
    SudregisterReport(const QString &saveDir, std::shared_ptr<MessageBoxes> boxes, QWidget *parent = nullptr);
    ~SudregisterReport() override;

    // The breweries to report, in report order, each followed by its
    // history entries.
    void setBreweries(std::vector<std::shared_ptr<clsBrewery>> breweries,
                      const std::function<void(qint64 done, qint64 total)> &progress = {});
    // Hands the breweries back; the window then shows no lines.
    std::vector<std::shared_ptr<clsBrewery>> takeBreweries();
    int lineCount() const;
    QString lineAt(int row) const;
    QStringList lines() const;

    // Writes the lines to "Sudregister_YYYY_MM_DD_HH_MM_SS.lst" and tells
    // the user where. Returns the path, or an empty text when it failed.
    QString cmdSaveReport_Click();
    // The clock the file name is read from; the local time unless a test
    // sets another.
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };

    static QString ReportFileName(const QDateTime &moment);

    // How the printed pages are headed and their columns captioned (the
    // brewery columns' eight, then the history's complete name), and where
    // the printer and paper are remembered (may be null).
    void setPrinting(const PageFrame::Heading &heading, const QStringList &captions, QSettings *settings);
    DocumentPrinting &printing() const { return *m_printing; }
    // The report as printed pages, laid out anew for each use.
    std::unique_ptr<TablePages> pages() const;

    QListView *lstReport;
    QPushButton *cmdSaveReport;
    QPushButton *cmdPrint;
    QPushButton *cmdPrintPreview;
    QPushButton *cmdSavePdf;
    QLabel *lblStatus;

private:
    void arrange() override;
    void printed(const std::function<void(TablePages &)> &use);

    ReportModel *m_model;
    PageFrame::Heading m_heading;
    QStringList m_captions;
    std::unique_ptr<DocumentPrinting> m_printing;
};
