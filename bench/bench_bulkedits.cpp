// Changes of many rows at once on a copy of the generated register: a
// replace over 100,000 listed breweries (preview, write, undo), the merge
// of two breweries with 50 history entries each, and 1,000 cells corrected
// in an export of the whole register (read and compared, written, undone).
#include "BenchTable.h"
#include "BreweryMerge.h"
#include "CorrectionsPlan.h"
#include "DatabasePath.h"
#include "GroupWrite.h"
#include "Register.h"
#include "RegisterExport.h"
#include "RegisterFile.h"
#include "RegisterUndo.h"
#include "ReplacePlan.h"
#include "Statement.h"
#include "TextReplace.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

namespace {

// Two breweries of 50 history entries each, ten of them the same in both.
std::pair<qint64, qint64> addDuplicate(RegisterFile &file)
{
    qint64 keys[2];
    for (int b = 0; b < 2; ++b) {
        Statement brewery(file, "INSERT INTO Brewery (StateName, CountyName, PostalCode, CityName, IdCode, BreweryName, "
                                "StartYear) VALUES ('BY', 'Ofr', '96047', 'Bamberg', ?1, 'Brauerei Müller', '1850')");
        brewery.bind(1, QVariant(QStringLiteral("B%1").arg(b)));
        brewery.step();
        keys[b] = file.lastInsertRowId();
        for (int e = 0; e < 50; ++e) {
            Statement entry(file, "INSERT INTO BreweryChronik (BreweryNameLong, IdCode, BreweryName, StartYear, "
                                  "ParentRowId) VALUES ('Müller-Bräu', ?1, 'Müller', ?2, ?3)");
            entry.bind(1, QVariant(QStringLiteral("B-%1-%2").arg(e < 10 ? 0 : b).arg(e)));
            entry.bind(2, QVariant(QString::number(1850 + e)));
            entry.bind(3, QVariant(keys[b]));
            entry.step();
        }
    }
    return {keys[0], keys[1]};
}

// Gives `cells` breweries of the exported table another end year, as a
// user correcting the file would; returns how many it changed.
int correctEndYears(const QString &table, int cells)
{
    QFile file(table);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read the export");
    QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    int changed = 0;
    // Spread over the file, the header and the last empty line left out.
    const qsizetype step = std::max<qsizetype>(1, (lines.size() - 2) / cells);
    for (qsizetype i = 1; i + 1 < lines.size() && changed < cells; i += step) {
        QByteArray &line = lines[i];
        line = line.left(line.lastIndexOf(',') + 1) + "2099\r";
        ++changed;
    }
    if (!file.open(QIODevice::WriteOnly) || file.write(lines.join('\n')) < 0)
        qFatal("cannot write the export");
    return changed;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int breweries = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    if (!QFile::copy(DatabasePath(BenchRegisterDir(breweries)), DatabasePath(dir.path())))
        qFatal("cannot copy the register");
    std::pair<qint64, qint64> duplicate;
    {
        const std::shared_ptr<RegisterFile> file = RegisterFile::open(DatabasePath(dir.path()));
        duplicate = addDuplicate(*file);
    }
    Register reg(DatabasePath(dir.path()));
    reg.open();
    reg.sortBreweries({"CityName", "PostalCode", "BreweryName"});
    reg.history().follow(reg.file());

    BenchTable table(QStringLiteral("Changes of many rows, %1 breweries").arg(breweries));
    // The list narrowed to 100,000 breweries, as a find narrows it.
    std::vector<qint64> listed;
    for (int position = 0; position < std::min(100000, reg.breweries()->Recordset().RecordCount()); ++position)
        listed.push_back(reg.breweries()->Recordset().keyAt(position));
    std::sort(listed.begin(), listed.end());
    reg.breweries()->setFilter(listed);

    const struct {
        const char *what;
        QString field;
        TextReplace rule;
    } replaces[] = {
        {"a tenth of them (\" Nord\" by \"-Nord\", folded)", "CityName", {" nord", "-Nord"}},
        {"every one of them (\"-\" by \"/\" in ID, exact)", "IdCode", {"-", "/", true}},
    };
    // Medians of three: each write is undone before the next.
    const auto elapsed = [](const std::function<void()> &work) {
        QElapsedTimer timer;
        timer.start();
        work();
        return double(timer.nsecsElapsed()) / 1e9;
    };
    for (const auto &replace : replaces) {
        RowChanges plan;
        table.median(QStringLiteral("replace over 100,000 listed: %1, preview").arg(replace.what), [&] {
            plan = PlanReplace(reg, replace.field, [&](const QString &value) { return replace.rule.applied(value); });
        }, "< 2 s");
        table.row("  values changed", QString::number(plan.size()));
        std::vector<double> writes, undos;
        for (int run = 0; run < 3; ++run) {
            writes.push_back(elapsed([&] { WriteGroup(reg, plan, QStringLiteral("replace")); }));
            undos.push_back(elapsed([&] { reg.history().undo(); }));
        }
        table.row("  write", BenchTable::seconds(Median(writes)), "< 2 s");
        table.row("  undo", BenchTable::seconds(Median(undos)), "< 2 s");
    }

    std::vector<double> merges, undos;
    for (int run = 0; run < 3; ++run) {
        merges.push_back(elapsed([&] {
            const BreweryMerge merge(reg, duplicate.first, duplicate.second);
            WriteGroup(reg, merge.plan(), QStringLiteral("merge"));
        }));
        undos.push_back(elapsed([&] { reg.history().undo(); }));
    }
    table.row("merge of two breweries, 50 history entries each (read and write)", BenchTable::seconds(Median(merges)),
              "< 2 s");
    table.row("  undo", BenchTable::seconds(Median(undos)), "< 2 s");

    // Exported as CSV tables, 1,000 end years added: 1,000 breweries spread
    // over the list (a find's list), and the whole register once.
    reg.breweries()->setFilter(std::nullopt);
    const std::vector<qint64> all = reg.breweries()->Recordset().keys();
    std::vector<qint64> spread;
    for (size_t i = 0; i < all.size(); i += std::max<size_t>(1, all.size() / 1000))
        spread.push_back(all[i]);
    const auto correct = [&](const std::vector<qint64> &keys, int runs) {
        ExportOptions options;
        options.format = ExportOptions::Format::CsvTables;
        options.registerIdentity = reg.place().identity(reg.file());
        const QString exported = dir.filePath(QStringLiteral("list-%1.csv").arg(keys.size()));
        ExportRegister(reg.file(), keys, exported, options);
        const QString corrected = ExportSheets::tableFile(exported, ExportSheets::Breweries);
        const int cells = correctEndYears(corrected, 1000);
        std::vector<double> reads, writes, undone;
        QString summary;
        for (int run = 0; run < runs; ++run) {
            std::optional<CorrectionsFile> file;
            std::optional<CorrectionsPlan> plan;
            reads.push_back(elapsed([&] {
                file.emplace(corrected);
                plan.emplace(reg, *file);
            }));
            summary = plan->summary();
            writes.push_back(elapsed([&] { WriteGroup(reg, plan->changes(), QStringLiteral("corrections")); }));
            undone.push_back(elapsed([&] { reg.history().undo(); }));
        }
        table.row(QStringLiteral("corrections: %1 cells in an export of %2 breweries, read and compared")
                      .arg(cells)
                      .arg(keys.size()),
                  BenchTable::seconds(Median(reads)), "< 2 s");
        table.row("  " + summary, QString());
        table.row("  write", BenchTable::seconds(Median(writes)), "< 2 s");
        table.row("  undo", BenchTable::seconds(Median(undone)), "< 2 s");
    };
    correct(spread, 3);
    correct(all, 1);
    return 0;
}
