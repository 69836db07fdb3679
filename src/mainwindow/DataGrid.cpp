#include "DataGrid.h"

#include "DataSource.h"
#include "RecordsetModel.h"
#include "RegisterFile.h"
#include "StoreError.h"
#include "Transaction.h"
#include "Twips.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

namespace {

// Sets a flag for the length of a scope.
class FlagScope {
public:
    explicit FlagScope(bool &flag) : m_flag(flag), m_old(flag) { m_flag = true; }
    ~FlagScope() { m_flag = m_old; }

private:
    bool &m_flag;
    bool m_old;
};

constexpr int SelectorWidth = 18;

} // namespace

DataGrid::DataGrid(QWidget *parent) : QTableView(parent), m_model(new RecordsetModel(*this))
{
    setModel(m_model);
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerItem);
    setSelectionMode(SingleSelection);
    setSelectionBehavior(SelectItems);
    setEditTriggers(DoubleClicked | EditKeyPressed | AnyKeyPressed);
    setWordWrap(false);
    setCornerButtonEnabled(false);

    // Fixed row heights: the view never measures rows, so 100,000 of them
    // cost no more than forty.
    QHeaderView *rows = verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 6);
    rows->setFixedWidth(SelectorWidth);
    rows->setDefaultAlignment(Qt::AlignCenter);
    // The row selector at the left selects the whole row, ready for Delete.
    connect(rows, &QHeaderView::sectionClicked, this, [this](int row) {
        const QModelIndex cell = m_model->index(row, std::max(currentIndex().column(), 0));
        setCurrentIndex(cell);
        if (currentIndex().row() == row)
            selectionModel()->select(cell, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    });

    QHeaderView *columns = horizontalHeader();
    columns->setStretchLastSection(false);
    columns->setHighlightSections(false);
    connect(columns, &QHeaderView::sectionResized, this, [this](int index, int, int size) {
        if (!m_settingWidth && index < ColumnCount())
            m_columns[size_t(index)].widthTwips = toTwips(size);
    });
    connect(qApp, &QApplication::focusChanged, this, &DataGrid::focusMoved);
}

DataGrid::~DataGrid()
{
    disconnect(qApp, &QApplication::focusChanged, this, &DataGrid::focusMoved);
}

template <typename Work> bool DataGrid::guarded(Work &&work)
{
    try {
        work();
        return true;
    } catch (const StoreError &e) {
        if (m_source && m_source->hasRecordset())
            m_source->Recordset().dropCache();
        viewport()->update();
        if (events.Failed)
            events.Failed(e);
    } catch (const std::exception &e) {
        viewport()->update();
        if (events.Failed)
            events.Failed(StoreError(QString::fromLocal8Bit(e.what()), QStringLiteral("Sudregister")));
    }
    return false;
}

void DataGrid::setDataSource(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    connect(source, &QObject::destroyed, this, [this] { m_source = nullptr; });
    connect(source, &DataSource::aboutToRefresh, this, [this] { commitPendingAdd(); });
    connect(source, &DataSource::recordsetReplaced, this, &DataGrid::recordsetReplaced);
    connect(source, &DataSource::currentChanged, this, &DataGrid::followCurrentRecord);
    connect(source, &DataSource::rowAboutToBeRemoved, this, &DataGrid::rowAboutToBeRemoved);
    connect(source, &DataSource::rowRemoved, this, &DataGrid::rowRemoved);
    connect(source, &DataSource::rowAppended, this, &DataGrid::rowAppended);
    connect(source, &DataSource::rowChanged, this, &DataGrid::rowChanged);
    if (source->hasRecordset())
        recordsetReplaced();
}

void DataGrid::addColumn(const QString &caption, const QString &dataField)
{
    ColumnState column;
    column.caption = caption;
    column.dataField = dataField;
    m_columns.push_back(column);
    bindFields();
    const FlagScope following(m_following);
    m_model->columnsChanged();
    for (int i = 0; i < ColumnCount(); ++i) {
        Columns(i).setWidth(m_columns[size_t(i)].widthTwips);
        Columns(i).setVisible(m_columns[size_t(i)].visible);
        Columns(i).setAllowSizing(m_columns[size_t(i)].allowSizing);
    }
}

void DataGrid::bindFields()
{
    const bool bound = m_source && m_source->hasRecordset();
    for (ColumnState &column : m_columns)
        column.field = bound ? m_source->Recordset().fieldIndex(column.dataField) : -1;
}

int DataGrid::recordCount() const
{
    return m_source && m_source->hasRecordset() ? m_source->Recordset().RecordCount() : 0;
}

bool DataGrid::isNewRowLine(int row) const
{
    return m_allowAddNew && row == recordCount() + (m_pending ? 1 : 0);
}

int DataGrid::currentLine() const
{
    return currentIndex().row();
}

void DataGrid::recordsetReplaced()
{
    ++m_generation;
    m_pending = false;
    m_edit.reset();
    bindFields();
    const FlagScope following(m_following);
    const int column = std::max(currentIndex().column(), 0);
    m_model->resetRows(recordCount() + (m_allowAddNew ? 1 : 0));
    const int position = m_source->Recordset().AbsolutePosition();
    if (position >= 0)
        setCurrentIndex(m_model->index(position, column));
    scrollToTop();
}

void DataGrid::followCurrentRecord()
{
    if (!m_source || !m_source->hasRecordset())
        return;
    const int position = m_source->Recordset().AbsolutePosition();
    if (position < 0 || position == currentLine())
        return;
    const FlagScope following(m_following);
    const QModelIndex target = m_model->index(position, std::max(currentIndex().column(), 0));
    setCurrentIndex(target);
    scrollTo(target);
}

void DataGrid::rowAboutToBeRemoved(int position)
{
    const FlagScope following(m_following);
    m_model->beginRemoveRow(position);
}

void DataGrid::rowRemoved()
{
    const FlagScope following(m_following);
    m_model->endRemoveRow();
}

void DataGrid::rowAppended(int position)
{
    const FlagScope following(m_following);
    if (m_committing) {
        // The held-back row is now the stored one; the rows stay as they are.
        m_pending = false;
        m_model->rowUpdated(position);
        m_model->selectorChanged(position);
    } else {
        m_model->insertRow(position);
    }
}

void DataGrid::rowChanged(int position)
{
    m_model->rowUpdated(position);
}

void DataGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    const int row = current.row();
    const int last = previous.row();
    m_model->selectorChanged(last);
    m_model->selectorChanged(row);
    if (m_following)
        return;
    if (row != last && m_pending && last == recordCount())
        commitPendingAdd();
    guarded([&] {
        if (row != last && m_source && m_source->hasRecordset()) {
            ::Recordset &set = m_source->Recordset();
            if (row >= 0 && row < set.RecordCount()) {
                if (set.AbsolutePosition() != row)
                    set.setAbsolutePosition(row);
            } else if (isNewRowLine(row) && set.AbsolutePosition() >= 0) {
                // The new-row line stands for no stored record.
                set.MoveLast();
                set.MoveNext();
            }
        }
        if (events.RowColChange)
            events.RowColChange(last, previous.column());
    });
}

void DataGrid::focusMoved(QWidget *old, QWidget *now)
{
    const auto inside = [this](QWidget *w) { return w && (w == this || isAncestorOf(w)); };
    // Only moves between controls of this window count: a message box or a
    // popup taking the focus for a moment is not the user turning away.
    if (!old || !now || old->window() != window() || now->window() != window())
        return;
    if (!inside(old) && inside(now)) {
        if (events.FocusGained)
            guarded([&] { events.FocusGained(); });
    } else if (inside(old) && !inside(now)) {
        if (events.FocusLost)
            guarded([&] { events.FocusLost(); });
        commitPendingAdd();
    }
}

void DataGrid::keyPressEvent(QKeyEvent *event)
{
    const int row = currentLine();
    if (state() != EditingState && row >= 0) {
        if (event->key() == Qt::Key_Delete && selectionModel()->isRowSelected(row, QModelIndex())) {
            deleteCurrentRow();
            return;
        }
        if (event->key() == Qt::Key_Escape && isPendingRow(row)) {
            cancelPendingAdd();
            return;
        }
    }
    QTableView::keyPressEvent(event);
}

void DataGrid::deleteCurrentRow()
{
    const int row = currentLine();
    if (!m_allowDelete || row < 0 || row >= recordCount())
        return;
    const qint64 key = m_source->Recordset().keyAt(row);
    bool deleted = false;
    const bool ok = guarded([&] {
        ::Recordset &before = m_source->Recordset();
        if (before.AbsolutePosition() != row)
            before.setAbsolutePosition(row);
        // The reaction and the deletion land together or not at all.
        Transaction tx(m_source->file());
        bool cancel = false;
        if (events.BeforeDelete)
            events.BeforeDelete(cancel);
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
        return;
    }
    if (deleted) {
        ::Recordset &set = m_source->Recordset();
        if (set.RecordCount() > 0)
            guarded([&] { set.setAbsolutePosition(std::min(row, set.RecordCount() - 1)); });
        followCurrentRecord();
    }
}

void DataGrid::startPendingAdd()
{
    m_pending = true;
    m_pendingValues.assign(size_t(ColumnCount()), QVariant());
    const int row = recordCount();
    m_model->selectorChanged(row);
    const FlagScope following(m_following);
    if (m_allowAddNew)
        m_model->insertRow(row + 1);
}

void DataGrid::cancelPendingAdd()
{
    if (!m_pending)
        return;
    const FlagScope following(m_following);
    m_pending = false;
    m_pendingValues.clear();
    m_model->removeRow(recordCount());
}

bool DataGrid::commitPendingAdd()
{
    if (!m_pending || !m_source || !m_source->hasRecordset())
        return true;
    return guarded([&] {
        ::Recordset &set = m_source->Recordset();
        set.AddNew();
        for (int c = 0; c < ColumnCount(); ++c) {
            const QVariant &value = m_pendingValues[size_t(c)];
            if (m_columns[size_t(c)].field >= 0 && !value.isNull())
                set.Fields(m_columns[size_t(c)].dataField).setValue(value.toString());
        }
        {
            const FlagScope committing(m_committing);
            set.Update();
        }
        m_pendingValues.clear();
        if (events.AfterInsert)
            events.AfterInsert();
    });
}

bool DataGrid::commitEdits()
{
    QWidget *editor = QApplication::focusWidget();
    if (state() == EditingState && editor && isAncestorOf(editor)) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
    return commitPendingAdd();
}

void DataGrid::storeCell(int row, int column, const QString &text)
{
    const ColumnState &state = m_columns[size_t(column)];
    if (state.field < 0)
        return;
    ::Recordset &set = m_source->Recordset();
    const QVariant stored = set.valueAt(row, state.field);
    if (!stored.isNull() && stored.toString() == text)
        return;
    if (set.AbsolutePosition() != row)
        set.setAbsolutePosition(row);
    set.Edit();
    set.Fields(state.dataField).setValue(text);
    set.Update();
}

bool DataGrid::editCell(int row, int column, const QString &text)
{
    if (!m_source || !m_source->hasRecordset() || column < 0 || column >= ColumnCount())
        return false;
    bool taken = false;
    guarded([&] {
        ::Recordset &set = m_source->Recordset();
        const quint64 generation = m_generation;
        if (isNewRowLine(row)) {
            if (!m_allowAddNew)
                return;
            startPendingAdd();
        }
        bool cancel = false;
        if (isPendingRow(row)) {
            QVariant &cell = m_pendingValues[size_t(column)];
            const QVariant old = cell;
            cell = text;
            if (events.BeforeColUpdate)
                events.BeforeColUpdate(column, old, cancel);
            if (m_generation != generation || !m_pending)
                return;
            if (cancel) {
                m_pendingValues[size_t(column)] = old;
                return;
            }
            if (events.AfterColUpdate)
                events.AfterColUpdate(column);
            taken = true;
            m_model->rowUpdated(row);
            return;
        }
        if (!m_allowUpdate || row >= set.RecordCount())
            return;
        if (set.AbsolutePosition() != row)
            set.setAbsolutePosition(row);
        const QVariant old = set.valueAt(row, m_columns[size_t(column)].field);
        m_edit = CellEdit{column, text};
        struct EndEdit {
            std::optional<CellEdit> &edit;
            ~EndEdit() { edit.reset(); }
        } endEdit{m_edit};
        if (events.BeforeColUpdate)
            events.BeforeColUpdate(column, old, cancel);
        if (m_generation != generation || !m_edit || cancel)
            return;
        QString value = m_edit->text;
        storeCell(row, column, value);
        if (events.AfterColUpdate)
            events.AfterColUpdate(column);
        // The reaction may have changed the text once more, or replaced the
        // rows altogether.
        if (m_generation == generation && m_edit && m_edit->text != value && row < set.RecordCount())
            storeCell(row, column, m_edit->text);
        taken = true;
    });
    return taken;
}

Qt::ItemFlags DataGrid::cellFlags(int row, int column) const
{
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (column < 0 || column >= ColumnCount() || m_columns[size_t(column)].field < 0)
        return flags;
    const bool editable = row < recordCount() ? m_allowUpdate : m_allowAddNew;
    return editable ? flags | Qt::ItemIsEditable : flags;
}

QVariant DataGrid::displayValue(int row, int column) const
{
    if (isPendingRow(row))
        return m_pendingValues[size_t(column)];
    if (row >= recordCount())
        return {};
    const ::Recordset &set = m_source->Recordset();
    if (m_edit && m_edit->column == column && row == set.AbsolutePosition())
        return m_edit->text;
    return set.valueAt(row, m_columns[size_t(column)].field);
}

QString DataGrid::selectorOf(int row) const
{
    if (isPendingRow(row))
        return QStringLiteral("✎");
    if (row == currentLine())
        return QStringLiteral("▶");
    if (isNewRowLine(row))
        return QStringLiteral("*");
    return QString();
}

QVariant DataGrid::cellValue(int column) const
{
    if (column < 0 || column >= ColumnCount())
        throw StoreError(QStringLiteral("The grid has no column %1.").arg(column));
    if (isPendingRow(currentLine()))
        return m_pendingValues[size_t(column)];
    if (m_edit && m_edit->column == column)
        return m_edit->text;
    if (!m_source || !m_source->hasRecordset() || isNewRowLine(currentLine()))
        return {};
    const ::Recordset &set = m_source->Recordset();
    const int position = set.AbsolutePosition();
    return position < 0 ? QVariant() : set.valueAt(position, m_columns[size_t(column)].field);
}

void DataGrid::setCellText(int column, const QString &text)
{
    if (column < 0 || column >= ColumnCount())
        throw StoreError(QStringLiteral("The grid has no column %1.").arg(column));
    const int line = currentLine();
    if (isNewRowLine(line) && m_allowAddNew)
        startPendingAdd();
    if (isPendingRow(line)) {
        m_pendingValues[size_t(column)] = text;
        m_model->rowUpdated(line);
        return;
    }
    if (m_edit && m_edit->column == column) {
        m_edit->text = text;
        return;
    }
    const int position = m_source && m_source->hasRecordset() ? m_source->Recordset().AbsolutePosition() : -1;
    if (position < 0)
        throw StoreError(QStringLiteral("There is no current record."));
    storeCell(position, column, text);
}

void DataGrid::setAllowAddNew(bool allow)
{
    if (allow == m_allowAddNew)
        return;
    const FlagScope following(m_following);
    const int line = recordCount() + (m_pending ? 1 : 0);
    m_allowAddNew = allow;
    if (allow)
        m_model->insertRow(line);
    else
        m_model->removeRow(line);
}

void DataGrid::setAllowRowSizing(bool allow)
{
    m_allowRowSizing = allow;
    verticalHeader()->setSectionResizeMode(allow ? QHeaderView::Interactive : QHeaderView::Fixed);
}

bool DataGrid::ColumnHeaders() const
{
    return !horizontalHeader()->isHidden();
}

void DataGrid::setColumnHeaders(bool show)
{
    horizontalHeader()->setHidden(!show);
}

int DataGrid::visibleRowCount() const
{
    const int height = std::max(1, verticalHeader()->defaultSectionSize());
    return (viewport()->height() + height - 1) / height;
}

int DataGrid::Row() const
{
    const int line = currentLine();
    if (line < 0)
        return -1;
    const int relative = line - verticalScrollBar()->value();
    return relative >= 0 && relative < visibleRowCount() ? relative : -1;
}

void DataGrid::setRow(int row)
{
    const int target = verticalScrollBar()->value() + row;
    if (target < 0 || target >= m_model->rowCount())
        return;
    setCurrentIndex(m_model->index(target, std::max(currentIndex().column(), 0)));
}

QVariant DataGrid::FirstRow() const
{
    if (recordCount() == 0)
        return {};
    return verticalScrollBar()->value() + 1;
}

int DataGrid::RowBookmark(int row) const
{
    return verticalScrollBar()->value() + row + 1;
}

int DataGrid::AddNewMode() const
{
    if (m_pending)
        return AddNewPending;
    return isNewRowLine(currentLine()) ? AddNewCurrent : NoAddNew;
}

void DataGrid::Scroll(int columns, int rows)
{
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() + columns);
    verticalScrollBar()->setValue(verticalScrollBar()->value() + rows);
}

void DataGrid::Refresh()
{
    if (m_source && m_source->hasRecordset())
        m_source->Recordset().dropCache();
    scrollToTop();
    viewport()->update();
    verticalHeader()->viewport()->update();
}

// The column handle reads and writes the grid's state.

QString GridColumn::Caption() const
{
    return m_grid->m_columns.at(size_t(m_index)).caption;
}

void GridColumn::setCaption(const QString &caption)
{
    m_grid->m_columns.at(size_t(m_index)).caption = caption;
    m_grid->m_model->headerChanged(m_index);
}

QString GridColumn::DataField() const
{
    return m_grid->m_columns.at(size_t(m_index)).dataField;
}

void GridColumn::setDataField(const QString &field)
{
    m_grid->m_columns.at(size_t(m_index)).dataField = field;
    m_grid->bindFields();
    m_grid->viewport()->update();
}

int GridColumn::Width() const
{
    return m_grid->m_columns.at(size_t(m_index)).widthTwips;
}

void GridColumn::setWidth(int widthTwips)
{
    m_grid->m_columns.at(size_t(m_index)).widthTwips = widthTwips;
    const FlagScope setting(m_grid->m_settingWidth);
    m_grid->horizontalHeader()->resizeSection(m_index, twips(widthTwips));
}

bool GridColumn::Visible() const
{
    return m_grid->m_columns.at(size_t(m_index)).visible;
}

void GridColumn::setVisible(bool visible)
{
    m_grid->m_columns.at(size_t(m_index)).visible = visible;
    m_grid->setColumnHidden(m_index, !visible);
}

int GridColumn::Alignment() const
{
    return m_grid->m_columns.at(size_t(m_index)).alignment;
}

void GridColumn::setAlignment(int alignment)
{
    m_grid->m_columns.at(size_t(m_index)).alignment = alignment;
    m_grid->viewport()->update();
}

bool GridColumn::AllowSizing() const
{
    return m_grid->m_columns.at(size_t(m_index)).allowSizing;
}

void GridColumn::setAllowSizing(bool allow)
{
    m_grid->m_columns.at(size_t(m_index)).allowSizing = allow;
    m_grid->horizontalHeader()->setSectionResizeMode(m_index, allow ? QHeaderView::Interactive : QHeaderView::Fixed);
}

QString GridColumn::Text() const
{
    const QVariant value = m_grid->cellValue(m_index);
    return value.isNull() ? QString() : value.toString();
}

void GridColumn::setText(const QString &text)
{
    m_grid->setCellText(m_index, text);
}

QVariant GridColumn::Value() const
{
    return m_grid->cellValue(m_index);
}
