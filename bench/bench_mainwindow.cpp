// The main window on the 100,000-brewery register: start-up and the
// reactions a person waits for, against the stock sqlite3 shell where it
// does the same query.
#include "BenchTable.h"
#include "DatabasePath.h"
#include "SilentMessageBoxes.h"
#include "Sudregister.h"
#include "SudregisterReport.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <unistd.h>

namespace {


// Seconds since this process was started by the kernel.
double secondsSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    const double started = fields.value(19).toDouble() / double(sysconf(_SC_CLK_TCK));
    return uptime.readAll().split(' ').value(0).toDouble() - started;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int breweries = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const QString dir = BenchRegisterDir(breweries);

    BenchTable table(QStringLiteral("Main window, %1 breweries").arg(breweries));
    QElapsedTimer timer;
    timer.start();
    Sudregister window(DatabasePath(dir), std::make_shared<SilentMessageBoxes>());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        qFatal("window not shown");
    QCoreApplication::processEvents();
    const double inProcess = double(timer.nsecsElapsed()) / 1e9;
    table.row("start-up: process start to window shown with its count", BenchTable::seconds(secondsSinceProcessStart()),
              "< 1 s");
    table.row("  of which the window's own start-up", BenchTable::seconds(inProcess));
    table.row("  count shown", window.lblBreweryCount->text());

    const double shell = TimeSqliteShell(DatabasePath(dir), "select * from Brewery Order By IdCode, PostalCode, BreweryName");
    table.row("reference: sqlite3 shell, IdCode, PostalCode, BreweryName", BenchTable::seconds(shell));
    window.cmbSort1->setFocus();
    const double resort = table.time("re-sort: pick \"ID(ID)\" in the first sort list", [&] {
        QTest::keyClick(window.cmbSort1, Qt::Key_Down);
        QCoreApplication::processEvents();
    }, QStringLiteral("< 3x shell = %1").arg(BenchTable::seconds(3 * shell)));
    if (window.cmbSort1->currentText() != QLatin1String("ID(ID)"))
        qFatal("the sort list did not change");
    table.row("  ratio to the shell", QString::number(resort / shell, 'f', 2) + "x", "< 3x");

    // Down through 1,000 breweries; each move re-queries the history grid.
    window.grdBrauerien->setFocus();
    QCoreApplication::processEvents();
    const double walk = table.time("cursor down through 1,000 breweries (ShowChronik each)", [&] {
        for (int i = 0; i < 1000; ++i) {
            QTest::keyClick(window.grdBrauerien, Qt::Key_Down);
            QCoreApplication::processEvents();
        }
    });
    table.row("  average per move", BenchTable::seconds(walk / 1000), "< 5 ms");
    if (window.dsBrewery->Recordset().AbsolutePosition() != 1000)
        qFatal("the cursor stands at %d", window.dsBrewery->Recordset().AbsolutePosition());

    table.time("fill the jump list (2,500 blocks of 40)", [&] { window.FillCityJumpList(); }, "< 50 ms");
    table.row("  entries", QString::number(window.cboBrauereiJump->count()));
    table.time("  the same with the history following the jump", [&] {
        window.FillCityJumpList();
        QCoreApplication::processEvents();
    });

    const QString exported = dir + "/shell-export.txt";
    const double shellExport = TimeSqliteShell(DatabasePath(dir), "select * from Brewery; select * from BreweryChronik;",
                                               {"-separator", "\t", "-cmd", ".output " + exported});
    table.row("reference: sqlite3 shell exports both tables, tab mode", BenchTable::seconds(shellExport));
    int lines = 0;
    double report = 0;
    QElapsedTimer clicked;
    window.showReport = [&](SudregisterReport &shown) {
        shown.show();
        if (!QTest::qWaitForWindowExposed(&shown))
            qFatal("report window not shown");
        report = double(clicked.nsecsElapsed()) / 1e9;
        lines = shown.lineCount();
        table.row("Report: load + lines + window shown", BenchTable::seconds(report),
                  QStringLiteral("< 3x export = %1").arg(BenchTable::seconds(3 * shellExport)));
        table.time("save the report (Windows-1252, CR LF)", [&] {
            if (shown.cmdSaveReport_Click().isEmpty())
                qFatal("not saved");
        }, "< 0.5 s");
    };
    clicked.start();
    QTest::mouseClick(window.cmdReport, Qt::LeftButton);
    table.row("  report lines", QString::number(lines));
    table.row("  ratio to the shell's export", QString::number(report / shellExport, 'f', 2) + "x", "< 3x");
    table.row("peak memory of the whole program", QStringLiteral("%1 MB").arg(double(PeakResidentBytes()) / 1e6, 0, 'f', 0),
              "< 400 MB");
    QFile::remove(exported);
    for (const QString &name : QDir(dir).entryList({"Sudregister_*.lst"}))
        QFile::remove(dir + "/" + name);
    return 0;
}
