#include "RegisterExport.h"

#include "CsvWriter.h"
#include "ExportStamps.h"
#include "ExportReader.h"
#include "RegisterFile.h"
#include "ReportLine.h"
#include "WhyNotWritten.h"
#include "XlsxBook.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <memory>
#include <sys/stat.h>

namespace {

QString caption(const ReportLine::Column &column)
{
    return QString::fromUtf8(column.caption);
}

// The history entry's texts in the history grid's order: the complete
// name first, then the columns under their brewery counterparts.
constexpr std::array<int, ExportReader::ChronikTexts> ChronikOrder = {
    ChronikRef::NameLong, ChronikRef::Code, ChronikRef::Name, ChronikRef::Start, ChronikRef::Stop};

bool isYear(int breweryText)
{
    return breweryText == clsBrewery::Start || breweryText == clsBrewery::Stop;
}

// A progress that is told every so many breweries.
class Steps {
public:
    Steps(const std::function<bool(qint64, qint64)> &progress, qint64 total) : m_progress(progress), m_total(total) {}
    bool operator()(qint64 done) const
    {
        return !m_progress || (done % 256 != 0 && done != m_total) || m_progress(done, m_total);
    }

private:
    const std::function<bool(qint64, qint64)> &m_progress;
    qint64 m_total;
};

void writeCsv(QSaveFile &file, const QString &path, const ExportOptions &options,
              const std::function<void(CsvWriter &)> &rows)
{
    file.setFileName(path);
    if (!file.open(QIODevice::WriteOnly))
        throw ExportFailed{QStringLiteral("%1 could not be written: %2").arg(path, WhyNotWritten(path, file.errorString()))};
    CsvWriter csv(file, options.byteOrderMark, options.guardFormulas);
    rows(csv);
    if (!csv.flush())
        throw ExportFailed{QStringLiteral("%1 could not be written: %2").arg(path, WhyNotWritten(path, file.errorString()))};
}

struct Cancelled {};

// The cells of the stamps: a CSV table's, or a workbook sheet's.
struct CsvCells {
    CsvWriter &csv;
    void number(qint64 value) { csv.number(value); }
    void text(QByteArrayView utf8) { csv.field(utf8); }
    void endRow() { csv.endRow(); }
};

struct SheetCells {
    XlsxBook::Sheet &sheet;
    void number(qint64 value) { sheet.number(double(value)); }
    void text(QByteArrayView utf8) { sheet.value(utf8, false, QStringLiteral("the stamps")); }
    void endRow() { sheet.endRow(); }
};

// What corrections from the export are checked against: which register it
// came from, and every row as exported with its own key, a history entry
// with its brewery's too (the visible tables do not show an entry's key).
template <typename Cells> class Stamps {
public:
    Stamps(Cells cells, const QString &registerIdentity) : m_cells(cells)
    {
        for (const QString &cell : ExportStamps::firstRow(registerIdentity, QDateTime::currentDateTime()))
            m_cells.text(cell.toUtf8());
        m_cells.endRow();
    }
    void brewery(qint64 key, const ExportReader::Values<ExportReader::BreweryTexts> &texts)
    {
        m_cells.text(ExportStamps::Brewery);
        m_cells.number(key);
        m_cells.text(QByteArrayView());
        for (QByteArrayView text : texts)
            m_cells.text(text);
        m_cells.endRow();
    }
    void chronik(qint64 key, qint64 parent, const ExportReader::Values<ExportReader::ChronikTexts> &texts)
    {
        m_cells.text(ExportStamps::Chronik);
        m_cells.number(key);
        m_cells.number(parent);
        for (QByteArrayView text : texts)
            m_cells.text(text);
        m_cells.endRow();
    }

private:
    Cells m_cells;
};

ExportResult exportCsvTables(const ExportReader &reader, const QString &path, const ExportOptions &options,
                             const Steps &step)
{
    const QString breweryPath = ExportSheets::tableFile(path, ExportSheets::Breweries);
    const QString chronikPath = ExportSheets::tableFile(path, ExportSheets::Chroniks);
    const QString stampsPath = ExportSheets::tableFile(path, ExportSheets::Stamps);
    QSaveFile breweries, chroniks, stamps;
    writeCsv(breweries, breweryPath, options, [&](CsvWriter &breweryCsv) {
        writeCsv(chroniks, chronikPath, options, [&](CsvWriter &chronikCsv) {
            writeCsv(stamps, stampsPath, options, [&](CsvWriter &stampsCsv) {
                for (const QString &h : ExportSheets::breweryHeader())
                    breweryCsv.caption(h.toUtf8());
                breweryCsv.endRow();
                for (const QString &h : ExportSheets::chronikHeader())
                    chronikCsv.caption(h.toUtf8());
                chronikCsv.endRow();
                Stamps<CsvCells> stamped(CsvCells{stampsCsv}, options.registerIdentity);
                for (qint64 b = 0; b < reader.breweryCount(); ++b) {
                    const qint64 key = reader.keyAt(b);
                    const auto texts = reader.brewery(b);
                    breweryCsv.number(key);
                    for (QByteArrayView text : texts)
                        breweryCsv.field(text);
                    breweryCsv.endRow();
                    stamped.brewery(key, texts);
                    reader.forEachChronik(key, [&](qint64 entryKey, const ExportReader::Values<ExportReader::ChronikTexts> &entry) {
                        chronikCsv.number(key);
                        chronikCsv.field(texts[clsBrewery::Code]);
                        for (int t : ChronikOrder)
                            chronikCsv.field(entry[size_t(t)]);
                        chronikCsv.endRow();
                        stamped.chronik(entryKey, key, entry);
                    });
                    if (!step(b + 1))
                        throw Cancelled{};
                }
            });
        });
    });
    // All complete: they take their names together.
    for (QSaveFile *file : {&breweries, &chroniks, &stamps}) {
        if (!file->commit())
            throw ExportFailed{QStringLiteral("%1 could not be written: %2")
                                   .arg(file->fileName(), WhyNotWritten(file->fileName(), file->errorString()))};
    }
    return {false, reader.breweryCount(), reader.chronikCount(), {breweryPath, chronikPath, stampsPath}};
}

ExportResult exportCsvReport(const ExportReader &reader, const QString &path, const ExportOptions &options, const Steps &step)
{
    QSaveFile file;
    writeCsv(file, path, options, [&](CsvWriter &csv) {
        for (const QString &h : ExportSheets::reportHeader())
            csv.caption(h.toUtf8());
        csv.endRow();
        for (qint64 b = 0; b < reader.breweryCount(); ++b) {
            const qint64 key = reader.keyAt(b);
            for (QByteArrayView text : reader.brewery(b))
                csv.field(text);
            csv.field(QByteArrayView());
            csv.endRow();
            reader.forEachChronik(key, [&](qint64, const ExportReader::Values<ExportReader::ChronikTexts> &entry) {
                for (int i = 0; i < ReportLine::ChronikIndent; ++i)
                    csv.field(QByteArrayView());
                for (QByteArrayView text : entry)
                    csv.field(text);
                csv.endRow();
            });
            if (!step(b + 1))
                throw Cancelled{};
        }
    });
    if (!file.commit())
        throw ExportFailed{QStringLiteral("%1 could not be written: %2").arg(path, WhyNotWritten(path, file.errorString()))};
    return {false, reader.breweryCount(), reader.chronikCount(), {path}};
}

ExportResult exportXlsx(const ExportReader &reader, const QString &path, const ExportOptions &options, const Steps &step)
{
    // Refused before anything is written: a sheet has a row for its
    // captions and MaxRows in all.
    const auto tooMany = [](const QString &what) {
        return ExportFailed{QStringLiteral("%1; a workbook's sheet holds %2 rows at most. Export the register as CSV instead.")
                                .arg(what)
                                .arg(XlsxBook::MaxRows - 1)};
    };
    if (reader.breweryCount() >= XlsxBook::MaxRows)
        throw tooMany(QStringLiteral("The export holds %1 breweries").arg(reader.breweryCount()));
    if (reader.chronikCount() >= XlsxBook::MaxRows)
        throw tooMany(QStringLiteral("The history holds %1 entries").arg(reader.chronikCount()));
    XlsxBook book(path);
    XlsxBook::Sheet &breweries = book.addSheet(ExportSheets::Breweries, ExportSheets::breweryHeader());
    XlsxBook::Sheet &chroniks = book.addSheet(ExportSheets::Chroniks, ExportSheets::chronikHeader());
    Stamps<SheetCells> stamped(SheetCells{book.addSheet(ExportSheets::Stamps, {}, XlsxBook::Shown::Hidden)},
                               options.registerIdentity);
    for (qint64 b = 0; b < reader.breweryCount(); ++b) {
        const qint64 key = reader.keyAt(b);
        const auto texts = reader.brewery(b);
        const QString where = QStringLiteral("brewery %1").arg(key);
        breweries.number(key);
        for (int t = 0; t < ExportReader::BreweryTexts; ++t)
            breweries.value(texts[size_t(t)], options.yearsAsNumbers && isYear(t), where);
        breweries.endRow();
        stamped.brewery(key, texts);
        reader.forEachChronik(key, [&](qint64 entryKey, const ExportReader::Values<ExportReader::ChronikTexts> &entry) {
            stamped.chronik(entryKey, key, entry);
            chroniks.number(key);
            chroniks.value(texts[clsBrewery::Code], false, where);
            for (int t : ChronikOrder)
                chroniks.value(entry[size_t(t)], options.yearsAsNumbers && (t == ChronikRef::Start || t == ChronikRef::Stop),
                               QStringLiteral("a history entry of brewery %1").arg(key));
            chroniks.endRow();
        });
        if (!step(b + 1))
            throw Cancelled{};
    }
    book.close();
    return {false, reader.breweryCount(), reader.chronikCount(), {path}};
}

} // namespace

QStringList ExportSheets::breweryHeader()
{
    QStringList header{QStringLiteral("RowId")};
    for (const auto &column : ReportLine::BreweryColumns)
        header << caption(column);
    return header;
}

QStringList ExportSheets::chronikHeader()
{
    QStringList header{QStringLiteral("ParentRowId"),
                       QStringLiteral("Brauerei %1").arg(caption(ReportLine::BreweryColumns[clsBrewery::Code]))};
    for (int t : ChronikOrder)
        header << caption(ReportLine::ChronikColumns[size_t(t)]);
    return header;
}

QStringList ExportSheets::reportHeader()
{
    QStringList header;
    for (const auto &column : ReportLine::BreweryColumns)
        header << caption(column);
    header << caption(ReportLine::ChronikColumns[ChronikRef::NameLong]);
    return header;
}

QString ExportSheets::tableFile(const QString &path, const QString &sheet)
{
    const QFileInfo chosen(path);
    QString stem = chosen.fileName();
    if (stem.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        stem.chop(4);
    return chosen.dir().filePath(QStringLiteral("%1-%2.csv").arg(stem, sheet));
}

QStringList ExportSheets::tablesBeside(const QString &path, const QStringList &sheets)
{
    const QFileInfo info(path);
    for (const QString &sheet : {Breweries, Chroniks, Stamps}) {
        const QString ending = QStringLiteral("-%1.csv").arg(sheet);
        if (!info.fileName().endsWith(ending, Qt::CaseInsensitive))
            continue;
        const QString stem = info.fileName().chopped(ending.size());
        QStringList beside;
        for (const QString &other : sheets) {
            const QString file = info.dir().filePath(QStringLiteral("%1-%2.csv").arg(stem, other));
            if (other != sheet && QFileInfo::exists(file))
                beside << file;
        }
        return beside;
    }
    return {};
}

namespace {

// Whether `a` and `b` name one file, through links of either kind.
bool sameFile(const QString &a, const QString &b)
{
    struct stat first {}, second {};
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 && ::stat(QFile::encodeName(b).constData(), &second) == 0
        && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// An export never writes over the register it reads, under any name.
void refuseTheRegister(const RegisterFile &file, const QString &path, const ExportOptions &options)
{
    const QStringList outputs = options.format == ExportOptions::Format::CsvTables
        ? QStringList{ExportSheets::tableFile(path, ExportSheets::Breweries),
                      ExportSheets::tableFile(path, ExportSheets::Chroniks),
                      ExportSheets::tableFile(path, ExportSheets::Stamps)}
        : QStringList{path};
    for (const QString &output : outputs) {
        if (sameFile(output, file.path()))
            throw ExportFailed{QStringLiteral("%1 is the register itself, which an export never replaces; nothing was "
                                              "written. Choose another name.")
                                   .arg(output)};
    }
}

} // namespace

ExportResult ExportRegister(RegisterFile &file, std::vector<qint64> keys, const QString &path,
                            const ExportOptions &options, const std::function<bool(qint64, qint64)> &progress)
{
    refuseTheRegister(file, path, options);
    const qint64 count = qint64(keys.size());
    try {
        const ExportReader reader(file, std::move(keys), [&] { return !progress || progress(0, count); });
        const Steps step(progress, reader.breweryCount());
        switch (options.format) {
        case ExportOptions::Format::Xlsx:
            return exportXlsx(reader, path, options, step);
        case ExportOptions::Format::CsvTables:
            return exportCsvTables(reader, path, options, step);
        case ExportOptions::Format::CsvReport:
            return exportCsvReport(reader, path, options, step);
        }
    } catch (const Cancelled &) {
    } catch (const ExportReader::Stopped &) {
    }
    ExportResult cancelled;
    cancelled.cancelled = true;
    return cancelled;
}
