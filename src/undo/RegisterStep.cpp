#include "RegisterStep.h"

#include "RegisterFile.h"
#include "Transaction.h"

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
        m_refusal = e.isConstraint() ? StoreError::rowChangedElsewhere(m_file.hasUpstream()) : e;
    }
}

void RegisterStep::replay(Direction direction)
{
    const NamedStep named(m_file, (direction == Direction::Back ? QStringLiteral("undo: ") : QStringLiteral("redo: "))
                                      + text());
    Transaction tx(m_file);
    const RowWriter writer = m_file.rowWriter();
    const auto one = [&](const RowChange &change) {
        // The row must stand as this program left it: changed or deleted
        // since, or its key taken by another program, the step is refused.
        RowChange replayed = direction == Direction::Back
            ? RowChange{change.table, change.fields, change.key, change.after, change.before}
            : change;
        if (writer.write(replayed))
            m_file.noteForServer(std::move(replayed));
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
