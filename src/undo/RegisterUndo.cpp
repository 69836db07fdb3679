#include "RegisterUndo.h"

#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "RegisterStep.h"
#include "StoreError.h"
#include "StoredValue.h"

#include <QScopedValueRollback>
#include <QSet>

using namespace RegisterSchema;

namespace {

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
        if (!SameStoredValue(change.before->at(size_t(i)), change.after->at(size_t(i))))
            return change.fields.at(i);
    }
    return QString();
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

void RegisterUndo::recordAs(const QString &text, const std::function<void()> &write)
{
    // A write that throws leaves no name behind for the next edit.
    const QScopedValueRollback naming(m_namedStep, text);
    write();
}

void RegisterUndo::record(RowChanges changes)
{
    const QString text = m_namedStep.isEmpty() ? describe(changes) : m_namedStep;
    m_stack.push(new RegisterStep(*m_file, std::move(changes), text));
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
                                   : QStringLiteral("change of %1 of brewery %2").arg(captionOf(brewery->table, field), name);
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
    return field.isEmpty() ? QStringLiteral("change of ") + of
                           : QStringLiteral("change of %1 of %2").arg(captionOf(entry.table, field), of);
}

QString RegisterUndo::captionOf(const QString &table, const QString &field) const
{
    const QString caption = m_caption ? m_caption(table, field) : QString();
    return caption.isEmpty() ? field : caption;
}

void RegisterUndo::undo()
{
    if (!m_file || !m_stack.canUndo())
        return;
    auto *step = static_cast<RegisterStep *>(const_cast<QUndoCommand *>(m_stack.command(m_stack.index() - 1)));
    m_stack.undo();
    if (std::optional<StoreError> refused = step->takeRefusal()) {
        // The stack moved; the register did not. Back to where both stand.
        step->skipNextWrite();
        m_stack.redo();
        throw *refused;
    }
    told(QStringLiteral("Undone: ") + step->text(), step->changes());
}

void RegisterUndo::redo()
{
    if (!m_file || !m_stack.canRedo())
        return;
    auto *step = static_cast<RegisterStep *>(const_cast<QUndoCommand *>(m_stack.command(m_stack.index())));
    m_stack.redo();
    if (std::optional<StoreError> refused = step->takeRefusal()) {
        step->skipNextWrite();
        m_stack.undo();
        throw *refused;
    }
    told(QStringLiteral("Redone: ") + step->text(), step->changes());
}

void RegisterUndo::told(const QString &done, const RowChanges &changes)
{
    // The breweries the step changed, then those whose history entries it
    // changed; a step of history entries alone shows the first of them.
    QList<qint64> breweries;
    QSet<qint64> named;
    const auto name = [&](qint64 key) {
        if (!named.contains(key)) {
            named.insert(key);
            breweries << key;
        }
    };
    for (const RowChange &change : changes) {
        if (change.table.compare(BreweryTable, Qt::CaseInsensitive) == 0)
            name(change.key);
    }
    const bool entriesOnly = breweries.isEmpty();
    for (const RowChange &change : changes) {
        if (change.table.compare(ChronikTable, Qt::CaseInsensitive) == 0)
            name(fieldOf(change, latest(change), ChronikParent).toLongLong());
    }
    emit stepTaken(done, breweries, entriesOnly ? std::optional<qint64>(changes.front().key) : std::nullopt);
}
