// The register as spreadsheets: exporting every brewery with its history
// as two CSV tables and as a workbook, against the stock sqlite3 shell
// writing the same rows as CSV, and the memory an export takes; then
// importing them into an empty register with the shipped sudregister-import,
// against the shell's .import of the same CSV rows.
#include "BenchTable.h"
#include "DatabasePath.h"
#include "RecordSource.h"
#include "Recordset.h"
#include "RegisterExport.h"
#include "RegisterFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int breweries = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const QString dir = BenchRegisterDir(breweries);
    BenchTable table(QStringLiteral("Spreadsheets out and in, %1 breweries").arg(breweries));
    const std::shared_ptr<RegisterFile> file = RegisterFile::open(DatabasePath(dir), RegisterFile::Access::ReadOnly);
    const Recordset list(file, ParseRecordSource(QStringLiteral("select * from Brewery Order By CityName, PostalCode, BreweryName")));

    const QString shellOut = dir + "/shell-export.csv";
    const double shell = TimeSqliteShell(DatabasePath(dir),
                                         "select rowid, * from Brewery; select ParentRowId, * from BreweryChronik;",
                                         {"-csv", "-cmd", ".output " + shellOut});
    table.row("reference: sqlite3 -csv, both tables", BenchTable::seconds(shell));
    QFile::remove(shellOut);

    qint64 most = 0;
    const auto exportAs = [&](ExportOptions::Format format, const QString &name) {
        ExportOptions options;
        options.format = format;
        const ExportResult result = ExportRegister(*file, list.keys(), dir + "/" + name, options, [&most](qint64, qint64) {
            most = std::max(most, ResidentBytes());
            return true;
        });
        for (const QString &written : result.files)
            QFile::remove(written);
    };
    const double csv = table.median("export as two CSV tables, in the list's order",
                                    [&] { exportAs(ExportOptions::Format::CsvTables, "bench.csv"); },
                                    QStringLiteral("< 1.5x shell = %1").arg(BenchTable::seconds(1.5 * shell)));
    table.row("  ratio to the shell", QString::number(csv / shell, 'f', 2) + "x", "< 1.5x");
    const double xlsx = table.median("export as a workbook (XLSX)",
                                     [&] { exportAs(ExportOptions::Format::Xlsx, "bench.xlsx"); },
                                     QStringLiteral("< 5x shell = %1").arg(BenchTable::seconds(5 * shell)));
    table.row("  ratio to the shell", QString::number(xlsx / shell, 'f', 2) + "x", "< 5x");
    table.row("memory of the process during the exports, most", QStringLiteral("%1 MB").arg(double(most) / 1e6, 0, 'f', 0));

    QTemporaryDir scratch;
    const auto exported = [&](ExportOptions::Format format, const QString &name) {
        ExportOptions options;
        options.format = format;
        return ExportRegister(*file, list.keys(), scratch.filePath(name), options).files;
    };
    const QStringList tables = exported(ExportOptions::Format::CsvTables, "bench.csv");
    const QStringList workbook = exported(ExportOptions::Format::Xlsx, "bench.xlsx");
    const QString sqlite3 = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    std::vector<double> shellRuns, csvRuns, xlsxRuns;
    qint64 csvPeak = 0, xlsxPeak = 0;
    for (int run = 0; run < 3; ++run) {
        // The shell's .import of both tables into an empty database, each
        // into a table it makes from the header row, as the reference.
        const QString reference = scratch.filePath(QStringLiteral("shell-%1.db").arg(run));
        shellRuns.push_back(TimeProcess(sqlite3, {reference, "-cmd", ".mode csv", "-cmd", ".import " + tables[0] + " Breweries",
                                                  "-cmd", ".import " + tables[1] + " Chronik", "SELECT 1"}));
        qint64 peak = 0;
        csvRuns.push_back(TimeProcess(IMPORT_PROGRAM, {"--register", scratch.filePath(QStringLiteral("csv-%1.mdb").arg(run)),
                                                       tables[0]}, &peak));
        csvPeak = std::max(csvPeak, peak);
        xlsxRuns.push_back(TimeProcess(IMPORT_PROGRAM, {"--register", scratch.filePath(QStringLiteral("xlsx-%1.mdb").arg(run)),
                                                        workbook[0]}, &peak));
        xlsxPeak = std::max(xlsxPeak, peak);
    }
    const double reference = Median(shellRuns);
    table.row("reference: sqlite3 shell .import of both CSV tables", BenchTable::seconds(reference));
    table.row("sudregister-import of the two CSV tables, as a process", BenchTable::seconds(Median(csvRuns)));
    table.row("  ratio to the shell", QString::number(Median(csvRuns) / reference, 'f', 2) + "x");
    table.row("  peak memory", QStringLiteral("%1 MB").arg(double(csvPeak) / 1e6, 0, 'f', 0));
    table.row("sudregister-import of the workbook, as a process", BenchTable::seconds(Median(xlsxRuns)));
    table.row("  ratio to the shell", QString::number(Median(xlsxRuns) / reference, 'f', 2) + "x");
    table.row("  peak memory", QStringLiteral("%1 MB").arg(double(xlsxPeak) / 1e6, 0, 'f', 0), "< 500 MB");
    return 0;
}
