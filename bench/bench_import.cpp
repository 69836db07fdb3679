// Importing the saved report of the 100,000-brewery register into an empty
// register.
#include "BenchTable.h"
#include "DatabasePath.h"
#include "ReportImport.h"
#include "SilentMessageBoxes.h"
#include "Sudregister.h"
#include "SudregisterReport.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>


int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const int breweries = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const QString dir = BenchRegisterDir(breweries);
    QString saved;
    {
        Sudregister window(DatabasePath(dir), std::make_shared<SilentMessageBoxes>());
        window.showReport = [&](SudregisterReport &report) { saved = report.cmdSaveReport_Click(); };
        QTest::mouseClick(window.cmdReport, Qt::LeftButton);
    }
    if (saved.isEmpty())
        qFatal("no report saved");

    BenchTable table(QStringLiteral("Import of a saved report, %1 breweries").arg(breweries));
    QTemporaryDir target;
    ImportCounts counts;
    table.time("import the saved report into an empty register", [&] {
        counts = ImportReport(saved, DatabasePath(target.path()));
    }, "< 3 s");
    table.row("  breweries / history entries added", QStringLiteral("%1 / %2").arg(counts.breweries).arg(counts.chroniks));
    QFile::remove(saved);
    return 0;
}
