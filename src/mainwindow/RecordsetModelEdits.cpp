// The grid's model: what the user changes. An edited cell of a stored row
// is written at once; a row begun in the new-row line is held until it is
// committed; a delete runs with its reaction in one transaction.
#include "RecordsetModel.h"

#include "Attempt.h"
#include "DataSource.h"
#include "OneLine.h"
#include "Recordset.h"
#include "RegisterFile.h"
#include "ShortBusyWait.h"
#include "StoreError.h"
#include "Transaction.h"

#include <QScopeGuard>

namespace {

// How long a try to store what was kept waits for another program.
constexpr int RetryWaitMs = 100;

} // namespace

bool RecordsetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid())
        return false;
    // A cell holds one line: the report, one line per row with tabs between
    // the columns, could not hold a tab or a line break.
    return editCell(index.row(), index.column(), OneLine(value.toString()));
}

bool RecordsetModel::editCell(int row, int column, const QString &text)
{
    if (!m_source || !m_source->hasRecordset() || column < 0 || column >= columns())
        return false;
    if (isNewRowLine(row)) {
        // A record begins only with something typed or pasted: an editor
        // opened on the new-row line and left empty stores nothing.
        if (!m_allowAddNew || text.isEmpty())
            return false;
        startPendingAdd();
    }
    if (isPendingRow(row))
        return editPendingCell(row, column, text);

    bool taken = false;
    guarded([&] {
        ::Recordset &set = m_source->Recordset();
        if (!m_allowUpdate || row >= set.RecordCount())
            return;
        if (set.AbsolutePosition() != row)
            set.setAbsolutePosition(row);
        const qint64 key = set.keyAt(row);
        // The value before, for the reactions; while another program holds
        // the register it may not be readable, and the edit goes on without.
        QVariant old;
        if (const auto failure = attempt([&] { old = set.valueAt(row, m_columns[size_t(column)].field); });
            failure && !failure->isPassing())
            throw *failure;
        m_held.openCell(key, column, text);
        const auto close = qScopeGuard([this] { m_held.closeCell(); });
        // What the user typed, as the reactions left it.
        const auto typed = [&] {
            const PendingEdit::Cell *held = m_held.cell(key, column);
            return held ? held->text : text;
        };
        try {
            bool cancel = false;
            if (m_events.BeforeColUpdate)
                m_events.BeforeColUpdate(column, old, cancel);
            // A reaction that read the rows anew has dropped the cell.
            const PendingEdit::Cell *held = m_held.cell(key, column);
            if (!held || cancel)
                return;
            // A reaction may have stored it already, or change it once more.
            if (!held->isStored())
                storeHeldCell(key, column);
            if (m_events.AfterColUpdate)
                m_events.AfterColUpdate(column);
            if (held = m_held.cell(key, column); held && !held->isStored())
                storeHeldCell(key, column);
        } catch (const StoreError &e) {
            // Refused for now: the cell keeps what was typed, stored later.
            if (e.isPassing()) {
                m_held.keepUnstored(key, column, typed());
                m_failureKept = true;
                taken = true;
                throw;
            }
            m_held.forgetUnstored(key, column);
            if (e.isRowChangedElsewhere() || e.isFileGone())
                throw e.withValueTyped(typed());
            throw;
        }
        if (m_held.unstored(key, column))
            m_held.forgetUnstored(key, column);
        taken = true;
    });
    cellsChanged(m_source && m_source->hasRecordset() && row < recordCount() ? m_source->Recordset().keyAt(row) : -1);
    return taken;
}

bool RecordsetModel::editPendingCell(int row, int column, const QString &text)
{
    bool taken = false;
    guarded([&] {
        QVariant &cell = m_held.newRowValue(column);
        const QVariant old = cell;
        cell = text;
        bool cancel = false;
        if (m_events.BeforeColUpdate)
            m_events.BeforeColUpdate(column, old, cancel);
        // A reaction that read the rows anew has dropped the row.
        if (!m_held.hasNewRow())
            return;
        if (cancel) {
            m_held.newRowValue(column) = old;
            return;
        }
        if (m_events.AfterColUpdate)
            m_events.AfterColUpdate(column);
        taken = true;
        rowChanged(row);
    });
    return taken;
}

void RecordsetModel::storeHeldCell(qint64 key, int column)
{
    PendingEdit::Cell *held = m_held.cell(key, column);
    storeCell(key, column, held->text);
    held->stored = held->text;
}

void RecordsetModel::storeEditedCell(int column)
{
    const ::Recordset &set = m_source->Recordset();
    const int position = set.AbsolutePosition();
    if (position < 0)
        throw StoreError(QStringLiteral("There is no current record."));
    const qint64 key = set.keyAt(position);
    if (m_held.cell(key, column))
        storeHeldCell(key, column);
    else
        storeCell(key, column, cellValue(column).toString());
}

void RecordsetModel::storeCell(qint64 key, int column, const QString &text)
{
    const Column &bound = m_columns[size_t(column)];
    if (bound.field < 0)
        return;
    ::Recordset &set = m_source->Recordset();
    const int row = set.positionOf(key);
    if (row < 0)
        throw StoreError(QStringLiteral("The record edited is no longer in the list."));
    const QVariant shown = set.valueAt(row, bound.field);
    // Typing back what the cell shows stores nothing, unless another
    // program may have changed the row since: then the write goes through
    // the record set's check, which refuses a stale row.
    if (!shown.isNull() && shown.toString() == text && !set.isStale())
        return;
    if (set.AbsolutePosition() != row)
        set.setAbsolutePosition(row);
    set.Edit();
    set.Fields(bound.dataField).setValue(text);
    set.Update();
}

void RecordsetModel::startPendingAdd()
{
    const ProgramMoves changing(*this);
    m_held.beginNewRow(columns());
    const int row = recordCount();
    selectorChanged(row);
    if (m_allowAddNew) {
        beginInsertRows(QModelIndex(), row + 1, row + 1);
        ++m_rows;
        endInsertRows();
    }
}

void RecordsetModel::cancelPendingAdd()
{
    if (!hasPendingRow())
        return;
    const ProgramMoves changing(*this);
    const int row = recordCount();
    beginRemoveRows(QModelIndex(), row, row);
    m_held.endNewRow();
    --m_rows;
    endRemoveRows();
}

bool RecordsetModel::commitPendingAdd()
{
    if (!hasPendingRow() || !m_source || !m_source->hasRecordset())
        return true;
    return guarded([&] {
        try {
            addPendingRow();
        } catch (const StoreError &e) {
            // Refused for now: the row stays in its line, stored later.
            if (e.isPassing()) {
                m_rowRefused = true;
                m_failureKept = true;
            }
            // Never to be stored: what was typed is named, to be typed
            // again where it belongs.
            if (e.isBreweryGone()) {
                const StoreError told = e.withRowTyped(pendingRowDescription());
                cancelPendingAdd();
                throw told;
            }
            throw;
        }
    });
}

void RecordsetModel::addPendingRow()
{
    ::Recordset &set = m_source->Recordset();
    set.AddNew();
    for (int c = 0; c < columns(); ++c) {
        const QVariant &value = m_held.newRowValue(c);
        if (m_columns[size_t(c)].field >= 0 && !value.isNull())
            set.Fields(m_columns[size_t(c)].dataField).setValue(value.toString());
    }
    {
        m_held.setAdding(true);
        const auto added = qScopeGuard([this] { m_held.setAdding(false); });
        set.Update();
    }
    m_rowRefused = false;
    if (m_events.AfterInsert)
        m_events.AfterInsert();
}

void RecordsetModel::storeHeldBack()
{
    if (!m_source || !m_source->hasRecordset() || !holdsUnstored())
        return;
    // Tried again every second while the register is held: a try gives up
    // soon rather than freeze the window.
    const ShortBusyWait wait(m_source->file(), RetryWaitMs);
    // A copy: storing a cell changes the list.
    const std::vector<PendingEdit::Unstored> cells = m_held.unstoredCells();
    for (const PendingEdit::Unstored &cell : cells) {
        try {
            storeCellByKey(cell.key, cell.column, cell.text);
        } catch (const StoreError &e) {
            if (e.isPassing())
                throw;
            m_held.forgetUnstored(cell.key, cell.column);
            cellsChanged(cell.key);
            if (e.isRowChangedElsewhere())
                throw e.withValueTyped(cell.text);
            throw;
        }
        m_held.forgetUnstored(cell.key, cell.column);
        cellsChanged(cell.key);
    }
    // A row the user is still typing in is added when the cursor leaves it.
    if (hasPendingRow() && m_rowRefused && !isPendingRow(m_currentLine))
        addPendingRow();
}

void RecordsetModel::storeCellByKey(qint64 key, int column, const QString &text)
{
    if (m_source->Recordset().positionOf(key) >= 0) {
        storeCell(key, column, text);
        return;
    }
    // The grid shows other rows now (the history of another brewery): the
    // record is written through a set of its own.
    const std::unique_ptr<::Recordset> one = m_source->recordsetOf({key});
    one->MoveFirst();
    one->Edit();
    one->Fields(m_columns[size_t(column)].dataField).setValue(text);
    one->Update();
}

void RecordsetModel::cellsChanged(qint64 key)
{
    if (key < 0 || !m_source || !m_source->hasRecordset())
        return;
    rowChanged(m_source->Recordset().positionOf(key));
}

QStringList RecordsetModel::pendingRowDescription() const
{
    QStringList cells;
    for (int column = 0; column < columns(); ++column) {
        const QString text = m_held.newRowValue(column).toString();
        if (m_columns[size_t(column)].shown && !text.isEmpty())
            cells << QStringLiteral("\"%1\" in %2").arg(text, m_columns[size_t(column)].caption);
    }
    return cells;
}

QStringList RecordsetModel::unstoredDescription(std::optional<qint64> key) const
{
    QStringList what;
    for (const PendingEdit::Unstored &cell : m_held.unstoredCells()) {
        if (!key || cell.key == *key)
            what << QStringLiteral("\"%1\" in %2").arg(cell.text, m_columns[size_t(cell.column)].caption);
    }
    if (hasPendingRow() && !key)
        what << QStringLiteral("a new row");
    return what;
}

void RecordsetModel::discardUnstoredOf(qint64 key)
{
    for (int column = 0; column < columns(); ++column)
        m_held.forgetUnstored(key, column);
    cellsChanged(key);
}

void RecordsetModel::discardUnstored()
{
    const std::vector<PendingEdit::Unstored> cells = m_held.unstoredCells();
    m_held.forgetAllUnstored();
    for (const PendingEdit::Unstored &cell : cells)
        cellsChanged(cell.key);
    cancelPendingAdd();
    m_rowRefused = false;
}

bool RecordsetModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || count != 1 || !m_allowDelete || row < 0 || row >= recordCount())
        return false;
    const qint64 key = m_source->Recordset().keyAt(row);
    bool deleted = false;
    const bool ok = guarded([&] {
        ::Recordset &before = m_source->Recordset();
        if (before.AbsolutePosition() != row)
            before.setAbsolutePosition(row);
        bool cancel = false;
        if (m_events.ConfirmDelete)
            m_events.ConfirmDelete(cancel);
        if (cancel)
            return;
        // The reaction and the deletion land together or not at all.
        Transaction tx(m_source->file());
        if (m_events.BeforeDelete)
            m_events.BeforeDelete(cancel);
        if (cancel)
            return;
        // The reaction may have moved or replaced the record set: delete
        // the record the user chose, wherever it stands now.
        ::Recordset &set = m_source->Recordset();
        const int position = set.positionOf(key);
        if (position < 0)
            throw StoreError(QStringLiteral("The record to delete is no longer in the list."));
        if (set.AbsolutePosition() != position)
            set.setAbsolutePosition(position);
        set.Delete();
        tx.commit();
        deleted = true;
    });
    if (!ok) {
        // Whatever was deleted has been put back; show the rows as stored.
        guarded([&] {
            m_source->Refresh();
            const int position = m_source->Recordset().positionOf(key);
            if (position >= 0)
                m_source->Recordset().setAbsolutePosition(position);
        });
    }
    return deleted;
}

QVariant RecordsetModel::cellValue(int column) const
{
    if (column < 0 || column >= columns())
        throw StoreError(QStringLiteral("The grid has no column %1.").arg(column));
    if (isPendingRow(m_currentLine))
        return m_held.newRowValue(column);
    if (!m_source || !m_source->hasRecordset() || isNewRowLine(m_currentLine))
        return {};
    const ::Recordset &set = m_source->Recordset();
    const int position = set.AbsolutePosition();
    if (position < 0)
        return {};
    if (const PendingEdit::Cell *held = m_held.cell(set.keyAt(position), column))
        return held->text;
    return set.valueAt(position, m_columns[size_t(column)].field);
}

void RecordsetModel::setCellText(int column, const QString &text)
{
    if (column < 0 || column >= columns())
        throw StoreError(QStringLiteral("The grid has no column %1.").arg(column));
    const int line = m_currentLine;
    if (isNewRowLine(line) && m_allowAddNew)
        startPendingAdd();
    if (isPendingRow(line)) {
        m_held.newRowValue(column) = text;
        rowChanged(line);
        return;
    }
    const int position = m_source && m_source->hasRecordset() ? m_source->Recordset().AbsolutePosition() : -1;
    if (position < 0)
        throw StoreError(QStringLiteral("There is no current record."));
    const qint64 key = m_source->Recordset().keyAt(position);
    if (PendingEdit::Cell *held = m_held.cell(key, column)) {
        held->text = text;
        return;
    }
    storeCell(key, column, text);
}
