// The grid's keys: Tab and Shift+Tab step from cell to cell, Ctrl+Tab and
// Ctrl+Shift+Tab leave the grid for the window's next or previous control,
// Shift+Space selects the current row as a click on its selector does, and
// Delete deletes a selected row and Ctrl+C copies it; Escape drops a row
// begun in the new-row line.
#include "DataGrid.h"

#include "RecordsetModel.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

void DataGrid::keyPressEvent(QKeyEvent *event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (ctrl && (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)) {
        // The view's own handler would step to the next cell instead.
        const bool forward = event->key() == Qt::Key_Tab && !(event->modifiers() & Qt::ShiftModifier);
        QWidget::focusNextPrevChild(forward);
        return;
    }
    const int row = currentLine();
    if (state() != EditingState && row >= 0) {
        if (event->key() == Qt::Key_Space && event->modifiers() == Qt::ShiftModifier) {
            selectWholeRow(row);
            return;
        }
        if (event->key() == Qt::Key_Delete && selectionModel()->isRowSelected(row, QModelIndex())) {
            deleteCurrentRow();
            return;
        }
        if (event->key() == Qt::Key_Escape && m_model->isPendingRow(row)) {
            m_model->cancelPendingAdd();
            return;
        }
        if (event->matches(QKeySequence::Copy) && selectionModel()->isRowSelected(row, QModelIndex())) {
            copyRow(row);
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void DataGrid::copyRow(int row)
{
    // As a spreadsheet takes a row: the shown columns' whole values, a tab
    // between them.
    QStringList values;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        if (!isColumnHidden(column))
            values << m_model->index(row, column).data(Qt::EditRole).toString();
    }
    QGuiApplication::clipboard()->setText(values.join(QLatin1Char('\t')) + QLatin1Char('\n'));
}

void DataGrid::selectWholeRow(int row, bool adding)
{
    const QModelIndexList before = adding ? selectionModel()->selectedRows() : QModelIndexList();
    const QModelIndex cell = m_model->index(row, std::max(currentIndex().column(), 0));
    setCurrentIndex(cell);
    if (currentIndex().row() != row)
        return;
    selectionModel()->select(cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    for (const QModelIndex &kept : before)
        selectionModel()->select(kept, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}
