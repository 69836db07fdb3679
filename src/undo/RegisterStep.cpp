#include "RegisterStep.h"

#include "RegisterFile.h"
#include "StoredRow.h"
#include "Transaction.h"

namespace {

// Makes the row `to` (none: deleted), having found it as `from`.
void write(RegisterFile &file, const RowChange &change, const std::optional<RowChange::Row> &from,
           const std::optional<RowChange::Row> &to)
{
    const QByteArray table = QuotedName(change.table);
    if (!to) {
        Cursor remove = file.cached("DELETE FROM " + table + " WHERE rowid = ?1");
        remove.bind(1, change.key).run();
        return;
    }
    QByteArray names, places;
    const QString key = file.keyFieldOf(change.table);
    int n = 0;
    for (const QString &field : change.fields) {
        // The key is given when the row comes back, never changed.
        if (from && field.compare(key, Qt::CaseInsensitive) == 0)
            continue;
        names += (n ? ", " : "") + QuotedName(field) + (from ? " = ?" + QByteArray::number(n + 1) : QByteArray());
        places += (n ? ", ?" : "?") + QByteArray::number(n + 1);
        ++n;
    }
    Cursor put = file.cached(from ? "UPDATE " + table + " SET " + names + " WHERE rowid = ?" + QByteArray::number(n + 1)
                                  : "INSERT INTO " + table + " (" + names + ") VALUES (" + places + ")");
    n = 0;
    for (int i = 0; i < change.fields.size(); ++i) {
        if (from && change.fields.at(i).compare(key, Qt::CaseInsensitive) == 0)
            continue;
        put.bind(++n, to->at(size_t(i)));
    }
    if (from)
        put.bind(n + 1, change.key);
    put.run();
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
        if (ReadStoredRow(m_file, change.table, change.fields, change.key) != from)
            throw StoreError::rowChangedElsewhere();
        write(m_file, change, from, to);
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
