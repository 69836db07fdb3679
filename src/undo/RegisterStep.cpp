#include "RegisterStep.h"

#include "RegisterFile.h"
#include "StoredRow.h"
#include "StoredValue.h"
#include "Transaction.h"

namespace {

bool sameRow(const std::optional<RowChange::Row> &a, const std::optional<RowChange::Row> &b)
{
    return a && b ? SameStoredRow(*a, *b) : a.has_value() == b.has_value();
}

// Makes the row `to` (none: deleted), having found it as `from`. A row that
// stays is given only the fields that differ, so a field the step never
// touched is never written; a row that comes back comes back whole, key and
// storage classes as they were.
// Returns whether anything was written.
bool write(RegisterFile &file, const RowChange &change, const std::optional<RowChange::Row> &from,
           const std::optional<RowChange::Row> &to)
{
    const QByteArray table = QuotedName(change.table);
    if (!to) {
        Cursor remove = file.cached("DELETE FROM " + table + " WHERE rowid = ?1");
        remove.bind(1, change.key).run();
        return true;
    }
    std::vector<int> written;
    for (int i = 0; i < change.fields.size(); ++i) {
        if (!from || !SameStoredValue(from->at(size_t(i)), to->at(size_t(i))))
            written.push_back(i);
    }
    if (written.empty())
        return false;
    QByteArray names, places;
    for (size_t n = 0; n < written.size(); ++n) {
        const QByteArray place = "?" + QByteArray::number(qsizetype(n + 1));
        names += (n ? ", " : "") + QuotedName(change.fields.at(written[n])) + (from ? " = " + place : QByteArray());
        places += (n ? ", " : "") + place;
    }
    Cursor put = file.cached(from ? "UPDATE " + table + " SET " + names + " WHERE rowid = ?"
                                        + QByteArray::number(qsizetype(written.size() + 1))
                                  : "INSERT INTO " + table + " (" + names + ") VALUES (" + places + ")");
    for (size_t n = 0; n < written.size(); ++n)
        put.bind(int(n + 1), to->at(size_t(written[n])));
    if (from)
        put.bind(int(written.size() + 1), change.key);
    put.run();
    return true;
}

} // namespace

RegisterStep::RegisterStep(RegisterFile &file, RowChanges changes, const QString &text)
    : m_file(file), m_changes(std::move(changes))
{
    setText(text);
}

void RegisterStep::undo()
{
    apply(Direction::Back);
}

void RegisterStep::redo()
{
    apply(Direction::Again);
}

void RegisterStep::apply(Direction direction)
{
    m_refusal.reset();
    if (std::exchange(m_skipWrite, false))
        return;
    try {
        replay(direction);
    } catch (const StoreError &e) {
        // Another program added history to a brewery the step would remove.
        m_refusal = e.isConstraint() ? StoreError::rowChangedElsewhere() : e;
    }
}

void RegisterStep::replay(Direction direction)
{
    Transaction tx(m_file);
    const auto one = [&](const RowChange &change) {
        const std::optional<RowChange::Row> &from = direction == Direction::Back ? change.after : change.before;
        const std::optional<RowChange::Row> &to = direction == Direction::Back ? change.before : change.after;
        // The row must stand as this program left it: changed or deleted
        // since, or its key taken by another program, the step is refused.
        if (!sameRow(ReadStoredRow(m_file, change.table, change.fields, change.key), from))
            throw StoreError::rowChangedElsewhere();
        if (write(m_file, change, from, to))
            m_file.noteForServer({change.table, change.fields, change.key, from, to});
    };
    if (direction == Direction::Back) {
        for (auto change = m_changes.rbegin(); change != m_changes.rend(); ++change)
            one(*change);
    } else {
        for (const RowChange &change : m_changes)
            one(change);
    }
    tx.commit();
}
