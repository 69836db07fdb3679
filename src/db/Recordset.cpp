#include "Recordset.h"

#include "GermanCollation.h"
#include "GermanOrder.h"
#include "LikeCriterion.h"
#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "StoreError.h"
#include "StoredRow.h"
#include "Transaction.h"
#include "WaitBeside.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <unordered_set>

namespace {

constexpr int PageRows = 128;
constexpr size_t MaxCachedRows = 16384;

// Meets `wanted` (pairs of a key and a caller's index, sorted by key) with
// `scan`, which reads rows in rowid order with the rowid first: one pass
// over the table instead of a seek per key. `met(index)` runs for each
// wanted pair whose row the scan reads, `passed(count)` after every row
// with how many pairs are behind.
template <typename Met, typename Passed>
void meetInRowidOrder(Cursor &scan, const std::vector<std::pair<qint64, size_t>> &wanted, Met met, Passed passed)
{
    auto next = wanted.begin();
    while (next != wanted.end() && scan.step()) {
        const qint64 key = scan.int64(0);
        while (next != wanted.end() && next->first < key)
            ++next;
        for (; next != wanted.end() && next->first == key; ++next)
            met(next->second);
        passed(next - wanted.begin());
    }
}

quint64 nextSerial()
{
    static std::atomic<quint64> made = 0;
    return ++made;
}

[[noreturn]] void noCurrentRecord()
{
    throw StoreError(QStringLiteral("There is no current record."));
}

} // namespace

Recordset::Recordset(std::shared_ptr<RegisterFile> file, const RecordSource &source, const Progress &progress,
                     const FirstRows &firstRows)
    : m_file(std::move(file)), m_source(source), m_serial(nextSerial())
{
    prepare();
    m_version = m_file->dataVersion();
    // A whole table in order: sort keys computed once per text, on every
    // core, beat SQLite comparing texts pair by pair.
    if (!source.orderBy.isEmpty() && source.whereField.isEmpty()) {
        QByteArrayList fields;
        for (const QString &field : source.orderBy)
            fields << QuotedName(m_fields.at(requireField(field)));
        if (auto keys = OrderGerman(m_file->path(), QuotedName(source.table), fields, source.descending, progress,
                                    firstRows)) {
            m_keys = std::move(*keys);
            return;
        }
    }

    QByteArray sql = "SELECT rowid FROM " + QuotedName(source.table);
    if (!source.whereField.isEmpty())
        sql += " WHERE " + QuotedName(m_fields.at(requireField(source.whereField))) + " = ?1";
    Cursor keys = m_file->cached(sql + orderClause());
    if (source.whereValue)
        keys.bind(1, *source.whereValue);
    while (keys.step())
        m_keys.push_back(keys.int64(0));
}

Recordset::Recordset(std::shared_ptr<RegisterFile> file, const RecordSource &source, std::vector<qint64> keys,
                     qint64 version)
    : m_file(std::move(file)), m_source(source), m_keys(std::move(keys)), m_version(version), m_serial(nextSerial())
{
    prepare();
}

QByteArray Recordset::orderClause() const
{
    QByteArray order = " ORDER BY ";
    for (qsizetype i = 0; i < m_source.orderBy.size(); ++i) {
        order += QuotedName(m_fields.at(requireField(m_source.orderBy.at(i)))) + " COLLATE " + GermanCollationName
            + (m_source.isDescending(i) ? " DESC, " : ", ");
    }
    return order + "rowid";
}

bool Recordset::sortsBefore(qint64 a, qint64 b) const
{
    Cursor first = m_file->cached("SELECT rowid FROM " + QuotedName(m_source.table) + " WHERE rowid IN (?1, ?2)"
                                  + orderClause() + " LIMIT 1");
    first.bind(1, a).bind(2, b);
    return first.step() && first.int64(0) == a && a != b;
}

void Recordset::prepare()
{
    m_fields = m_file->fieldsOf(m_source.table);
    if (m_fields.isEmpty())
        throw StoreError(QStringLiteral("The register %1 has no table %2.").arg(m_file->path(), m_source.table));

    const QString keyField = m_file->keyFieldOf(m_source.table);
    m_keyField = keyField.isEmpty() ? -1 : fieldIndex(keyField);
}

QByteArray Recordset::columnList() const
{
    QByteArray columns;
    for (const QString &field : m_fields)
        columns += (columns.isEmpty() ? "" : ", ") + QuotedName(field);
    return columns;
}

const QByteArray &Recordset::fetchSql() const
{
    // Made when first needed: a history query that only counts its rows,
    // as the cursor's every move makes one, never needs it.
    if (m_fetchSql.isEmpty()) {
        m_fetchSql = "SELECT rowid, " + columnList() + " FROM " + QuotedName(m_source.table) + " WHERE rowid IN (";
        for (int i = 1; i <= PageRows; ++i)
            m_fetchSql += (i > 1 ? ", ?" : "?") + QByteArray::number(i);
        m_fetchSql += ")";
    }
    return m_fetchSql;
}

bool Recordset::isStale() const
{
    return m_file->dataVersion() != m_version;
}

int Recordset::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

int Recordset::requireField(const QString &name) const
{
    const int index = fieldIndex(name);
    if (index < 0)
        throw StoreError(QStringLiteral("The table %1 has no field %2.").arg(m_source.table, name));
    return index;
}

int Recordset::positionOf(qint64 key) const
{
    const auto it = std::find(m_keys.begin(), m_keys.end(), key);
    return it == m_keys.end() ? -1 : int(it - m_keys.begin());
}

bool Recordset::Bof() const
{
    return m_keys.empty() || m_position < 0;
}

bool Recordset::Eof() const
{
    return m_keys.empty() || m_position >= RecordCount();
}

int Recordset::AbsolutePosition() const
{
    if (m_currentDeleted || m_position < 0 || m_position >= RecordCount())
        return -1;
    return m_position;
}

int Recordset::requireCurrent() const
{
    const int position = AbsolutePosition();
    if (position < 0)
        noCurrentRecord();
    return position;
}

void Recordset::moved()
{
    m_currentDeleted = false;
    if (m_mode != EditMode::None)
        CancelUpdate();
    if (m_listener)
        m_listener->currentMoved();
}

void Recordset::MoveFirst()
{
    m_position = 0;
    moved();
}

void Recordset::MoveLast()
{
    m_position = m_keys.empty() ? 0 : RecordCount() - 1;
    moved();
}

void Recordset::MoveNext()
{
    // After a Delete the record behind the deleted one has already moved
    // into its place.
    if (!m_currentDeleted) {
        if (Eof())
            noCurrentRecord();
        ++m_position;
    }
    moved();
}

void Recordset::MovePrevious()
{
    if (Bof())
        noCurrentRecord();
    --m_position;
    moved();
}

void Recordset::setAbsolutePosition(int position)
{
    if (position < 0 || position >= RecordCount())
        throw StoreError(QStringLiteral("Record %1 does not exist.").arg(position));
    m_position = position;
    moved();
}

bool Recordset::FindFirst(const QString &criterion)
{
    return FindFirst(LikeCriterion::parse(criterion));
}

bool Recordset::FindFirst(const LikeCriterion &like, const Progress &progress)
{
    const int field = requireField(like.field());

    // The list's first rows are looked at before the whole table is: the
    // jump list's first entry, which every fill of it jumps to, names the
    // first row's city, and a page of rows is read at once.
    constexpr int FirstRows = 64;
    for (int position = 0; position < std::min(RecordCount(), FirstRows); ++position) {
        const QVariant &value = rowFor(position)[size_t(field)];
        if (!value.isNull() && like.matches(value.toString())) {
            m_position = position;
            moved();
            return true;
        }
    }
    std::unordered_set<qint64> matching;
    Statement scan(*m_file, "SELECT rowid, " + QuotedName(m_fields.at(field)) + " FROM " + QuotedName(m_source.table));
    qint64 looked = 0;
    while (scan.step()) {
        if (!scan.isNull(1) && like.matches(scan.text(1)))
            matching.insert(scan.int64(0));
        if (progress && ++looked % 4096 == 0)
            progress(looked, std::max<qint64>(looked, RecordCount()));
    }
    if (matching.empty())
        return false;
    for (int position = 0; position < RecordCount(); ++position) {
        if (matching.count(m_keys[size_t(position)])) {
            m_position = position;
            moved();
            return true;
        }
    }
    return false;
}

const Recordset::Row &Recordset::rowFor(int position) const
{
    const qint64 key = m_keys.at(size_t(position));
    if (auto it = m_rows.find(key); it != m_rows.end())
        return it->second;

    if (m_rows.size() > MaxCachedRows)
        m_rows.clear();
    // One statement fetches the whole page of rows around `position`.
    Cursor fetch = m_file->cached(fetchSql());
    const int first = position - position % PageRows;
    const int last = std::min(first + PageRows, RecordCount());
    for (int p = first; p < first + PageRows; ++p)
        fetch.bind(p - first + 1, m_keys[size_t(p < last ? p : first)]);
    while (fetch.step()) {
        Row row(size_t(m_fields.size()));
        for (int i = 0; i < m_fields.size(); ++i)
            row[size_t(i)] = fetch.value(i + 1);
        m_rows.insert_or_assign(fetch.int64(0), std::move(row));
    }
    // A row deleted behind our back reads as all Null.
    auto [it, inserted] = m_rows.try_emplace(key, Row(size_t(m_fields.size())));
    return it->second;
}

void Recordset::forEachRecord(const std::function<void(int, const Cursor &)> &visit,
                              const std::function<void()> &waiting) const
{
    std::vector<std::pair<qint64, size_t>> byKey(m_keys.size());
    for (size_t p = 0; p < m_keys.size(); ++p)
        byKey[p] = {m_keys[p], p};
    auto sorted = std::async(std::launch::async, [&byKey] { std::sort(byKey.begin(), byKey.end()); });
    waitBeside(sorted, waiting);
    sorted.get();
    Cursor scan = m_file->cached("SELECT rowid, " + columnList() + " FROM " + QuotedName(m_source.table) + " ORDER BY rowid");
    meetInRowidOrder(scan, byKey, [&](size_t position) { visit(int(position), scan); }, [](ptrdiff_t) {});
}

std::optional<QVariant> Recordset::cachedValueAt(int position, int field) const
{
    if (position < 0 || position >= RecordCount() || field < 0 || field >= m_fields.size())
        return QVariant();
    const auto it = m_rows.find(m_keys[size_t(position)]);
    if (it == m_rows.end())
        return std::nullopt;
    return it->second[size_t(field)];
}

QVariant Recordset::valueAt(int position, int field) const
{
    if (position < 0 || position >= RecordCount() || field < 0 || field >= m_fields.size())
        return {};
    const qint64 key = m_keys[size_t(position)];
    if (auto it = m_rows.find(key); it != m_rows.end())
        return it->second[size_t(field)];
    // A read far from the last one (the jump list reading the city of every
    // 40th row) fetches just that value; reads close together, as a grid
    // makes them, fetch a page of whole rows at a time.
    const bool sparse = m_lastFetched < 0 || std::abs(position - m_lastFetched) > 2;
    m_lastFetched = position;
    if (!sparse)
        return rowFor(position)[size_t(field)];
    Cursor one = m_file->cached("SELECT " + QuotedName(m_fields.at(field)) + " FROM " + QuotedName(m_source.table)
                                + " WHERE rowid = ?1");
    one.bind(1, key);
    return one.step() ? one.value(0) : QVariant();
}

std::vector<QVariant> Recordset::valuesAt(const std::vector<int> &positions, int field, const Progress &progress) const
{
    constexpr size_t FewRecords = 1000;
    std::vector<QVariant> values(positions.size());
    if (positions.size() < FewRecords) {
        for (size_t i = 0; i < positions.size(); ++i)
            values[i] = valueAt(positions[i], field);
        return values;
    }
    if (field < 0 || field >= m_fields.size())
        return values;
    std::vector<std::pair<qint64, size_t>> wanted;
    wanted.reserve(positions.size());
    for (size_t i = 0; i < positions.size(); ++i) {
        if (positions[i] >= 0 && positions[i] < RecordCount())
            wanted.emplace_back(m_keys[size_t(positions[i])], i);
    }
    std::sort(wanted.begin(), wanted.end());
    Cursor scan = m_file->cached("SELECT rowid, " + QuotedName(m_fields.at(field)) + " FROM " + QuotedName(m_source.table)
                                 + " ORDER BY rowid");
    meetInRowidOrder(scan, wanted, [&](size_t i) { values[i] = scan.value(1); }, [&](ptrdiff_t passed) {
        if (progress)
            progress(passed, qint64(wanted.size()));
    });
    return values;
}

Recordset::Field Recordset::Fields(const QString &name)
{
    return Field(*this, requireField(name));
}

Recordset::Field Recordset::Fields(int index)
{
    if (index < 0 || index >= m_fields.size())
        throw StoreError(QStringLiteral("The table %1 has no field number %2.").arg(m_source.table).arg(index));
    return Field(*this, index);
}

QVariant Recordset::Field::Value() const
{
    if (m_set.m_mode != EditMode::None)
        return m_set.m_buffer[size_t(m_index)];
    return m_set.valueAt(m_set.requireCurrent(), m_index);
}

void Recordset::Field::setValue(const QVariant &value)
{
    if (m_set.m_mode == EditMode::None)
        throw StoreError(QStringLiteral("A field can only be written between Edit or AddNew and Update."));
    if (m_index == m_set.m_keyField)
        throw StoreError(QStringLiteral("The field %1 is assigned by the register and cannot be written.")
                             .arg(m_set.m_fields.at(m_index)));
    m_set.m_buffer[size_t(m_index)] = value;
    m_set.m_changed[size_t(m_index)] = true;
}

void Recordset::Edit()
{
    const int position = requireCurrent();
    m_buffer = rowFor(position);
    m_shown = m_buffer;
    m_changed.assign(size_t(m_fields.size()), false);
    m_mode = EditMode::Edit;
}

void Recordset::AddNew()
{
    m_buffer.assign(size_t(m_fields.size()), QVariant());
    m_changed.assign(size_t(m_fields.size()), false);
    m_mode = EditMode::Add;
}

std::optional<Recordset::Row> Recordset::storedRow(qint64 key) const
{
    return ReadStoredRow(*m_file, m_source.table, m_fields, key);
}

void Recordset::noteChange(qint64 key, std::optional<Row> before, std::optional<Row> after) const
{
    m_file->noteChange({m_source.table, m_fields, key, std::move(before), std::move(after)});
}

void Recordset::CancelUpdate()
{
    m_mode = EditMode::None;
    m_buffer.clear();
    m_changed.clear();
}

void Recordset::Update()
{
    // Update with nothing open stores nothing; the history grid calls it
    // right after a Delete.
    if (m_mode == EditMode::None)
        return;
    const EditMode mode = m_mode;
    Row buffer = std::move(m_buffer);
    const std::vector<bool> changed = std::move(m_changed);
    CancelUpdate();

    if (mode == EditMode::Edit) {
        const int position = requireCurrent();
        if (std::ranges::find(changed, true) == changed.end())
            return;
        const qint64 key = m_keys[size_t(position)];
        // The row as the grid showed it, with what was typed over it: the
        // writer stores only what differs, and only over the row shown.
        Row after = m_shown;
        for (size_t i = 0; i < changed.size(); ++i) {
            if (changed[i])
                after[i] = buffer[i];
        }
        Transaction tx(*m_file);
        if (m_file->rowWriter().write({m_source.table, m_fields, key, m_shown, after}) && m_file->isJournaling())
            noteChange(key, m_shown, storedRow(key));
        tx.commit();
        m_rows.erase(key);
        if (m_listener)
            m_listener->rowChanged(position);
        return;
    }

    // A shared register's server gives the key, so that no two editors
    // give out the same one, before the file's transaction opens; a file
    // gives it itself for a Null key.
    const std::vector<qint64> newKey = m_keyField >= 0 ? m_file->newKeys(m_source.table) : std::vector<qint64>{};
    Transaction tx(*m_file);
    if (!newKey.empty())
        buffer[size_t(m_keyField)] = newKey.front();
    qint64 key = 0;
    try {
        m_file->rowWriter().write({m_source.table, m_fields, newKey.empty() ? 0 : newKey.front(), std::nullopt, buffer});
        key = m_file->lastInsertRowId();
        if (m_file->isJournaling())
            noteChange(key, std::nullopt, storedRow(key));
        tx.commit();
    } catch (const StoreError &e) {
        if (e.isForeignKey() && m_source.table == RegisterSchema::ChronikTable)
            throw StoreError::breweryGone(m_file->hasUpstream());
        throw;
    }
    m_keys.push_back(key);
    // The new record joins the end of the set and becomes the current one.
    m_position = RecordCount() - 1;
    if (m_listener)
        m_listener->rowAppended(m_position);
    moved();
}

void Recordset::Delete()
{
    const int position = requireCurrent();
    if (m_mode != EditMode::None)
        CancelUpdate();
    const qint64 key = m_keys[size_t(position)];
    {
        Transaction tx(*m_file);
        // The row as the grid showed it; one never shown only has to be
        // there still.
        const auto shown = m_rows.find(key);
        std::optional<Row> before = shown == m_rows.end() ? storedRow(key) : shown->second;
        if (!before)
            throw StoreError::rowChangedElsewhere(m_file->hasUpstream());
        m_file->rowWriter().write({m_source.table, m_fields, key, before, std::nullopt});
        if (m_file->isJournaling())
            noteChange(key, std::move(before), std::nullopt);
        tx.commit();
    }
    if (m_listener)
        m_listener->rowAboutToBeRemoved(position);
    m_keys.erase(m_keys.begin() + position);
    m_rows.erase(key);
    m_currentDeleted = true;
    if (m_listener)
        m_listener->rowRemoved(position);
}
