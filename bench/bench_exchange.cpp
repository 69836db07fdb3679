// The register as spreadsheets: exporting every brewery with its history
// as two CSV tables and as a workbook, against the stock sqlite3 shell
// writing the same rows as CSV, and the memory an export takes.
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

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int breweries = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const QString dir = BenchRegisterDir(breweries);
    BenchTable table(QStringLiteral("Spreadsheets out, %1 breweries").arg(breweries));
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
    return 0;
}
