// The timeline window on the 100,000-brewery register: from the click to
// the chart shown.
#include "BenchTable.h"
#include "DatabasePath.h"
#include "SilentMessageBoxes.h"
#include "Sudregister.h"
#include "SudregisterTimeline.h"

#include <QApplication>
#include <QChartView>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // Another size may be named: sudregister-bench-find 1000000
    const int breweries = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    Sudregister window(DatabasePath(BenchRegisterDir(breweries)), std::make_shared<SilentMessageBoxes>());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        qFatal("window not shown");

    BenchTable table(QStringLiteral("Timeline, %1 breweries").arg(breweries));
    QElapsedTimer clicked;
    double shown = 0;
    int charted = 0;
    window.showTimeline = [&](SudregisterTimeline &timeline) {
        timeline.show();
        if (!QTest::qWaitForWindowExposed(&timeline))
            qFatal("timeline not shown");
        timeline.chtTimeline->grab(); // the chart drawn once
        shown = double(clicked.nsecsElapsed()) / 1e9;
        charted = timeline.counts().charted;
    };
    clicked.start();
    QTest::mouseClick(window.cmdTimeline, Qt::LeftButton);
    table.row("open the timeline: read, count, chart drawn", BenchTable::seconds(shown),
              breweries > 100000 ? "< 2 s" : "< 300 ms");
    table.row("  breweries charted", QString::number(charted));
    return 0;
}
