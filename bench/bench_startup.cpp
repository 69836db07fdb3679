// What opening a register costs beyond showing it: the backup made of a
// changed register, and a cell that holds a very long value.
#include "BenchTable.h"
#include "DatabasePath.h"
#include "RegisterBackup.h"
#include "RegisterFile.h"
#include "SilentMessageBoxes.h"
#include "Sudregister.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Seconds from creating the window to its being shown with its rows.
double startUp(const QString &path)
{
    QElapsedTimer timer;
    timer.start();
    Sudregister window(path, std::make_shared<SilentMessageBoxes>());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        qFatal("window not shown");
    QCoreApplication::processEvents();
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int breweries = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const QString path = DatabasePath(BenchRegisterDir(breweries));

    BenchTable table(QStringLiteral("Start-up and backups, %1 breweries").arg(breweries));
    // Warm the file cache so that both start-ups read from memory.
    startUp(path);
    // Medians of three: with the backups gone before each run, and with
    // the newest backup in place.
    std::vector<double> changed;
    for (int run = 0; run < 3; ++run) {
        QDir(BackupFolder(path)).removeRecursively();
        changed.push_back(startUp(path));
    }
    const double withBackup = Median(changed);
    table.row("start-up of a changed register, backup included", BenchTable::seconds(withBackup));
    table.row("  backups made", QString::number(QDir(BackupFolder(path)).entryList({"*.mdb"}, QDir::Files).size()), "1");
    const double without = Median({startUp(path), startUp(path), startUp(path)});
    table.row("start-up of an unchanged register (no backup)", BenchTable::seconds(without));
    table.row("  ratio", QString::number(withBackup / without, 'f', 2) + "x", "< 1.3x");
    table.row("  register size", QStringLiteral("%1 MB").arg(double(QFileInfo(path).size()) / 1e6, 0, 'f', 1));

    // A value of a megabyte in one cell: the grid shows its first
    // characters instead of laying out all of it at every paint.
    QTemporaryDir scratch;
    const QString big = DatabasePath(scratch.path());
    {
        auto file = RegisterFile::open(big);
        file->exec(("INSERT INTO Brewery (CityName, BreweryName) VALUES ('Bamberg', '" + QByteArray(1 << 20, 'm') + "')")
                       .constData());
    }
    Sudregister window(big, std::make_shared<SilentMessageBoxes>());
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        qFatal("window not shown");
    table.time("repaint a grid holding a 1 MB value", [&] { window.grdBrauerien->viewport()->repaint(); }, "< 1 s");
    return 0;
}
