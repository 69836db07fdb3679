// The filter row and the reversed order on the generated register: from
// the last keystroke in a filter field to the list painted, a sort key
// turned round, and the longest the window went without painting meanwhile.
#include "BenchTable.h"
#include "DatabasePath.h"
#include "FilterHeader.h"
#include "SilentMessageBoxes.h"
#include "SortDirection.h"
#include "Sudregister.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <algorithm>

namespace {

// The longest stretch between two ticks of a 10 ms timer while `work` runs:
// how long the window could not paint.
double longestGap(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    tick.start();
    work();
    longest = std::max(longest, clock.elapsed() - last);
    return double(longest) / 1e3;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // Another size may be named: sudregister-bench-filter 1000000
    const int breweries = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const QString path = DatabasePath(BenchRegisterDir(breweries));
    Sudregister window(path, std::make_shared<SilentMessageBoxes>());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        qFatal("window not shown");
    window.viewActions().at(0)->setChecked(true);
    // The index is built beside the window while a person reaches the row.
    QTest::qWait(breweries > 100000 ? 8000 : 2000);

    BenchTable table(QStringLiteral("Filter row and order both ways, %1 breweries").arg(breweries));
    auto &captions = *static_cast<FilterHeader *>(window.grdBrauerien->horizontalHeader());
    // Column, text: the forms a user types, on columns of few and of many values.
    const std::vector<std::pair<int, QString>> filters = {
        {0, "=BY"}, {6, "<1800"}, {2, "96"}, {5, "brau"}, {7, "\"\""}, {3, "!bam"}, {6, "1850-1900"}, {4, "1"}};
    std::vector<double> typed;
    double gaps = 0;
    for (const auto &[column, text] : filters) {
        QLineEdit *field = captions.field(column);
        field->setText(text.chopped(1));
        window.applyFind();
        window.lblMessage->clear();
        field->setFocus();
        QElapsedTimer timer;
        timer.start();
        gaps = std::max(gaps, longestGap([&] {
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, text.right(1), Qt::NoModifier);
            while (window.lblMessage->text().isEmpty() && timer.elapsed() < 20000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            window.grdBrauerien->viewport()->repaint();
        }));
        typed.push_back(double(timer.nsecsElapsed()) / 1e9);
        field->clear();
    }
    window.applyFind();
    table.row("filter keystroke as typed to the list painted, median of 8 (typing delay included)",
              BenchTable::seconds(Median(typed)), "< 100 ms");
    table.row("  slowest of the 8", BenchTable::seconds(*std::max_element(typed.begin(), typed.end())));
    table.row("  longest gap between repaints", BenchTable::seconds(gaps), "< 100 ms");

    captions.field(0)->setText(QStringLiteral("=BY"));
    window.applyFind();
    table.row("  breweries with BL =BY", window.lblMessage->text());
    captions.field(0)->clear();
    window.applyFind();

    double sortGap = 0;
    const double ascending = table.median("sort ascending (ORT, PLZ, BRAUEREI)", [&] {
        window.tglSort1->setDescending(false);
        sortGap = std::max(sortGap, longestGap([&] { window.SortBreweries(); }));
    });
    const double reversed = table.median("first key turned round (ORT descending)", [&] {
        window.tglSort1->setDescending(true);
        sortGap = std::max(sortGap, longestGap([&] { window.SortBreweries(); }));
    });
    table.row("  reversed against ascending", QStringLiteral("%1x").arg(reversed / ascending, 0, 'f', 2), "<= 1.1x");
    table.row("  longest gap between repaints while sorting", BenchTable::seconds(sortGap), "< 100 ms");
    const double shell = TimeSqliteShell(
        path, "select RowId from Brewery order by CityName collate SUDREGISTER_DE desc, PostalCode collate "
              "SUDREGISTER_DE, BreweryName collate SUDREGISTER_DE, RowId");
    table.row("reference: sqlite3 shell, the same order", BenchTable::seconds(shell));
    return 0;
}
