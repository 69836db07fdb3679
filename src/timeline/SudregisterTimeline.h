#pragma once

#include "PageFrame.h"
#include "ResultWindow.h"
#include "TimelineCounts.h"

#include <QDateTime>
#include <functional>
#include <memory>

class DocumentPrinting;
class MessageBoxes;
class QSettings;
class TimelinePage;
class QChartView;
class QLabel;
class QPushButton;

// The timeline window: how many breweries were in operation in each year,
// stacked by state, for the breweries the brewery list shows. Created for
// each showing and discarded when closed.
class SudregisterTimeline : public ResultWindow {
    Q_OBJECT
public:
    SudregisterTimeline(const QString &saveDir, std::shared_ptr<MessageBoxes> boxes, QWidget *parent = nullptr);
    ~SudregisterTimeline() override;

    void setCounts(TimelineCounts counts);
    const TimelineCounts &counts() const { return m_counts; }
    // The year and the count of each state at a point of the chart view.
    QString describeAt(const QPointF &viewPoint) const;

    // Asks where to save the picture, then saves it there.
    void cmdSavePicture_Click();
    // Saves the chart as PNG, or as SVG when the name ends in ".svg".
    // Returns false, after telling the user why, when it could not.
    bool savePicture(const QString &path);
    // The default name of a saved picture, without its suffix.
    static QString PictureName(const QDateTime &moment);
    // Where the user chose to save; the file dialog unless a test answers.
    std::function<QString(const QString &proposed)> askWhere;

    // How the printed page is headed, and where the printer and paper are
    // remembered (may be null).
    void setPrinting(const PageFrame::Heading &heading, QSettings *settings);
    DocumentPrinting &printing() const { return *m_printing; }
    std::unique_ptr<TimelinePage> page() const;

    QChartView *chtTimeline;
    QLabel *lblLeftOut;
    QPushButton *cmdSavePicture;
    QPushButton *cmdPrint;
    QPushButton *cmdPrintPreview;
    QPushButton *cmdSavePdf;

private:
    void arrange() override;

    PageFrame::Heading m_heading;
    std::unique_ptr<DocumentPrinting> m_printing;

    TimelineCounts m_counts;
};
