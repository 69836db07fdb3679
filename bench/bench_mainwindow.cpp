// The main window on a generated register (100,000 breweries unless a size
// is given): start-up and the reactions a person waits for, against the
// stock sqlite3 shell doing the same query in the same German order. Every
// figure is the median of three runs, and each step also reports the
// longest stretch in which the window could not repaint.
#include "BenchTable.h"
#include "DatabasePath.h"
#include "MenuExport.h"
#include "SilentMessageBoxes.h"
#include "Sudregister.h"
#include "SudregisterReport.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>

namespace {

// Measures how long the event loop was kept from running: a timer that
// should fire every 10 ms notes the longest gap between two firings.
class RepaintGap {
public:
    RepaintGap()
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_longest = std::max(m_longest, m_since.nsecsElapsed());
            m_since.restart();
        });
        m_timer.start();
        restart();
    }
    void restart()
    {
        m_longest = 0;
        m_since.restart();
    }
    // The longest gap since restart(), the one still open included.
    double longest() const { return double(std::max(m_longest, m_since.nsecsElapsed())) / 1e9; }

private:
    QTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_longest = 0;
};

// Notes when a grid first paints rows: the time from `clock` to the first
// paint of its viewport once its data source holds rows.
class FirstRowsPainted : public QObject {
public:
    FirstRowsPainted(DataGrid &grid, const DataSource &source, const QElapsedTimer &clock)
        : m_source(source), m_clock(clock), m_viewport(grid.viewport())
    {
        m_viewport->installEventFilter(this);
    }
    ~FirstRowsPainted() override { m_viewport->removeEventFilter(this); }
    // Seconds to that paint; 0 when there was none.
    double seconds() const { return m_seconds; }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_seconds == 0 && m_source.hasRecordset()
            && m_source.Recordset().RecordCount() > 0)
            m_seconds = double(m_clock.nsecsElapsed()) / 1e9;
        return false;
    }

private:
    const DataSource &m_source;
    const QElapsedTimer &m_clock;
    QWidget *m_viewport;
    double m_seconds = 0;
};

QString ratio(double figure, double reference)
{
    return QString::number(figure / reference, 'f', 2) + "x";
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int breweries = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const QString dir = BenchRegisterDir(breweries);
    const bool large = breweries >= 1000000;
    BenchTable table(QStringLiteral("Main window, %1 breweries").arg(breweries));
    RepaintGap gap;
    const auto gapRow = [&](double seconds) { table.row("  longest time without a repaint", BenchTable::seconds(seconds), "< 100 ms"); };

    const auto boxes = std::make_shared<SilentMessageBoxes>();
    // Start-up as the program does it: the window shown at once, its grids
    // empty, then the register read; timed to the first rows painted and
    // to the whole list in order.
    std::unique_ptr<Sudregister> window;
    double startGap = 0;
    std::vector<double> firstRows, starts;
    for (int run = 0; run < 3; ++run) {
        window.reset();
        QElapsedTimer timer;
        timer.start();
        window = std::make_unique<Sudregister>(DatabasePath(dir), Sudregister::StartLater{}, boxes);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            qFatal("window not shown");
        FirstRowsPainted painted(*window->grdBrauerien, *window->dsBrewery, timer);
        gap.restart();
        window->start();
        QCoreApplication::processEvents();
        starts.push_back(double(timer.nsecsElapsed()) / 1e9);
        firstRows.push_back(painted.seconds() > 0 ? painted.seconds() : starts.back());
        startGap = std::max(startGap, gap.longest());
    }
    table.row("start-up to the first rows painted", BenchTable::seconds(Median(firstRows)),
              large ? "< 400 ms" : "< 300 ms");
    table.row("start-up to the whole list in order", BenchTable::seconds(Median(starts)), large ? "< 1.0 s" : "< 300 ms");
    gapRow(startGap);
    table.row("  count shown", window->lblBreweryCount->text());
    // The find's index is built beside start-up; once it is, the program
    // holds what it keeps until the first Report.
    QTest::qWait(large ? 8000 : 1000);
    table.row("peak memory before the first Report", QStringLiteral("%1 MB").arg(double(PeakResidentBytes()) / 1e6, 0, 'f', 0));
    table.row("  memory held then", QStringLiteral("%1 MB").arg(double(ResidentBytes()) / 1e6, 0, 'f', 0));
    Sudregister &w = *window;

    const QString german = QStringLiteral(" COLLATE SUDREGISTER_DE");
    const double shell = TimeSqliteShell(DatabasePath(dir), "SELECT * FROM Brewery ORDER BY IdCode" + german
                                                                + ", PostalCode" + german + ", BreweryName" + german + ", rowid");
    table.row("reference: sqlite3 shell, IdCode, PostalCode, BreweryName", BenchTable::seconds(shell));
    // Alternates between "ID(ID)" and the city, each a full re-sort.
    w.cmbSort1->setFocus();
    double sortGap = 0;
    bool toId = true;
    const double resort = table.median("re-sort from the first sort list, rows shown again", [&] {
        gap.restart();
        QTest::keyClick(w.cmbSort1, toId ? Qt::Key_Down : Qt::Key_Up);
        QCoreApplication::processEvents();
        sortGap = std::max(sortGap, gap.longest());
        toId = !toId;
    }, QStringLiteral("< 1x shell = %1").arg(BenchTable::seconds(shell)));
    table.row("  ratio to the shell", ratio(resort, shell), "< 1x");
    gapRow(sortGap);

    // Down through 1,000 breweries; each move re-queries the history grid.
    w.grdBrauerien->setFocus();
    QCoreApplication::processEvents();
    const double walk = table.time("cursor down through 1,000 breweries (ShowChronik each)", [&] {
        for (int i = 0; i < 1000; ++i) {
            QTest::keyClick(w.grdBrauerien, Qt::Key_Down);
            QCoreApplication::processEvents();
        }
    });
    table.row("  average per move", BenchTable::seconds(walk / 1000), "< 5 ms");

    double jumpGap = 0;
    table.median("fill the jump list (blocks of 40)", [&] {
        gap.restart();
        w.FillCityJumpList();
        jumpGap = std::max(jumpGap, gap.longest());
    }, large ? "< 500 ms" : "< 50 ms");
    table.row("  entries", QString::number(w.cboBrauereiJump->count()));
    gapRow(jumpGap);

    // A brewery deleted (and said yes to), then the delete undone: the
    // brewery back in its place in the list, shown. The register ends as
    // it began.
    boxes->answer = MessageBoxes::Answer::Yes;
    double undoGap = 0;
    std::vector<double> undos;
    QString counts;
    for (int run = 0; run < 3; ++run) {
        w.grdBrauerien->setFocus();
        const QModelIndex current = w.grdBrauerien->currentIndex();
        w.grdBrauerien->scrollTo(current);
        const int y = w.grdBrauerien->visualRect(current).center().y();
        QTest::mouseClick(w.grdBrauerien->verticalHeader()->viewport(), Qt::LeftButton, {}, QPoint(5, y));
        QTest::keyClick(w.grdBrauerien, Qt::Key_Delete);
        QCoreApplication::processEvents();
        counts = w.lblBreweryCount->text();
        gap.restart();
        QElapsedTimer undone;
        undone.start();
        QTest::keyClick(w.grdBrauerien, Qt::Key_Z, Qt::ControlModifier);
        QCoreApplication::processEvents();
        undos.push_back(double(undone.nsecsElapsed()) / 1e9);
        undoGap = std::max(undoGap, gap.longest());
    }
    table.row("undo of a brewery delete, list shown again", BenchTable::seconds(Median(undos)), "< 50 ms");
    table.row("  count after the delete, after the undo", counts + ", " + w.lblBreweryCount->text());
    boxes->answer = MessageBoxes::Answer::Cancel;
    gapRow(undoGap);

    // Another program changes a brewery: the window reads the register
    // anew, the current brewery staying current. A mark added to a stop
    // year and taken off again, so that the register ends as it began.
    {
        const auto toggleMark = [&] {
            const QString sql = "UPDATE Brewery SET StopYear = CASE WHEN StopYear LIKE '%#' THEN "
                                "substr(StopYear, 1, length(StopYear) - 1) ELSE ifnull(StopYear, '') || '#' END "
                                "WHERE RowId = (SELECT min(RowId) FROM Brewery)";
            if (QProcess::execute(QStringLiteral("sqlite3"), {DatabasePath(dir), sql}) != 0)
                qFatal("sqlite3 shell failed");
        };
        double rereadGap = 0;
        std::vector<double> rereads;
        for (int run = 0; run < 4; ++run) {
            toggleMark();
            gap.restart();
            QElapsedTimer timer;
            timer.start();
            w.syncWithRegister();
            QCoreApplication::processEvents();
            rereads.push_back(double(timer.nsecsElapsed()) / 1e9);
            rereadGap = std::max(rereadGap, gap.longest());
        }
        table.row("another program's change, list read anew", BenchTable::seconds(Median(rereads)),
                  large ? "< 1.0 s" : "< 300 ms");
        gapRow(rereadGap);
    }

    const QString exported = dir + "/shell-export.txt";
    const double shellExport = TimeSqliteShell(DatabasePath(dir), "select * from Brewery; select * from BreweryChronik;",
                                               {"-separator", "\t", "-cmd", ".output " + exported});
    table.row("reference: sqlite3 shell exports both tables, tab mode", BenchTable::seconds(shellExport));
    std::vector<double> reports, saves;
    double reportGap = 0, saveGap = 0;
    int lines = 0;
    qint64 held = 0;
    QElapsedTimer clicked;
    w.showReport = [&](SudregisterReport &shown) {
        shown.show();
        if (!QTest::qWaitForWindowExposed(&shown))
            qFatal("report window not shown");
        reports.push_back(double(clicked.nsecsElapsed()) / 1e9);
        reportGap = std::max(reportGap, gap.longest());
        lines = shown.lineCount();
        held = std::max(held, ResidentBytes());
        QElapsedTimer saving;
        saving.start();
        gap.restart();
        if (shown.cmdSaveReport_Click().isEmpty())
            qFatal("not saved");
        saves.push_back(double(saving.nsecsElapsed()) / 1e9);
        saveGap = std::max(saveGap, gap.longest());
    };
    for (int run = 0; run < 3; ++run) {
        gap.restart();
        clicked.start();
        QTest::mouseClick(w.cmdReport, Qt::LeftButton);
        for (const QString &name : QDir(dir).entryList({"Sudregister_*.lst"}))
            QFile::remove(dir + "/" + name);
    }
    const double report = Median(reports);
    // Within the shell's dump of both tables at a million breweries, and
    // within a fifth more below.
    const double reportTarget = large ? 1.0 : 1.2;
    table.row("Report: load + lines + window shown", BenchTable::seconds(report),
              QStringLiteral("< %1x export = %2").arg(reportTarget).arg(BenchTable::seconds(reportTarget * shellExport)));
    table.row("  ratio to the shell's export", ratio(report, shellExport), QStringLiteral("< %1x").arg(reportTarget));
    gapRow(reportGap);
    table.row("  report lines", QString::number(lines));
    const double save = Median(saves);
    table.row("save the report (Windows-1252, CR LF)", BenchTable::seconds(save),
              QStringLiteral("< 0.8x export = %1").arg(BenchTable::seconds(0.8 * shellExport)));
    table.row("  ratio to the shell's export", ratio(save, shellExport), "< 0.8x");
    gapRow(saveGap);
    table.row("memory held with a report shown, most", QStringLiteral("%1 MB").arg(double(held) / 1e6, 0, 'f', 0));
    table.row("peak memory after the Reports and saves", QStringLiteral("%1 MB").arg(double(PeakResidentBytes()) / 1e6, 0, 'f', 0),
              large ? "< 800 MB" : "< 400 MB");
    QFile::remove(exported);

    // File > Export… as the user starts it: beside the window, which goes
    // on repainting. A workbook's sheet holds a million rows at most: not
    // for the largest register's history.
    const QString csvReference = dir + "/shell-export.csv";
    const double shellCsv = TimeSqliteShell(DatabasePath(dir), "select rowid, * from Brewery; select ParentRowId, * from BreweryChronik;",
                                            {"-csv", "-cmd", ".output " + csvReference});
    QFile::remove(csvReference);
    table.row("reference: sqlite3 -csv, both tables", BenchTable::seconds(shellCsv));
    const auto exportThroughTheMenu = [&](ExportOptions::Format format, const QString &what, const QString &name) {
        w.exporting().askOptions = [format](const QString &, const ExportOptions &) {
            ExportOptions options;
            options.format = format;
            return std::optional(options);
        };
        const QString path = dir + "/" + name;
        w.exporting().askPath = [path](const QString &, const QString &) { return path; };
        gap.restart();
        QElapsedTimer timer;
        timer.start();
        w.exporting().action()->trigger();
        const double took = double(timer.nsecsElapsed()) / 1e9;
        const double longest = gap.longest();
        for (const QString &written : QDir(dir).entryList({QFileInfo(name).completeBaseName() + "*"}))
            QFile::remove(dir + "/" + written);
        table.row(what, BenchTable::seconds(took));
        table.row("  ratio to the shell's CSV", ratio(took, shellCsv));
        gapRow(longest);
    };
    exportThroughTheMenu(ExportOptions::Format::CsvTables, "File > Export…, two CSV tables", "bench-export.csv");
    if (!large)
        exportThroughTheMenu(ExportOptions::Format::Xlsx, "File > Export…, workbook", "bench-export.xlsx");
    return 0;
}
