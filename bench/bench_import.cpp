// Importing the saved report of a generated register (100,000 breweries
// unless a size is given) into an empty register: the shipped
// sudregister-import in a process of its own, against the stock sqlite3
// shell's .import of the same rows into a register with the same schema and
// index. Medians of three runs.
#include "BenchTable.h"
#include "DatabasePath.h"
#include "RegisterFile.h"
#include "SilentMessageBoxes.h"
#include "Sudregister.h"
#include "SudregisterReport.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Writes one table of the register as tab-separated rows.
void exportTable(const QString &path, const QString &table, const QString &to)
{
    QProcess shell;
    shell.setStandardOutputFile(to);
    shell.start(QStringLiteral("sqlite3"), {QStringLiteral("-separator"), QStringLiteral("\t"), path,
                                            QStringLiteral("SELECT * FROM %1").arg(table)});
    if (!shell.waitForFinished(-1) || shell.exitCode() != 0)
        qFatal("export of %s failed", qPrintable(table));
}

QString megabytes(qint64 bytes)
{
    return QStringLiteral("%1 MB").arg(double(bytes) / 1e6, 0, 'f', 0);
}

} // namespace

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
    QTemporaryDir scratch;
    const QString breweryRows = scratch.filePath("brewery.tsv"), chronikRows = scratch.filePath("chronik.tsv");
    exportTable(DatabasePath(dir), "Brewery", breweryRows);
    exportTable(DatabasePath(dir), "BreweryChronik", chronikRows);
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    std::vector<double> shellRuns, importRuns;
    qint64 peak = 0;
    for (int run = 0; run < 3; ++run) {
        const QString reference = scratch.filePath(QStringLiteral("shell-%1.mdb").arg(run));
        RegisterFile::open(reference); // an empty register: schema and index
        shellRuns.push_back(TimeProcess(shell, {reference, "-cmd", ".mode tabs", "-cmd", ".import " + breweryRows + " Brewery",
                                                "-cmd", ".import " + chronikRows + " BreweryChronik", "SELECT 1"}));
        const QString target = scratch.filePath(QStringLiteral("import-%1.mdb").arg(run));
        qint64 runPeak = 0;
        importRuns.push_back(TimeProcess(IMPORT_PROGRAM, {"--register", target, saved}, &runPeak));
        peak = std::max(peak, runPeak);
    }
    const double reference = Median(shellRuns), import = Median(importRuns);
    table.row("reference: sqlite3 shell .import of both tables", BenchTable::seconds(reference));
    table.row("sudregister-import of the saved report, as a process", BenchTable::seconds(import),
              QStringLiteral("< 1.2x shell = %1").arg(BenchTable::seconds(1.2 * reference)));
    table.row("  ratio to the shell", QString::number(import / reference, 'f', 2) + "x", "< 1.2x");
    table.row("  peak memory of the import", megabytes(peak), "< 150 MB");
    table.row("  report size", megabytes(QFile(saved).size()));
    QFile::remove(saved);
    return 0;
}
