// The record store on a generated register (100,000 breweries unless a size
// is given), against the stock sqlite3 shell doing the same work in the same
// German order. Every figure is the median of three runs.
#include "BenchTable.h"
#include "DatabasePath.h"
#include "RecordSource.h"
#include "Recordset.h"
#include "RegisterFile.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int breweries = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    const QString path = DatabasePath(BenchRegisterDir(breweries));
    const QString sorted = QStringLiteral("select * from Brewery Order By CityName, PostalCode, BreweryName");

    BenchTable table(QStringLiteral("Record store, %1 breweries").arg(breweries));
    std::shared_ptr<RegisterFile> file;
    table.time("open the register", [&] { file = RegisterFile::open(path); });

    const double shell = TimeSqliteShell(path, "SELECT * FROM Brewery ORDER BY CityName COLLATE SUDREGISTER_DE, "
                                               "PostalCode COLLATE SUDREGISTER_DE, BreweryName COLLATE SUDREGISTER_DE, rowid");
    table.row("reference: sqlite3 shell, same query, same German order", BenchTable::seconds(shell));

    std::unique_ptr<Recordset> set;
    const qint64 before = ResidentBytes();
    const double refresh = table.median("sorted refresh + MoveLast + RecordCount", [&] {
        set.reset();
        set = std::make_unique<Recordset>(file, ParseRecordSource(sorted));
        set->MoveLast();
        if (set->RecordCount() != breweries)
            qFatal("count %d", set->RecordCount());
    }, QStringLiteral("< 1x shell = %1").arg(BenchTable::seconds(shell)));
    table.row("  ratio to the shell", QString::number(refresh / shell, 'f', 2) + "x", "< 1x");
    table.row("keyset memory (resident growth)", QStringLiteral("%1 MB").arg(double(ResidentBytes() - before) / 1e6, 0, 'f', 1),
              "< 20 MB");

    std::vector<qint64> ids;
    for (int i = 0; i < 1000; ++i)
        ids.push_back(set->keyAt(i * (breweries / 1000)));
    int found = 0;
    const double history = table.median("history query + MoveLast, 1,000 breweries", [&] {
        for (qint64 id : ids) {
            Recordset chroniks(file, ParseRecordSource(
                QStringLiteral("select * from BreweryChronik where ParentRowId = %1 ORDER By IdCode").arg(id)));
            if (!chroniks.Eof())
                chroniks.MoveLast();
            found += chroniks.RecordCount();
        }
    });
    table.row("  average per brewery", BenchTable::seconds(history / 1000), "< 50 µs");

    set->MoveFirst();
    table.time("FindFirst CityName like 'Zwi*' (near the end)", [&] {
        if (!set->FindFirst(QStringLiteral("CityName like 'Zwi*'")))
            qFatal("no match");
    });
    table.row("  found at position", QString::number(set->AbsolutePosition()));

    qint64 characters = 0;
    table.time("read every field of every brewery", [&] {
        for (int p = 0; p < set->RecordCount(); ++p) {
            for (int f = 0; f < set->fieldNames().size(); ++f)
                characters += set->valueAt(p, f).toString().size();
        }
    });
    return 0;
}
