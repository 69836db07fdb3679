#include "RegisterUndo.h"

#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "StoreError.h"
#include "StoredRow.h"
#include "Transaction.h"

using namespace RegisterSchema;

namespace {

// One step of the history. The register is written by RegisterUndo before
// the stack moves, since a refused step must stay where it is; the stack
// keeps the order, the limit and the texts.
class RegisterStep : public QUndoCommand {
public:
    RegisterStep(RowChanges changes, const QString &text) : m_changes(std::move(changes)) { setText(text); }
    void undo() override {}
    void redo() override {}
    const RowChanges &changes() const { return m_changes; }

private:
    RowChanges m_changes;
};

QVariant fieldOf(const RowChange &change, const RowChange::Row &row, const QString &field)
{
    const qsizetype i = change.fields.indexOf(field);
    return i < 0 ? QVariant() : row.at(size_t(i));
}

// The row as it stands now, whichever step wrote it.
const RowChange::Row &latest(const RowChange &change)
{
    return change.after ? *change.after : *change.before;
}

// The first field an edit of a row changed, if any.
QString changedField(const RowChange &change)
{
    for (int i = 0; i < change.fields.size(); ++i) {
        if (change.before->at(size_t(i)) != change.after->at(size_t(i)))
            return change.fields.at(i);
    }
    return QString();
}

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

RegisterUndo::RegisterUndo(QObject *parent) : QObject(parent)
{
    m_stack.setUndoLimit(Steps);
}

RegisterUndo::~RegisterUndo()
{
    if (m_file)
        m_file->setChangeListener({});
}

void RegisterUndo::follow(RegisterFile &file)
{
    m_file = &file;
    file.setChangeListener([this](RowChanges changes) { record(std::move(changes)); });
}

void RegisterUndo::record(RowChanges changes)
{
    const QString text = describe(changes);
    m_stack.push(new RegisterStep(std::move(changes), text));
}

QString RegisterUndo::describe(const RowChanges &changes)
{
    const auto breweryName = [&](qint64 key) {
        Cursor name = m_file->cached("SELECT BreweryName FROM " + BreweryTable.toUtf8() + " WHERE rowid = ?1");
        name.bind(1, key);
        return name.step() ? name.text(0) : QString();
    };
    int entries = 0;
    const RowChange *brewery = nullptr;
    for (const RowChange &change : changes) {
        if (change.table.compare(BreweryTable, Qt::CaseInsensitive) == 0)
            brewery = &change;
        else
            ++entries;
    }
    if (brewery) {
        const QString name = fieldOf(*brewery, latest(*brewery), QStringLiteral("BreweryName")).toString();
        if (!brewery->before)
            return QStringLiteral("new brewery %1").arg(name);
        if (brewery->after) {
            const QString field = changedField(*brewery);
            return field.isEmpty() ? QStringLiteral("change of brewery %1").arg(name)
                                   : QStringLiteral("change of %1 of brewery %2").arg(field, name);
        }
        if (entries == 0)
            return QStringLiteral("delete of brewery %1").arg(name);
        return QStringLiteral("delete of brewery %1 and its %2 history %3")
            .arg(name)
            .arg(entries)
            .arg(entries == 1 ? QStringLiteral("entry") : QStringLiteral("entries"));
    }
    const RowChange &entry = changes.front();
    const RowChange::Row &row = latest(entry);
    const QString of = QStringLiteral("history entry %1 of brewery %2")
                           .arg(fieldOf(entry, row, QStringLiteral("BreweryName")).toString(),
                                breweryName(fieldOf(entry, row, ChronikParent).toLongLong()));
    if (!entry.before)
        return QStringLiteral("new ") + of;
    if (!entry.after)
        return QStringLiteral("delete of ") + of;
    const QString field = changedField(entry);
    return field.isEmpty() ? QStringLiteral("change of ") + of : QStringLiteral("change of %1 of %2").arg(field, of);
}

void RegisterUndo::replay(const RowChanges &changes, Direction direction)
{
    Transaction tx(*m_file);
    const auto one = [&](const RowChange &change) {
        const std::optional<RowChange::Row> &from = direction == Direction::Back ? change.after : change.before;
        const std::optional<RowChange::Row> &to = direction == Direction::Back ? change.before : change.after;
        // The row must stand as this program left it: changed or deleted
        // since, or its key taken by another program, the step is refused.
        if (ReadStoredRow(*m_file, change.table, change.fields, change.key) != from)
            throw StoreError::rowChangedElsewhere();
        write(*m_file, change, from, to);
    };
    try {
        if (direction == Direction::Back) {
            for (auto change = changes.rbegin(); change != changes.rend(); ++change)
                one(*change);
        } else {
            for (const RowChange &change : changes)
                one(change);
        }
    } catch (const StoreError &e) {
        // Another program added history to a brewery the step would remove.
        if (e.isConstraint())
            throw StoreError::rowChangedElsewhere();
        throw;
    }
    tx.commit();
}

void RegisterUndo::undo()
{
    if (!m_file || !m_stack.canUndo())
        return;
    const auto *step = static_cast<const RegisterStep *>(m_stack.command(m_stack.index() - 1));
    replay(step->changes(), Direction::Back);
    m_stack.undo();
    told(QStringLiteral("Undone: ") + step->text(), step->changes());
}

void RegisterUndo::redo()
{
    if (!m_file || !m_stack.canRedo())
        return;
    const auto *step = static_cast<const RegisterStep *>(m_stack.command(m_stack.index()));
    replay(step->changes(), Direction::Again);
    m_stack.redo();
    told(QStringLiteral("Redone: ") + step->text(), step->changes());
}

void RegisterUndo::told(const QString &done, const RowChanges &changes)
{
    // A step holds at most one brewery; without one it changed history
    // entries of one brewery.
    for (const RowChange &change : changes) {
        if (change.table.compare(BreweryTable, Qt::CaseInsensitive) == 0) {
            emit stepTaken(done, change.key, std::nullopt);
            return;
        }
    }
    const RowChange &entry = changes.front();
    emit stepTaken(done, fieldOf(entry, latest(entry), ChronikParent).toLongLong(), entry.key);
}
