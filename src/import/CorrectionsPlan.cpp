#include "CorrectionsPlan.h"

#include "Counted.h"
#include "DataSource.h"
#include "GroupWrite.h"
#include "Register.h"
#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "ReportImport.h"
#include "StoreError.h"
#include "StoredRow.h"
#include "TableReader.h"
#include "Transaction.h"
#include "TrimBlanks.h"

#include <QFileInfo>
#include <limits>

using namespace RegisterSchema;
using BreweryCells = CorrectionsFile::BreweryTexts;
using EntryCells = CorrectionsFile::ChronikTexts;
using Line = CorrectionsPlan::Line;

namespace {

// Of a history entry's five texts, how many a corrected entry keeps at
// least: fewer, and it is another entry.
constexpr int ResemblingTexts = 3;

template <typename Texts> Texts textsOf(const QByteArrayView *views)
{
    Texts texts;
    for (size_t t = 0; t < texts.size(); ++t)
        texts[t] = views[t].isNull() ? SheetCell() : SheetCell(QString::fromUtf8(views[t]));
    return texts;
}

SheetCell trimmed(const SheetCell &cell)
{
    return cell ? SheetCell(TrimBlanks(*cell)) : cell;
}

template <typename Texts> std::vector<SheetCell> trimmedRow(const Texts &texts)
{
    std::vector<SheetCell> row;
    for (const SheetCell &cell : texts)
        row.push_back(trimmed(cell));
    return row;
}

QVariant stored(const SheetCell &cell)
{
    return cell ? QVariant(*cell) : QVariant();
}

// Where `field` stands among `fields`, as the store spells them.
size_t indexOf(const QStringList &fields, QLatin1StringView field)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (fields[i].compare(field, Qt::CaseInsensitive) == 0)
            return size_t(i);
    }
    throw StoreError(QStringLiteral("The register has no field %1.").arg(field), QStringLiteral("Register"));
}

// The field of text `text` of a brewery or a history entry.
QLatin1StringView fieldOf(bool chronik, size_t text)
{
    return QLatin1StringView(chronik ? ReportLine::ChronikColumns[text].field : ReportLine::BreweryColumns[text].field);
}

QString shown(const BreweryCells &texts)
{
    const QString name = texts[clsBrewery::Name].value_or(QString());
    const QString code = texts[clsBrewery::Code].value_or(QString());
    return code.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, code);
}

} // namespace

CorrectionsPlan::CorrectionsPlan(Register &reg, const CorrectionsFile &file, const CorrectionsFile::Progress &progress)
    : m_register(reg), m_file(file)
{
    RegisterFile &store = reg.file();
    const QString identity = reg.place().identity(store);
    if (file.registerIdentity().isEmpty() || file.registerIdentity() != identity)
        throw ImportRefused(QStringLiteral("%1 was exported from another register (%2), not from %3; corrections are "
                                           "taken only from an export of the register they correct.")
                                .arg(file.source(),
                                     file.registerIdentity().isEmpty() ? QStringLiteral("one without an identity")
                                                                       : file.registerIdentity(),
                                     reg.place().shownName()));
    m_breweryFields = store.fieldsOf(BreweryTable);
    m_chronikFields = store.fieldsOf(ChronikTable);
    // One reading of the register, its lock taken once rather than for each
    // row read; it writes nothing, so it ends without a commit.
    const Transaction reading(store);

    QHash<qint64, std::vector<const CorrectionsFile::Entry *>> entriesOf;
    for (const CorrectionsFile::Entry &entry : file.entries())
        entriesOf[entry.parent].push_back(&entry);
    qint64 added = 0;
    QSet<qint64> held;
    // Read in the order of their keys, as the register keeps them: a file in
    // the list's order would make every row a seek of its own.
    std::vector<const CorrectionsFile::Brewery *> inKeyOrder;
    for (const CorrectionsFile::Brewery &brewery : file.breweries())
        inKeyOrder.push_back(&brewery);
    std::ranges::stable_sort(inKeyOrder, {}, [](const CorrectionsFile::Brewery *b) {
        return b->key.value_or(std::numeric_limits<qint64>::max());
    });
    for (size_t done = 0; done < inKeyOrder.size(); ++done) {
        const CorrectionsFile::Brewery &brewery = *inKeyOrder[done];
        if (progress && done % 1024 == 0)
            progress(qint64(done), qint64(inKeyOrder.size()));
        std::optional<BreweryCells> now;
        if (brewery.key)
            ReadBreweryTexts(store, *brewery.key, [&now](const QByteArrayView *texts) { now = textsOf<BreweryCells>(texts); });
        if (!now) {
            const qint64 placeholder = -++added;
            m_shown.insert(placeholder, shown(brewery.texts));
            add(false, placeholder, placeholder, trimmedRow(brewery.texts));
            // Only a brewery with a key of the file's can have entries.
            for (const CorrectionsFile::Entry *entry : brewery.key ? entriesOf.value(*brewery.key)
                                                                   : std::vector<const CorrectionsFile::Entry *>())
                add(true, 0, placeholder, trimmedRow(entry->texts));
            continue;
        }
        const qint64 key = *brewery.key;
        held.insert(key);
        m_shown.insert(key, shown(*now));
        const auto exported = file.stampedBreweries().constFind(key);
        compare(false, key, key, *now, brewery.texts, exported == file.stampedBreweries().cend() ? nullptr : &*exported);
        compareEntries(key, entriesOf.value(key));
    }
    // What the export held and the file no longer does.
    QList<qint64> exported = file.stampedBreweries().keys();
    std::ranges::sort(exported);
    for (const qint64 key : exported) {
        std::optional<BreweryCells> now;
        if (held.contains(key)
            || !ReadBreweryTexts(store, key, [&now](const QByteArrayView *texts) { now = textsOf<BreweryCells>(texts); }))
            continue;
        m_shown.insert(key, shown(*now));
        ReadChronikEntriesOf(store, key, [&](qint64 entry, const QByteArrayView *texts) {
            const EntryCells entryTexts = textsOf<EntryCells>(texts);
            remove(true, entry, key, {entryTexts.begin(), entryTexts.end()});
        });
        remove(false, key, key, {now->begin(), now->end()});
    }
}

template <typename Texts>
void CorrectionsPlan::compare(bool chronik, qint64 key, qint64 brewery, const Texts &now, const Texts &file,
                              const Texts *exported)
{
    for (size_t t = 0; t < file.size(); ++t) {
        // A cell the user did not touch keeps what the register holds now.
        if (exported ? file[t] == (*exported)[t] : file[t] == now[t])
            continue;
        const SheetCell wanted = trimmed(file[t]);
        if (wanted == now[t])
            continue;
        const bool conflict = exported && now[t] != (*exported)[t];
        Line line{conflict ? Kind::Conflict : Kind::Changed, chronik, key, brewery, int(t), now[t], wanted,
                  exported ? (*exported)[t] : SheetCell(), {}, false};
        const QPair<bool, qint64> row(chronik, key);
        if (!m_stored.contains(row)) {
            std::optional<RowChange::Row> stored = ReadStoredRow(m_register.file(), chronik ? ChronikTable : BreweryTable,
                                                                 chronik ? m_chronikFields : m_breweryFields, key);
            if (!stored)
                throw StoreError::rowChangedElsewhere(m_register.file().hasUpstream());
            m_stored.insert(row, *stored);
        }
        m_lines.push_back(std::move(line));
    }
}

void CorrectionsPlan::compareEntries(qint64 brewery, const std::vector<const CorrectionsFile::Entry *> &inFile)
{
    std::vector<std::pair<qint64, EntryCells>> now;
    ReadChronikEntriesOf(m_register.file(), brewery, [&now](qint64 key, const QByteArrayView *texts) {
        now.emplace_back(key, textsOf<EntryCells>(texts));
    });
    const auto nowOf = [&now](qint64 key) -> const EntryCells * {
        for (const auto &[k, texts] : now) {
            if (k == key)
                return &texts;
        }
        return nullptr;
    };
    // Without stamps of this brewery (the export did not hold it), the
    // register's entries stand for them, and an entry is either as held or
    // new.
    const auto stamped = m_file.stampedEntries().constFind(brewery);
    const bool wasExported = m_file.stampedBreweries().contains(brewery);
    std::vector<CorrectionsFile::StampedEntry> exported;
    if (wasExported && stamped != m_file.stampedEntries().cend())
        exported = *stamped;
    else if (!wasExported)
        for (const auto &[key, texts] : now)
            exported.push_back({key, brewery, texts});

    std::vector<bool> used(exported.size(), false);
    std::vector<std::optional<size_t>> match(inFile.size());
    for (size_t i = 0; i < inFile.size(); ++i) {
        for (size_t j = 0; j < exported.size() && !match[i]; ++j) {
            if (!used[j] && exported[j].texts == inFile[i]->texts) {
                match[i] = j;
                used[j] = true;
            }
        }
    }
    if (wasExported) {
        // A corrected entry is the exported one it resembles most, the
        // closest pairs first, wherever the file moved it.
        struct Pair {
            int same;
            size_t file, exported;
        };
        std::vector<Pair> pairs;
        for (size_t i = 0; i < inFile.size(); ++i) {
            for (size_t j = 0; j < exported.size() && !match[i]; ++j) {
                if (used[j])
                    continue;
                int same = 0;
                for (size_t t = 0; t < exported[j].texts.size(); ++t)
                    same += exported[j].texts[t] == inFile[i]->texts[t];
                if (same >= ResemblingTexts)
                    pairs.push_back({same, i, j});
            }
        }
        std::ranges::stable_sort(pairs, std::greater<>(), &Pair::same);
        for (const Pair &pair : pairs) {
            if (!match[pair.file] && !used[pair.exported]) {
                match[pair.file] = pair.exported;
                used[pair.exported] = true;
            }
        }
    }
    for (size_t i = 0; i < inFile.size(); ++i) {
        const EntryCells *held = match[i] ? nowOf(exported[*match[i]].key) : nullptr;
        if (held)
            compare(true, exported[*match[i]].key, brewery, *held, inFile[i]->texts, &exported[*match[i]].texts);
        else
            add(true, 0, brewery, trimmedRow(inFile[i]->texts));
    }
    if (!wasExported)
        return;
    for (size_t j = 0; j < exported.size(); ++j) {
        if (const EntryCells *held = nowOf(exported[j].key); held && !used[j])
            remove(true, exported[j].key, brewery, {held->begin(), held->end()});
    }
}

void CorrectionsPlan::add(bool chronik, qint64 key, qint64 brewery, const std::vector<SheetCell> &texts)
{
    m_lines.push_back({Kind::Added, chronik, key, brewery, -1, {}, {}, {}, texts, false});
}

void CorrectionsPlan::remove(bool chronik, qint64 key, qint64 brewery, const std::vector<SheetCell> &texts)
{
    std::optional<RowChange::Row> stored = ReadStoredRow(m_register.file(), chronik ? ChronikTable : BreweryTable,
                                                         chronik ? m_chronikFields : m_breweryFields, key);
    if (!stored)
        return;
    m_stored.insert({chronik, key}, *stored);
    m_lines.push_back({Kind::Deleted, chronik, key, brewery, -1, {}, {}, {}, texts, false});
}

QString CorrectionsPlan::fieldShown(const Line &line)
{
    if (line.text < 0)
        return line.chronik ? QStringLiteral("history entry") : QStringLiteral("brewery");
    const ReportLine::Column &column = line.chronik ? ReportLine::ChronikColumns[size_t(line.text)]
                                                    : ReportLine::BreweryColumns[size_t(line.text)];
    return line.chronik ? QStringLiteral("history: %1").arg(QString::fromUtf8(column.caption))
                        : QString::fromUtf8(column.caption);
}

void CorrectionsPlan::takeFileEverywhere(bool take)
{
    for (Line &line : m_lines) {
        if (line.kind == Kind::Conflict)
            line.takeFile = take;
    }
}

bool CorrectionsPlan::counts(const Line &line) const
{
    switch (line.kind) {
    case Kind::Changed:
    case Kind::Added:
        return true;
    case Kind::Conflict:
        return line.takeFile;
    case Kind::Deleted:
        return m_deleteMissing;
    }
    return false;
}

bool CorrectionsPlan::changesNothing() const
{
    return std::ranges::none_of(m_lines, [this](const Line &line) { return counts(line); });
}

QString CorrectionsPlan::summary() const
{
    qint64 cells = 0, conflicts = 0;
    QSet<qint64> breweries;
    qint64 added[2] = {0, 0}, deleted[2] = {0, 0};
    for (const Line &line : m_lines) {
        conflicts += line.kind == Kind::Conflict;
        if (!counts(line))
            continue;
        if (line.text >= 0) {
            ++cells;
            breweries.insert(line.brewery);
        } else {
            (line.kind == Kind::Added ? added : deleted)[line.chronik] += 1;
        }
    }
    QStringList parts;
    if (cells > 0)
        parts << QStringLiteral("%1 in %2 changed").arg(Counted(cells, "cell", "cells"), CountedBreweries(breweries.size()));
    const auto rows = [&parts](const qint64 *n, const QString &what) {
        if (n[0] > 0 && n[1] > 0)
            parts << QStringLiteral("%1 and %2 %3").arg(CountedBreweries(n[0]), CountedEntries(n[1]), what);
        else if (n[0] + n[1] > 0)
            parts << QStringLiteral("%1 %2").arg(n[0] > 0 ? CountedBreweries(n[0]) : CountedEntries(n[1]), what);
    };
    rows(added, QStringLiteral("added"));
    rows(deleted, QStringLiteral("deleted"));
    if (conflicts > 0)
        parts << Counted(conflicts, "conflict", "conflicts");
    return parts.join(QStringLiteral(", "));
}

RowChanges CorrectionsPlan::changes() const
{
    RowChanges changed, deletedEntries, deletedBreweries, added;
    QHash<QPair<bool, qint64>, size_t> at;
    for (const Line &line : m_lines) {
        if (!counts(line))
            continue;
        const QString &table = line.chronik ? ChronikTable : BreweryTable;
        const QStringList &fields = line.chronik ? m_chronikFields : m_breweryFields;
        switch (line.kind) {
        case Kind::Changed:
        case Kind::Conflict: {
            const QPair<bool, qint64> row(line.chronik, line.key);
            if (!at.contains(row)) {
                at.insert(row, changed.size());
                const RowChange::Row &stored = m_stored.value(row);
                changed.push_back({table, fields, line.key, stored, stored});
            }
            (*changed[at.value(row)].after)[indexOf(fields, fieldOf(line.chronik, size_t(line.text)))] = stored(line.inFile);
            break;
        }
        case Kind::Deleted:
            (line.chronik ? deletedEntries : deletedBreweries)
                .push_back({table, fields, line.key, m_stored.value({line.chronik, line.key}), std::nullopt});
            break;
        case Kind::Added: {
            RowChange::Row row(size_t(fields.size()));
            for (size_t t = 0; t < line.texts.size(); ++t)
                row[indexOf(fields, fieldOf(line.chronik, t))] = stored(line.texts[t]);
            if (line.chronik)
                row[indexOf(fields, QLatin1StringView(ChronikParent.toLatin1()))] = line.brewery;
            added.push_back({table, fields, line.chronik ? 0 : line.key, std::nullopt, std::move(row)});
            break;
        }
        }
    }
    // A brewery goes after its history entries; an entry added after its
    // brewery, which the lines list first.
    RowChanges all = std::move(changed);
    for (RowChanges *part : {&deletedEntries, &deletedBreweries, &added})
        all.insert(all.end(), std::make_move_iterator(part->begin()), std::make_move_iterator(part->end()));
    return all;
}

QString ImportCorrections(const QString &path, const QString &registerPath, bool deleteMissing, bool takeFile)
{
    if (!QFileInfo::exists(registerPath))
        throw ImportRefused(QStringLiteral("There is no register %1 to correct.").arg(registerPath));
    Register reg(registerPath);
    reg.open();
    if (!reg.holdsLock())
        throw ImportRefused(QStringLiteral("The register %1 cannot be written: %2. Close the window that has it open, "
                                           "or import the corrections there with File > Import.")
                                .arg(registerPath, reg.lockProblem()));
    reg.breweries()->openFile();
    const CorrectionsFile file(path);
    CorrectionsPlan plan(reg, file);
    plan.setDeleteMissing(deleteMissing);
    plan.takeFileEverywhere(takeFile);
    if (plan.summary().isEmpty())
        return QStringLiteral("Nothing to change: the register holds every row of %1 as it stands there.").arg(file.source());
    QStringList told{QStringLiteral("Corrections from %1: %2").arg(file.source(), plan.summary())};
    const auto shown = [](const SheetCell &cell) { return cell ? QStringLiteral("\"%1\"").arg(*cell) : QStringLiteral("empty"); };
    for (const Line &line : plan.lines()) {
        if (line.kind == CorrectionsPlan::Kind::Conflict)
            told << QStringLiteral("conflict: %1, %2: the register holds %3, the file %4, the export held %5; %6.")
                        .arg(plan.breweryShown(line.brewery), CorrectionsPlan::fieldShown(line), shown(line.inRegister),
                             shown(line.inFile), shown(line.exported),
                             takeFile ? QStringLiteral("the file's value taken") : QStringLiteral("the register's value kept"));
    }
    if (!plan.changesNothing())
        WriteGroup(reg, plan.changes(), QStringLiteral("corrections from %1").arg(QFileInfo(path).fileName()));
    return told.join(QLatin1Char('\n'));
}
