#include "CorrectionsFile.h"

#include "ExportStamps.h"
#include "RegisterExport.h"
#include "ReportImport.h"
#include "SheetImport.h"
#include "SheetLayout.h"

#include <QFileInfo>

namespace {

using Kind = SheetLayout::Kind;

// The texts of `cells` in the columns `columns` names.
template <typename Texts, size_t N> Texts pick(const SheetRow &cells, const std::array<int, N> &columns)
{
    Texts texts{};
    for (size_t i = 0; i < N; ++i) {
        if (columns[i] >= 0 && size_t(columns[i]) < cells.size())
            texts[i] = cells[size_t(columns[i])];
    }
    return texts;
}

} // namespace

struct CorrectionsFile::Sheet {
    const SpreadsheetFile *file = nullptr;
    int index = 0;
    // "list.xlsx, sheet Chronik", or "x-Chronik.csv".
    QString where;
    SheetLayout layout;
};

QString CorrectionsFile::Row::at() const
{
    return QStringLiteral("%1, row %2").arg(where).arg(number);
}

bool CorrectionsFile::isExport(const QString &path)
{
    if (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive))
        return path.endsWith(QStringLiteral("-%1.csv").arg(ExportSheets::Stamps), Qt::CaseInsensitive)
            || !ExportSheets::tablesBeside(path, {ExportSheets::Stamps}).isEmpty();
    try {
        return SpreadsheetFile::open(path)->sheetNames().contains(ExportSheets::Stamps);
    } catch (const ReadFailed &) {
        // Not read as corrections; the import says what is wrong with it.
        return false;
    }
}

CorrectionsFile::CorrectionsFile(const QString &path, const Progress &progress)
{
    // An export's CSV files in the order of its sheets, whichever was named.
    QStringList paths = QStringList{path}
        + ExportSheets::tablesBeside(path, {ExportSheets::Breweries, ExportSheets::Chroniks, ExportSheets::Stamps});
    const auto place = [](const QString &file) {
        const QStringList order{ExportSheets::Breweries, ExportSheets::Chroniks, ExportSheets::Stamps};
        for (qsizetype i = 0; i < order.size(); ++i) {
            if (file.endsWith(QStringLiteral("-%1.csv").arg(order[i]), Qt::CaseInsensitive))
                return i;
        }
        return qsizetype(0);
    };
    std::ranges::stable_sort(paths, {}, place);
    std::vector<std::unique_ptr<SpreadsheetFile>> files;
    QStringList names;
    for (const QString &file : paths) {
        try {
            files.push_back(SpreadsheetFile::open(file));
        } catch (const ReadFailed &failed) {
            throw ImportRefused(failed.message);
        }
        names << QFileInfo(file).fileName();
    }
    const QString last = names.takeLast();
    m_source = names.isEmpty() ? last : QStringLiteral("%1 and %2").arg(names.join(QStringLiteral(", ")), last);

    std::optional<Sheet> breweries, entries, stamps;
    const auto take = [&](std::optional<Sheet> &role, Sheet sheet, const QString &what) {
        if (role)
            throw ImportRefused(QStringLiteral("%1 holds %2 twice: in %3 and in %4; corrections are read from one "
                                               "export.")
                                    .arg(m_source, what, role->where, sheet.where));
        role = std::move(sheet);
    };
    for (const auto &file : files) {
        const QStringList sheets = file->sheetNames();
        for (int index = 0; index < sheets.size(); ++index) {
            Sheet sheet{file.get(), index, QFileInfo(file->path()).fileName(), {}};
            if (file->hasSheets())
                sheet.where += QStringLiteral(", sheet %1").arg(sheets[index]);
            if (ExportStamps::IsExportStamps(*file, index)) {
                take(stamps, sheet, QStringLiteral("the stamps of an export"));
                continue;
            }
            bool any = false;
            try {
                file->readRows(index, [&](qint64 number, const SheetRow &cells) {
                    sheet.layout = LayoutOf(cells, number, sheet.where);
                    any = true;
                    return false;
                });
            } catch (const ReadFailed &failed) {
                throw ImportRefused(failed.message);
            }
            if (!any)
                continue;
            if (sheet.layout.kind == Kind::Report || sheet.layout.key < 0)
                throw ImportRefused(QStringLiteral("%1: the rows carry no key (%2); corrections are read from an "
                                                   "export's two tables, whose rows do.")
                                        .arg(sheet.where, sheet.layout.kind == Kind::Chroniks
                                                              ? QStringLiteral("ParentRowId")
                                                              : QStringLiteral("RowId")));
            if (sheet.layout.kind == Kind::Breweries)
                take(breweries, sheet, QStringLiteral("a table of breweries"));
            else
                take(entries, sheet, QStringLiteral("a table of history entries"));
        }
    }
    if (!stamps)
        throw ImportRefused(QStringLiteral("%1 does not say which register it was exported from (an export keeps "
                                           "that on a hidden sheet \"%2\", or in the file \"x-%2.csv\" beside its "
                                           "CSV tables). Corrections are read only from an export of this register.")
                                .arg(m_source, ExportSheets::Stamps));
    if (!breweries)
        throw ImportRefused(QStringLiteral("%1 holds no table of breweries with their RowId.").arg(m_source));
    // The stamps hold a row for each row of the tables: how far the tables
    // have come is told against them.
    qint64 rows = 0;
    const Progress told = [&](qint64, qint64) {
        if (progress && ++rows % 1024 == 0)
            progress(rows, 2 * (qint64(m_stampedBreweries.size()) + m_entriesStamped));
    };
    readStamps(*stamps, told);
    readTable(*breweries, told);
    if (entries)
        readTable(*entries, told);
}

void CorrectionsFile::readStamps(const Sheet &sheet, const Progress &progress)
{
    bool first = true;
    const auto refuse = [&](qint64 number) {
        return ImportRefused(QStringLiteral("%1, row %2: the export's stamps are damaged; export the register again.")
                                 .arg(sheet.where)
                                 .arg(number));
    };
    const auto cell = [](const SheetRow &cells, int column) { return size_t(column) < cells.size() ? cells[size_t(column)] : SheetCell(); };
    const auto key = [&](const SheetRow &cells, int column, qint64 number) {
        bool whole = false;
        const qint64 value = cell(cells, column).value_or(QString()).toLongLong(&whole);
        if (!whole)
            throw refuse(number);
        return value;
    };
    try {
        sheet.file->readRows(sheet.index, [&](qint64 number, const SheetRow &cells) {
            progress(number, 0);
            const SheetCell kind = cell(cells, 0);
            if (std::exchange(first, false)) {
                if (kind != QString::fromLatin1(ExportStamps::Mark))
                    throw refuse(number);
                m_identity = cell(cells, 1).value_or(QString());
                return true;
            }
            if (kind == QString::fromLatin1(ExportStamps::Brewery)) {
                BreweryTexts texts;
                for (size_t t = 0; t < texts.size(); ++t)
                    texts[t] = cell(cells, ExportStamps::FirstText + int(t));
                m_stampedBreweries.insert(key(cells, ExportStamps::KeyColumn, number), texts);
            } else if (kind == QString::fromLatin1(ExportStamps::Chronik)) {
                StampedEntry entry{key(cells, ExportStamps::KeyColumn, number), key(cells, ExportStamps::ParentColumn, number), {}};
                for (size_t t = 0; t < entry.texts.size(); ++t)
                    entry.texts[t] = cell(cells, ExportStamps::FirstText + int(t));
                m_stampedEntries[entry.parent].push_back(std::move(entry));
                ++m_entriesStamped;
            } else {
                throw refuse(number);
            }
            return true;
        });
    } catch (const ReadFailed &failed) {
        throw ImportRefused(failed.message);
    }
    if (first)
        throw refuse(1);
}

void CorrectionsFile::readTable(const Sheet &sheet, const Progress &progress)
{
    const SheetLayout &layout = sheet.layout;
    const bool chroniks = layout.kind == Kind::Chroniks;
    // The columns under a caption of the register.
    std::vector<bool> known;
    const auto know = [&known](int column) {
        if (column >= 0) {
            known.resize(std::max(known.size(), size_t(column) + 1));
            known[size_t(column)] = true;
        }
    };
    if (chroniks)
        std::ranges::for_each(layout.chronik, know);
    else
        std::ranges::for_each(layout.brewery, know);
    know(layout.key);
    know(layout.breweryCode);
    QHash<qint64, qint64> rowOfKey;
    for (const Brewery &brewery : m_breweries) {
        if (brewery.key)
            rowOfKey.insert(*brewery.key, brewery.row.number);
    }
    try {
        sheet.file->readRows(sheet.index, [&](qint64 number, const SheetRow &cells) {
            progress(number, 0);
            if (number == layout.headerRow)
                return true;
            const Row row{sheet.where, number};
            const auto refuse = [&](const QString &why, int column) {
                return ImportRefused(QStringLiteral("%1, column %2: %3").arg(row.at(), ColumnLetters(column), why));
            };
            for (size_t column = 0; column < cells.size(); ++column) {
                if (!cells[column])
                    continue;
                if (column >= known.size() || !known[column])
                    throw refuse(QStringLiteral("\"%1\" stands in a column without a caption of the register.").arg(*cells[column]),
                                 int(column));
                if (const std::optional<QString> fault = SheetImport::valueFault(*cells[column]))
                    throw refuse(*fault, int(column));
            }
            std::optional<qint64> key;
            if (size_t(layout.key) < cells.size() && cells[size_t(layout.key)]) {
                bool whole = false;
                key = cells[size_t(layout.key)]->trimmed().toLongLong(&whole);
                if (!whole)
                    throw refuse(QStringLiteral("the key \"%1\" is no whole number.").arg(*cells[size_t(layout.key)]), layout.key);
            }
            if (!chroniks) {
                if (key && rowOfKey.contains(*key))
                    throw refuse(QStringLiteral("RowId %1 stands for the brewery of row %2 already.").arg(*key).arg(rowOfKey.value(*key)),
                                 layout.key);
                if (key)
                    rowOfKey.insert(*key, number);
                m_breweries.push_back({key, pick<BreweryTexts>(cells, layout.brewery), row});
                return true;
            }
            if (!key)
                throw refuse(QStringLiteral("the history entry does not name its brewery's RowId."), layout.key);
            if (!rowOfKey.contains(*key))
                throw refuse(QStringLiteral("its brewery, RowId %1, is not among the file's breweries.").arg(*key), layout.key);
            m_entries.push_back({*key, pick<ChronikTexts>(cells, layout.chronik), row});
            return true;
        });
    } catch (const ReadFailed &failed) {
        throw ImportRefused(failed.message);
    }
}
