#include "ReportImport.h"

#include "RegisterFile.h"
#include "Transaction.h"
#include "TrimBlanks.h"
#include "Windows1252.h"
#include "clsBrewery.h"

#include <QFile>
#include <QFileInfo>
#include <vector>

namespace {

constexpr int BreweryColumns = 8;
constexpr int ChronikColumns = 9;

struct ImportedBrewery {
    clsBrewery brewery;
    std::vector<clsBreweryChronik> chroniks;
};

[[noreturn]] void refuse(const QString &file, qsizetype line, const QString &why)
{
    if (line > 0)
        throw ImportRefused(QStringLiteral("%1: line %2: %3").arg(file).arg(line).arg(why));
    throw ImportRefused(QStringLiteral("%1: %2").arg(file, why));
}

// Reads and checks the whole file; nothing is written while this runs.
std::vector<ImportedBrewery> readReport(const QString &path, const std::function<void(qsizetype, qsizetype)> &progress)
{
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        refuse(path, 0, QStringLiteral("cannot be read: %1").arg(file.errorString()));
    const QByteArray bytes = file.readAll();
    if (bytes.contains('\0'))
        refuse(name, 0, QStringLiteral("is not a text file (it holds NUL bytes)"));

    QList<QByteArray> lines = bytes.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the line end of the last line
    std::vector<ImportedBrewery> breweries;
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QByteArray raw = lines[n];
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QString line = FromWindows1252(raw);
        const QStringList columns = line.split(QLatin1Char('\t'));
        const bool chronik = columns.size() == ChronikColumns && columns[0].isEmpty() && columns[1].isEmpty()
            && columns[2].isEmpty() && columns[3].isEmpty();
        if (columns.size() == BreweryColumns) {
            ImportedBrewery imported;
            imported.brewery.ImportTabDelimitedString(line);
            // An empty last column gives the line no eighth piece; the value
            // is empty all the same.
            imported.brewery.setStopYear(TrimBlanks(columns[7]));
            breweries.push_back(std::move(imported));
        } else if (chronik) {
            if (breweries.empty())
                refuse(name, n + 1, QStringLiteral("a history line comes before the first brewery line"));
            clsBreweryChronik entry;
            entry.setIdCode(TrimBlanks(columns[4]));
            entry.setBreweryName(TrimBlanks(columns[5]));
            entry.setStartYear(TrimBlanks(columns[6]));
            entry.setStopYear(TrimBlanks(columns[7]));
            entry.setBreweryNameLong(TrimBlanks(columns[8]));
            breweries.back().chroniks.push_back(entry);
        } else {
            refuse(name, n + 1,
                   QStringLiteral("it has %1 tab-separated columns; a brewery line has 8, a history line 4 empty "
                                  "ones and then 5")
                       .arg(columns.size()));
        }
        if (progress && (n % 1000 == 0 || n + 1 == lines.size()))
            progress(n + 1, lines.size() * 2);
    }
    return breweries;
}

} // namespace

ImportCounts ImportReport(const QString &reportPath, const QString &registerPath,
                          const std::function<void(qsizetype, qsizetype)> &progress)
{
    const std::vector<ImportedBrewery> breweries = readReport(reportPath, progress);
    qsizetype lines = 0;
    for (const ImportedBrewery &b : breweries)
        lines += 1 + qsizetype(b.chroniks.size());

    auto file = RegisterFile::open(registerPath);
    Cursor addBrewery = file->cached("INSERT INTO Brewery (StateName, CountyName, PostalCode, CityName, IdCode, "
                                         "BreweryName, StartYear, StopYear) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    Cursor addChronik = file->cached("INSERT INTO BreweryChronik (BreweryNameLong, IdCode, BreweryName, "
                                         "StartYear, StopYear, ParentRowId) VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    ImportCounts counts;
    qsizetype done = 0;
    Transaction tx(*file);
    for (const ImportedBrewery &imported : breweries) {
        const clsBrewery &b = imported.brewery;
        int column = 1;
        for (const QString *text : {&b.StateName(), &b.CountyName(), &b.PostalCode(), &b.CityName(), &b.IdCode(),
                                    &b.BreweryName(), &b.StartYear(), &b.StopYear()})
            addBrewery.bind(column++, QVariant(*text));
        addBrewery.run();
        const qint64 rowId = file->lastInsertRowId();
        ++counts.breweries;
        for (const clsBreweryChronik &c : imported.chroniks) {
            column = 1;
            for (const QString *text : {&c.BreweryNameLong(), &c.IdCode(), &c.BreweryName(), &c.StartYear(), &c.StopYear()})
                addChronik.bind(column++, QVariant(*text));
            addChronik.bind(6, rowId);
            addChronik.run();
            ++counts.chroniks;
        }
        done += 1 + qsizetype(imported.chroniks.size());
        if (progress && (counts.breweries % 500 == 0 || done == lines))
            progress(lines + done, lines * 2);
    }
    tx.commit();
    return counts;
}
