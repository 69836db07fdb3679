#include "SheetImport.h"

#include "ImportTarget.h"
#include "RegisterAppender.h"
#include "ExportStamps.h"
#include "RegisterExport.h"
#include "RegisterFile.h"
#include "RegisterLock.h"
#include "Transaction.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace {

using Kind = SheetLayout::Kind;

// Rows between two words to the progress.
constexpr qint64 ProgressRows = 1000;

// The texts of `cells` that `columns` name; Null where a column is missing.
template <size_t N>
std::vector<SheetCell> pick(const SheetRow &cells, const std::array<int, N> &columns)
{
    std::vector<SheetCell> values(N);
    for (size_t i = 0; i < N; ++i) {
        if (columns[i] >= 0 && size_t(columns[i]) < cells.size())
            values[i] = cells[size_t(columns[i])];
    }
    return values;
}

bool holds(const SheetRow &cells, int column)
{
    return column >= 0 && size_t(column) < cells.size() && cells[size_t(column)].has_value();
}

} // namespace

struct SheetImport::Sheet {
    const SpreadsheetFile *file;
    int index;
    // "x.xlsx, sheet Chronik", or "x.csv".
    QString where;
    SheetLayout layout;
};

// What one reading of all sheets knows. The survey stores nothing; its
// keys lead to the rows they stand in, the writing's to the RowIds stored.
struct SheetImport::Pass {
    RegisterAppender *appender = nullptr;
    ImportCounts counts;
    qint64 rows = 0;
    QHash<qint64, qint64> keys;
    // Brewery IDs, for history entries that name their brewery so; -1 for
    // an ID that several breweries share.
    QHash<QString, qint64> codes;
    // The brewery a report's history rows belong to.
    qint64 lastBrewery = -1;
    std::vector<ImportRow> *firstRows = nullptr;
    const Progress *progress = nullptr;
    qint64 total = 0;
};

SheetImport::SheetImport(const QStringList &paths)
{
    QStringList files;
    for (const QString &path : paths) {
        const QStringList companions = ExportSheets::tablesBeside(path, {ExportSheets::Breweries, ExportSheets::Chroniks});
        for (const QString &file : QStringList{path} + companions) {
            if (!file.isEmpty() && !files.contains(QFileInfo(file).absoluteFilePath()))
                files << QFileInfo(file).absoluteFilePath();
        }
    }
    for (const QString &path : files) {
        try {
            m_files.push_back(SpreadsheetFile::open(path));
        } catch (const ReadFailed &failed) {
            throw ImportRefused(failed.message);
        }
        const SpreadsheetFile &file = *m_files.back();
        const QStringList names = file.sheetNames();
        for (int index = 0; index < names.size(); ++index) {
            // An export's stamps are for corrections; adding reads the tables.
            if (ExportStamps::IsExportStamps(file, index))
                continue;
            Sheet sheet{&file, index, QFileInfo(path).fileName(), {}};
            if (file.hasSheets())
                sheet.where += QStringLiteral(", sheet %1").arg(names[index]);
            bool any = false;
            try {
                file.readRows(index, [&](qint64 number, const SheetRow &cells) {
                    sheet.layout = LayoutOf(cells, number, sheet.where);
                    any = true;
                    return false;
                });
            } catch (const ReadFailed &failed) {
                throw ImportRefused(failed.message);
            }
            // An empty sheet holds nothing to import.
            if (any)
                m_sheets.push_back(std::move(sheet));
        }
    }
    if (m_sheets.empty())
        throw ImportRefused(QStringLiteral("%1: there is nothing to import; every sheet is empty.").arg(source()));
    // Breweries first: the history entries of other sheets refer to them.
    std::stable_sort(m_sheets.begin(), m_sheets.end(), [](const Sheet &a, const Sheet &b) {
        return (a.layout.kind == Kind::Chroniks) < (b.layout.kind == Kind::Chroniks);
    });
    m_linkByCode = std::any_of(m_sheets.begin(), m_sheets.end(), [](const Sheet &sheet) {
        return sheet.layout.kind == Kind::Chroniks && sheet.layout.key < 0;
    });
    for (const Sheet &sheet : m_sheets) {
        if (sheet.layout.kind == Kind::Chroniks && sheet.layout.key < 0 && sheet.layout.breweryCode < 0)
            throw ImportRefused(QStringLiteral("%1: the history entries do not name their brewery; add the column "
                                               "ParentRowId or \"Brauerei ID\".")
                                    .arg(sheet.where));
    }
}

SheetImport::~SheetImport() = default;

std::optional<QString> SheetImport::valueFault(const QString &value)
{
    if (value.size() > MaxValueCharacters)
        return QStringLiteral("the value has %1 characters; the register takes %2 at most in a value (what a "
                              "workbook's cell holds).")
            .arg(value.size())
            .arg(MaxValueCharacters);
    if (value.contains(QChar(0)))
        return QStringLiteral("the value holds a NUL character, which the register does not take.");
    return std::nullopt;
}

QString SheetImport::source() const
{
    QStringList names;
    for (const auto &file : m_files)
        names << QFileInfo(file->path()).fileName();
    if (names.size() <= 1)
        return names.value(0);
    const QString last = names.takeLast();
    return QStringLiteral("%1 and %2").arg(names.join(QStringLiteral(", ")), last);
}

void SheetImport::survey(const Progress &progress)
{
    Pass pass;
    m_firstRows.clear();
    pass.firstRows = &m_firstRows;
    for (size_t s = 0; s < m_sheets.size(); ++s) {
        if (progress)
            progress(qint64(s), qint64(m_sheets.size()));
        readSheet(m_sheets[s], pass);
    }
    if (pass.counts.breweries == 0 && pass.counts.chroniks == 0)
        throw ImportRefused(QStringLiteral("%1: there is nothing to import; no sheet holds a brewery.").arg(source()));
    m_counts = pass.counts;
    m_surveyed = true;
}

ImportCounts SheetImport::write(RegisterFile &file, const Progress &progress)
{
    if (!m_surveyed)
        survey();
    RegisterAppender appender(file, m_counts.breweries, m_counts.chroniks, RegisterAppender::NullViews::Null);
    Pass pass;
    pass.appender = &appender;
    pass.progress = progress ? &progress : nullptr;
    pass.total = m_counts.breweries + m_counts.chroniks;
    const NamedStep named(file, QStringLiteral("import of %1").arg(source()));
    Transaction tx(file);
    for (const Sheet &sheet : m_sheets)
        readSheet(sheet, pass);
    tx.commit();
    if (progress)
        progress(pass.total, pass.total);
    return pass.counts;
}

void SheetImport::readSheet(const Sheet &sheet, Pass &pass) const
{
    pass.lastBrewery = -1;
    try {
        sheet.file->readRows(sheet.index, [&](qint64 number, const SheetRow &cells) {
            if (number != sheet.layout.headerRow)
                addRow(sheet, number, cells, pass);
            return true;
        });
    } catch (const ReadFailed &failed) {
        throw ImportRefused(failed.message);
    }
}

void SheetImport::addRow(const Sheet &sheet, qint64 number, const SheetRow &cells, Pass &pass) const
{
    const SheetLayout &layout = sheet.layout;
    const auto refuse = [&](const QString &why, int column = -1) {
        const QString at = column < 0 ? QStringLiteral("%1, row %2").arg(sheet.where).arg(number)
                                      : QStringLiteral("%1, row %2, column %3").arg(sheet.where).arg(number).arg(ColumnLetters(column));
        throw ImportRefused(QStringLiteral("%1: %2").arg(at, why));
    };

    // Every value stands under a caption and within the register's limits.
    std::vector<bool> read(cells.size(), false);
    for (int column : layout.brewery)
        if (column >= 0 && size_t(column) < read.size())
            read[size_t(column)] = true;
    for (int column : layout.chronik)
        if (column >= 0 && size_t(column) < read.size())
            read[size_t(column)] = true;
    for (int column : {layout.key, layout.breweryCode})
        if (column >= 0 && size_t(column) < read.size())
            read[size_t(column)] = true;
    for (size_t column = 0; column < cells.size(); ++column) {
        if (!cells[column])
            continue;
        if (!read[column])
            refuse(QStringLiteral("\"%1\" stands in a column without a caption of the register.").arg(*cells[column]),
                   int(column));
        if (const std::optional<QString> fault = valueFault(*cells[column]))
            refuse(*fault, int(column));
    }

    const auto keyIn = [&](int column) -> std::optional<qint64> {
        if (!holds(cells, column))
            return std::nullopt;
        bool whole = false;
        const qint64 key = cells[size_t(column)]->trimmed().toLongLong(&whole);
        if (!whole)
            refuse(QStringLiteral("the key \"%1\" is no whole number.").arg(*cells[size_t(column)]), column);
        return key;
    };

    const auto store = [&](bool chronik, std::vector<SheetCell> values, std::optional<qint64> key = std::nullopt) {
        // The first rows of each kind: a workbook's history entries come
        // after all its breweries.
        if (pass.firstRows && std::count_if(pass.firstRows->begin(), pass.firstRows->end(), [chronik](const ImportRow &row) {
                                  return row.chronik == chronik;
                              }) < PreviewRows / 2)
            pass.firstRows->push_back({chronik, values});
        if (!pass.appender)
            return qint64(0);
        std::vector<QByteArray> utf8(values.size());
        std::vector<QByteArrayView> views(values.size());
        for (size_t i = 0; i < values.size(); ++i) {
            if (values[i]) {
                utf8[i] = values[i]->toUtf8();
                // An empty text is a view of "", not a null one.
                views[i] = utf8[i].isNull() ? QByteArrayView("", 0) : QByteArrayView(utf8[i]);
            }
        }
        ++pass.rows;
        if (pass.progress && pass.rows % ProgressRows == 0)
            (*pass.progress)(pass.rows, pass.total);
        if (!chronik)
            return pass.appender->addBrewery(views.data(), key);
        pass.appender->addChronik(pass.lastBrewery, views.data());
        return qint64(0);
    };

    const auto addBrewery = [&](std::vector<SheetCell> values, std::optional<qint64> key) {
        const SheetCell code = values[clsBrewery::Code];
        const qint64 rowId = store(false, std::move(values), key);
        ++pass.counts.breweries;
        pass.lastBrewery = rowId;
        if (key) {
            if (!pass.appender && pass.keys.contains(*key))
                refuse(QStringLiteral("RowId %1 stands for the brewery of row %2 already.").arg(*key).arg(pass.keys.value(*key)),
                       layout.key);
            pass.keys.insert(*key, pass.appender ? rowId : number);
        }
        if (m_linkByCode && code) {
            const auto known = pass.codes.constFind(*code);
            pass.codes.insert(*code, known == pass.codes.constEnd() ? (pass.appender ? rowId : number) : -1);
        }
    };

    switch (layout.kind) {
    case Kind::Breweries:
        addBrewery(pick(cells, layout.brewery), keyIn(layout.key));
        break;
    case Kind::Report: {
        const bool chronik = !holds(cells, layout.brewery[clsBrewery::State]) && !holds(cells, layout.brewery[clsBrewery::County])
            && !holds(cells, layout.brewery[clsBrewery::Postal]) && !holds(cells, layout.brewery[clsBrewery::City]);
        if (!chronik) {
            if (holds(cells, layout.chronik[ChronikRef::NameLong]))
                refuse(QStringLiteral("this row is a brewery (it has BL, Reg Be, PLZ or ORT), but only a history entry "
                                      "has a complete name."),
                       layout.chronik[ChronikRef::NameLong]);
            addBrewery(pick(cells, layout.brewery), std::nullopt);
            break;
        }
        if (pass.lastBrewery < 0)
            refuse(QStringLiteral("a history entry (BL, Reg Be, PLZ and ORT empty) comes before the first brewery."));
        store(true, pick(cells, layout.chronik));
        ++pass.counts.chroniks;
        break;
    }
    case Kind::Chroniks: {
        qint64 parent = -1;
        if (layout.key >= 0) {
            const std::optional<qint64> key = keyIn(layout.key);
            if (!key)
                refuse(QStringLiteral("the history entry does not name its brewery's RowId."), layout.key);
            parent = pass.keys.value(*key, -1);
            if (parent < 0)
                refuse(QStringLiteral("its brewery, RowId %1, is not among the breweries imported.").arg(*key), layout.key);
        } else {
            const SheetCell code = holds(cells, layout.breweryCode) ? cells[size_t(layout.breweryCode)] : SheetCell();
            if (!code)
                refuse(QStringLiteral("the history entry does not name its brewery's ID."), layout.breweryCode);
            parent = pass.codes.value(*code, -2);
            if (parent == -2)
                refuse(QStringLiteral("its brewery, ID \"%1\", is not among the breweries imported.").arg(*code),
                       layout.breweryCode);
            if (parent < 0)
                refuse(QStringLiteral("several breweries imported have the ID \"%1\"; add the column ParentRowId to "
                                      "tell which is meant.")
                           .arg(*code),
                       layout.breweryCode);
        }
        pass.lastBrewery = parent;
        store(true, pick(cells, layout.chronik));
        ++pass.counts.chroniks;
        break;
    }
    }
}

ImportCounts ImportSheets(const QStringList &paths, const QString &registerPath, const ImportOptions &options,
                          const SheetImport::Progress &progress)
{
    SheetImport import(paths);
    import.survey();
    const ImportTarget target = OpenImportTarget(registerPath, options, QStringLiteral("the file's breweries"));
    return import.write(*target.file, progress);
}
