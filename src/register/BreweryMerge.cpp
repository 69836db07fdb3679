#include "BreweryMerge.h"

#include "Register.h"
#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "StoreError.h"
#include "StoredRow.h"
#include "StoredValue.h"

#include <algorithm>

using namespace RegisterSchema;

namespace {

std::vector<RowChange::Row> entriesOf(RegisterFile &file, const QStringList &fields, qint64 brewery)
{
    QByteArray columns;
    for (const QString &field : fields)
        columns += (columns.isEmpty() ? "" : ", ") + QuotedName(field);
    Cursor read = file.cached("SELECT " + columns + " FROM " + QuotedName(ChronikTable) + " WHERE "
                              + QuotedName(ChronikParent) + " = ?1 ORDER BY IdCode, rowid");
    read.bind(1, brewery);
    std::vector<RowChange::Row> entries;
    while (read.step()) {
        RowChange::Row &row = entries.emplace_back(size_t(fields.size()));
        for (int i = 0; i < fields.size(); ++i)
            row[size_t(i)] = read.value(i);
    }
    return entries;
}

} // namespace

BreweryMerge::BreweryMerge(Register &reg, qint64 first, qint64 second)
{
    RegisterFile &file = reg.file();
    m_fields = file.fieldsOf(BreweryTable);
    m_entryFields = file.fieldsOf(ChronikTable);
    const auto brewery = [&](qint64 key) {
        std::optional<Row> row = ReadStoredRow(file, BreweryTable, m_fields, key);
        if (!row)
            throw StoreError(QStringLiteral("The brewery is no longer in the register; nothing was merged."),
                             QStringLiteral("Register"));
        return *row;
    };
    if (first == second)
        throw StoreError(QStringLiteral("A brewery cannot be merged with itself."), QStringLiteral("Register"));
    m_first = brewery(first);
    m_second = brewery(second);
    m_firstEntries = entriesOf(file, m_entryFields, first);
    m_secondEntries = entriesOf(file, m_entryFields, second);
    m_fromFirst.assign(size_t(m_fields.size()), true);
}

QVariant BreweryMerge::value(bool first, const QString &field) const
{
    const qsizetype i = m_fields.indexOf(field);
    return i < 0 ? QVariant() : row(first).at(size_t(i));
}

qint64 BreweryMerge::key(bool first) const
{
    return value(first, BreweryKey).toLongLong();
}

BreweryMerge::Row BreweryMerge::comparable(const Row &entry) const
{
    Row values;
    for (int i = 0; i < m_entryFields.size(); ++i) {
        const QString &field = m_entryFields.at(i);
        if (field.compare(ChronikKey, Qt::CaseInsensitive) != 0 && field.compare(ChronikParent, Qt::CaseInsensitive) != 0)
            values.push_back(entry.at(size_t(i)));
    }
    return values;
}

BreweryMerge::Row BreweryMerge::keptEntry() const
{
    const auto going = [&](const QString &field) { return value(!m_firstStays, field); };
    Row entry(size_t(m_entryFields.size()));
    for (int i = 0; i < m_entryFields.size(); ++i) {
        const QString &field = m_entryFields.at(i);
        if (field == QLatin1String("BreweryNameLong"))
            entry[size_t(i)] = going(QStringLiteral("BreweryName"));
        else if (field == ChronikParent)
            entry[size_t(i)] = key(m_firstStays);
        else if (m_fields.contains(field) && field != BreweryKey)
            entry[size_t(i)] = going(field);
    }
    return entry;
}

int BreweryMerge::identicalEntries() const
{
    const RowChanges changes = plan();
    return int(std::ranges::count_if(changes, [](const RowChange &change) {
        return change.table == ChronikTable && !change.after;
    }));
}

RowChanges BreweryMerge::plan() const
{
    RowChanges changes;
    const qint64 stays = key(m_firstStays);
    Row merged = staying();
    for (size_t i = 0; i < merged.size(); ++i) {
        if (m_fields.at(int(i)).compare(BreweryKey, Qt::CaseInsensitive) != 0)
            merged[i] = row(m_fromFirst[i]).at(i);
    }
    if (!SameStoredRow(merged, staying()))
        changes.push_back({BreweryTable, m_fields, stays, staying(), merged});

    std::vector<Row> held;
    for (const Row &entry : m_firstStays ? m_firstEntries : m_secondEntries)
        held.push_back(comparable(entry));
    const auto isHeld = [&](const Row &entry) {
        const Row values = comparable(entry);
        return std::ranges::any_of(held, [&](const Row &h) { return SameStoredRow(h, values); });
    };
    const size_t keyField = size_t(m_entryFields.indexOf(ChronikKey));
    const size_t parentField = size_t(m_entryFields.indexOf(ChronikParent));
    for (const Row &entry : m_firstStays ? m_secondEntries : m_firstEntries) {
        const qint64 entryKey = entry.at(keyField).toLongLong();
        if (isHeld(entry)) {
            changes.push_back({ChronikTable, m_entryFields, entryKey, entry, std::nullopt});
            continue;
        }
        Row moved = entry;
        moved[parentField] = stays;
        held.push_back(comparable(moved));
        changes.push_back({ChronikTable, m_entryFields, entryKey, entry, std::move(moved)});
    }
    if (m_keepAsEntry) {
        if (const Row kept = keptEntry(); !isHeld(kept))
            changes.push_back({ChronikTable, m_entryFields, 0, std::nullopt, kept});
    }
    changes.push_back({BreweryTable, m_fields, key(!m_firstStays), going(), std::nullopt});
    return changes;
}
