#include "SudregisterTimeline.h"

#include "DocumentPrinting.h"
#include "MessageBoxes.h"
#include "TimelinePage.h"
#include "TimelinePalette.h"
#include "ScreenFit.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QDir>
#include <QFileDialog>
#include <QHelpEvent>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QToolTip>
#include <QValueAxis>

namespace {

// The chart view tells the window where the mouse is, for the tooltip of
// the year under it.
class TimelineView : public QChartView {
public:
    TimelineView(QChart *chart, const SudregisterTimeline &window, QWidget *parent)
        : QChartView(chart, parent), m_window(window)
    {
        setMouseTracking(true);
        setRenderHint(QPainter::Antialiasing);
    }

protected:
    void mouseMoveEvent(QMouseEvent *event) override
    {
        tell(event->position(), event->globalPosition().toPoint());
        QChartView::mouseMoveEvent(event);
    }
    // The pointer came to rest: the moves alone leave no tooltip when it
    // arrived with one move, as a window manager may deliver it.
    bool viewportEvent(QEvent *event) override
    {
        if (event->type() != QEvent::ToolTip)
            return QChartView::viewportEvent(event);
        const auto *help = static_cast<QHelpEvent *>(event);
        tell(help->pos(), help->globalPos());
        return true;
    }

private:
    void tell(const QPointF &viewPoint, const QPoint &global)
    {
        const QString text = m_window.describeAt(viewPoint);
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(global, text, this);
    }

    const SudregisterTimeline &m_window;
};

} // namespace

SudregisterTimeline::SudregisterTimeline(const QString &saveDir, std::shared_ptr<MessageBoxes> boxes, QWidget *parent)
    : ResultWindow(QStringLiteral("SudregisterTimeline"), saveDir, std::move(boxes), parent)
{
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
    // As large as the main window's first size: a chart of centuries needs
    // the room.
    resize(fittedToScreen(QSize(pixels(11760), pixels(8175)), *this));

    auto *chart = new QChart;
    chart->setTitle(QStringLiteral("Breweries in operation"));
    chart->legend()->setAlignment(Qt::AlignRight);
    chtTimeline = new TimelineView(chart, *this, this);
    chtTimeline->setObjectName(QStringLiteral("chtTimeline"));

    lblLeftOut = new QLabel(this);
    lblLeftOut->setObjectName(QStringLiteral("lblLeftOut"));
    lblLeftOut->setWordWrap(true);
    cmdSavePicture = addButton(QStringLiteral("Save Picture"), QStringLiteral("cmdSavePicture"),
                                   [this] { cmdSavePicture_Click(); });
    cmdPrint = addButton(QStringLiteral("&Print…"), QStringLiteral("cmdPrint"), [this] { m_printing->print(*page()); });
    cmdPrintPreview = addButton(QStringLiteral("Print Pre&view…"), QStringLiteral("cmdPrintPreview"),
                                [this] { m_printing->preview(*page()); });
    cmdSavePdf = addButton(QStringLiteral("Save as P&DF…"), QStringLiteral("cmdSavePdf"),
                           [this] { m_printing->saveAsPdf(*page()); });
    setPrinting({}, nullptr);
    askWhere = [this](const QString &proposed) {
        return QFileDialog::getSaveFileName(this, QStringLiteral("Save Picture"), proposed,
                                            QStringLiteral("PNG image (*.png);;SVG image (*.svg)"));
    };
    arrange();
}

SudregisterTimeline::~SudregisterTimeline() = default;

void SudregisterTimeline::setPrinting(const PageFrame::Heading &heading, QSettings *settings)
{
    m_heading = heading;
    m_printing = std::make_unique<DocumentPrinting>(*this, m_boxes, settings, lblLeftOut, m_saveDir);
}

std::unique_ptr<TimelinePage> SudregisterTimeline::page() const
{
    return std::make_unique<TimelinePage>(*chtTimeline, m_heading, lblLeftOut->text(), font().family());
}

void SudregisterTimeline::arrange()
{
    const int row = pixels(375);
    const int gap = pixels(120);
    chtTimeline->setGeometry(0, 0, width(), std::max(0, height() - row - 2 * gap));
    int left = gap;
    for (QPushButton *button : {cmdSavePicture, cmdPrint, cmdPrintPreview, cmdSavePdf}) {
        button->setGeometry(left, height() - row - gap, pixels(1815), row);
        left += pixels(1815) + gap;
    }
    lblLeftOut->setGeometry(left, height() - row - gap, std::max(0, width() - left - gap), row);
}

void SudregisterTimeline::setCounts(TimelineCounts counts)
{
    m_counts = std::move(counts);
    QChart *chart = chtTimeline->chart();
    chart->removeAllSeries();
    for (QAbstractAxis *axis : chart->axes())
        chart->removeAxis(axis);

    auto *years = new QValueAxis;
    years->setLabelFormat(QStringLiteral("%d"));
    years->setTitleText(QStringLiteral("Year"));
    auto *breweries = new QValueAxis;
    breweries->setLabelFormat(QStringLiteral("%d"));
    breweries->setTitleText(QStringLiteral("Breweries in operation"));
    chart->addAxis(years, Qt::AlignBottom);
    chart->addAxis(breweries, Qt::AlignLeft);

    // One band per state, each stacked on the ones before it.
    std::vector<int> below(size_t(std::max(0, m_counts.years())), 0);
    int highest = 0;
    std::vector<QAreaSeries *> bands;
    for (int s = 0; s < int(m_counts.states.size()); ++s) {
        auto *lower = new QLineSeries;
        auto *upper = new QLineSeries;
        for (int y = 0; y < m_counts.years(); ++y) {
            const int year = m_counts.firstYear + y;
            lower->append(year, below[size_t(y)]);
            below[size_t(y)] += m_counts.perState[size_t(s)][size_t(y)];
            upper->append(year, below[size_t(y)]);
            highest = std::max(highest, below[size_t(y)]);
        }
        auto *band = new QAreaSeries(upper, lower);
        band->setName(m_counts.states[s]);
        // Colours of their own: the chart theme repeats five.
        const QBrush brush = StateBrush(s, m_counts.states[s]);
        band->setBrush(brush);
        band->setBorderColor(brush.color().darker(130));
        bands.push_back(band);
    }
    // The legend lists the bands as the stack shows them, the top one first.
    for (auto band = bands.rbegin(); band != bands.rend(); ++band) {
        chart->addSeries(*band);
        (*band)->attachAxis(years);
        (*band)->attachAxis(breweries);
    }
    if (m_counts.years() > 0) {
        years->setRange(m_counts.firstYear, m_counts.lastYear);
        // Ticks on round years, about ten of them.
        int interval = 1;
        for (int step : {1, 2, 5, 10, 25, 50, 100, 200, 500}) {
            interval = step;
            if (m_counts.years() / step <= 10)
                break;
        }
        years->setTickType(QValueAxis::TicksDynamic);
        years->setTickAnchor(m_counts.firstYear - m_counts.firstYear % interval);
        years->setTickInterval(interval);
    }
    breweries->setRange(0, std::max(1, highest));
    breweries->applyNiceNumbers();
    // Whole breweries only: a small count gets a tick per brewery, not
    // fractions its labels would round to "0, 0, 0, 1".
    if (breweries->max() < breweries->tickCount() - 1)
        breweries->setTickCount(int(breweries->max()) + 1);
    // Without a year there is nothing to mark on the years' axis.
    years->setLabelsVisible(m_counts.years() > 0);

    QString text = (m_counts.charted == 1 ? QStringLiteral("%1 brewery charted.")
                                          : QStringLiteral("%1 breweries charted."))
                       .arg(m_counts.charted);
    QStringList why;
    if (m_counts.noStartYear > 0)
        why << QStringLiteral("%1 without a start year").arg(m_counts.noStartYear);
    if (m_counts.stopBeforeStart > 0)
        why << QStringLiteral("%1 with a stop year before the start year").arg(m_counts.stopBeforeStart);
    if (!why.isEmpty())
        text += QStringLiteral(" Left out: %1.").arg(why.join(QStringLiteral(", ")));
    lblLeftOut->setText(text);
}

QString SudregisterTimeline::describeAt(const QPointF &viewPoint) const
{
    QChart *chart = chtTimeline->chart();
    const QPointF scene = chtTimeline->mapToScene(viewPoint.toPoint());
    const QPointF inChart = chart->mapFromScene(scene);
    if (m_counts.years() <= 0 || !chart->plotArea().contains(inChart))
        return QString();
    const int year = int(std::lround(chart->mapToValue(inChart).x()));
    if (year < m_counts.firstYear || year > m_counts.lastYear)
        return QString();
    const int total = m_counts.total(year);
    QStringList lines{QStringLiteral("%1: %2 %3").arg(year).arg(total).arg(total == 1 ? QStringLiteral("brewery")
                                                                                    : QStringLiteral("breweries"))};
    for (int s = 0; s < int(m_counts.states.size()); ++s) {
        if (const int n = m_counts.count(s, year); n > 0)
            lines << QStringLiteral("%1: %2").arg(m_counts.states[s]).arg(n);
    }
    return lines.join(QLatin1Char('\n'));
}

QString SudregisterTimeline::PictureName(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("'Sudregister_Timeline_'yyyy'_'MM'_'dd'_'HH'_'mm'_'ss"));
}

void SudregisterTimeline::cmdSavePicture_Click()
{
    QString path = askWhere(QDir(m_saveDir).filePath(PictureName(QDateTime::currentDateTime()) + QStringLiteral(".png")));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive) && !path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive))
        path += QStringLiteral(".png");
    if (savePicture(path))
        m_boxes->tell(QStringLiteral("Created ") + path);
}

bool SudregisterTimeline::savePicture(const QString &path)
{
    // Written under a temporary name and moved into place: a failed save
    // leaves nothing half-written, and the file tells why it failed.
    QSaveFile file(path);
    bool drawn = false;
    if (file.open(QIODevice::WriteOnly)) {
        if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
            QSvgGenerator svg;
            svg.setOutputDevice(&file);
            svg.setSize(chtTimeline->size());
            svg.setViewBox(chtTimeline->rect());
            // Shown at the window's size by viewers that count 96 pixels an inch.
            svg.setResolution(chtTimeline->logicalDpiX());
            svg.setTitle(QStringLiteral("Breweries in operation"));
            QPainter painter;
            if (painter.begin(&svg)) {
                chtTimeline->render(&painter);
                drawn = painter.end();
            }
        } else {
            drawn = chtTimeline->grab().save(&file, "PNG");
        }
    }
    const bool saved = file.isOpen() && file.error() == QFileDevice::NoError && drawn && file.commit();
    if (!saved) {
        const QString why = file.error() != QFileDevice::NoError ? file.errorString()
                                                                 : QStringLiteral("the picture could not be drawn");
        m_boxes->critical(QStringLiteral("The picture could not be saved as %1: %2").arg(path, why), windowTitle());
    }
    return saved;
}
