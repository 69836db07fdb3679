// The grid's model: its columns, and the rows of the record set as the
// view asks for them.
#include "RecordsetModel.h"

#include "Attempt.h"
#include "DataSource.h"
#include "GridColumn.h"
#include "RegisterFile.h"
#include "ShortBusyWait.h"

#include <QFont>
#include <QPointer>
#include <QTimer>

namespace {

// How long a read for painting waits for another program's write lock
// before the cell is shown empty, and when it tries again.
constexpr int ReadWaitMs = 100;
constexpr int ReadRetryMs = 1000;

} // namespace

RecordsetModel::RecordsetModel(GridEvents &events, QObject *parent) : QAbstractTableModel(parent), m_events(events) {}

void RecordsetModel::setDataSource(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    connect(source, &QObject::destroyed, this, [this] { m_source = nullptr; });
    connect(source, &DataSource::aboutToRefresh, this, [this] { commitPendingAdd(); });
    connect(source, &DataSource::recordsetReplaced, this, &RecordsetModel::recordsetReplaced);
    connect(source, &DataSource::rowAboutToBeRemoved, this, [this](int position) {
        const ProgramMoves changing(*this);
        beginRemoveRows(QModelIndex(), position, position);
    });
    connect(source, &DataSource::rowRemoved, this, [this] {
        const ProgramMoves changing(*this);
        --m_rows;
        endRemoveRows();
    });
    connect(source, &DataSource::rowAppended, this, &RecordsetModel::rowAppended);
    connect(source, &DataSource::rowChanged, this, &RecordsetModel::rowChanged);
    if (source->hasRecordset())
        recordsetReplaced();
}

void RecordsetModel::addColumn(const QString &caption, const QString &dataField)
{
    m_columns.push_back(Column{caption, dataField});
    m_shownColumns = columns();
    bindFields();
    resetRows();
}

void RecordsetModel::setShownColumns(int count)
{
    count = std::clamp(count, 0, columns());
    if (count < m_shownColumns) {
        beginRemoveColumns(QModelIndex(), count, m_shownColumns - 1);
        m_shownColumns = count;
        endRemoveColumns();
    } else if (count > m_shownColumns) {
        beginInsertColumns(QModelIndex(), m_shownColumns, count - 1);
        m_shownColumns = count;
        endInsertColumns();
    }
}

void RecordsetModel::setCaption(int index, const QString &caption)
{
    m_columns.at(size_t(index)).caption = caption;
    emit headerDataChanged(Qt::Horizontal, index, index);
}

void RecordsetModel::setDataField(int index, const QString &field)
{
    m_columns.at(size_t(index)).dataField = field;
    bindFields();
    if (m_rows > 0 && index < m_shownColumns)
        emit dataChanged(this->index(0, index), this->index(m_rows - 1, index));
}

void RecordsetModel::setAlignment(int index, int alignment)
{
    m_columns.at(size_t(index)).alignment = alignment;
    if (m_rows > 0 && index < m_shownColumns)
        emit dataChanged(this->index(0, index), this->index(m_rows - 1, index), {Qt::TextAlignmentRole});
}

void RecordsetModel::bindFields()
{
    const bool bound = m_source && m_source->hasRecordset();
    for (Column &column : m_columns)
        column.field = bound ? m_source->Recordset().fieldIndex(column.dataField) : -1;
}

void RecordsetModel::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    if (readOnly) {
        setAllowAddNew(false);
        m_allowUpdate = false;
        m_allowDelete = false;
    }
}

void RecordsetModel::setAllowAddNew(bool allow)
{
    allow = allow && !m_readOnly;
    if (allow == m_allowAddNew)
        return;
    const ProgramMoves changing(*this);
    const int line = recordCount() + (hasPendingRow() ? 1 : 0);
    if (allow) {
        beginInsertRows(QModelIndex(), line, line);
        m_allowAddNew = true;
        ++m_rows;
        endInsertRows();
    } else {
        beginRemoveRows(QModelIndex(), line, line);
        m_allowAddNew = false;
        --m_rows;
        endRemoveRows();
    }
}

int RecordsetModel::recordCount() const
{
    return m_source && m_source->hasRecordset() ? m_source->Recordset().RecordCount() : 0;
}

bool RecordsetModel::isNewRowLine(int row) const
{
    return m_allowAddNew && row == recordCount() + (hasPendingRow() ? 1 : 0);
}

void RecordsetModel::recordsetReplaced()
{
    m_held.drop();
    m_readBlocked = false;
    bindFields();
    resetRows();
}

void RecordsetModel::resetRows()
{
    const ProgramMoves changing(*this);
    beginResetModel();
    m_rows = recordCount() + (hasPendingRow() ? 1 : 0) + (m_allowAddNew ? 1 : 0);
    endResetModel();
}

void RecordsetModel::rowAppended(int position)
{
    const ProgramMoves changing(*this);
    if (m_held.isAdding()) {
        // The held-back row is now the stored one; the rows stay as they are.
        m_held.endNewRow();
        rowChanged(position);
        selectorChanged(position);
        return;
    }
    beginInsertRows(QModelIndex(), position, position);
    ++m_rows;
    endInsertRows();
}

void RecordsetModel::rowChanged(int position)
{
    if (position >= 0 && position < m_rows && m_shownColumns > 0)
        emit dataChanged(index(position, 0), index(position, m_shownColumns - 1));
}

void RecordsetModel::reread()
{
    if (m_source && m_source->hasRecordset())
        m_source->Recordset().dropCache();
    m_readBlocked = false;
    if (m_rows > 0 && m_shownColumns > 0)
        emit dataChanged(index(0, 0), index(m_rows - 1, m_shownColumns - 1));
}

void RecordsetModel::setCurrentLine(int line)
{
    const int last = m_currentLine;
    m_currentLine = line;
    selectorChanged(last);
    selectorChanged(line);
}

void RecordsetModel::selectorChanged(int row)
{
    if (row >= 0 && row < m_rows)
        emit headerDataChanged(Qt::Vertical, row, row);
}

bool RecordsetModel::guarded(const std::function<void()> &work)
{
    m_failureKept = false;
    const std::optional<StoreError> failure = attempt(work);
    if (!failure)
        return true;
    if (m_source && m_source->hasRecordset())
        m_source->Recordset().dropCache();
    emit stepFailed();
    const auto &tell = std::exchange(m_failureKept, false) && m_events.WriteKept ? m_events.WriteKept : m_events.Failed;
    if (tell)
        tell(*failure);
    return false;
}

QVariant RecordsetModel::storedValue(int row, int column) const
{
    if (isPendingRow(row))
        return m_held.newRowValue(column);
    if (row >= recordCount())
        return {};
    const ::Recordset &set = m_source->Recordset();
    if (const PendingEdit::Cell *held = m_held.cell(set.keyAt(row), column))
        return held->text;
    if (const QString *kept = m_held.unstored(set.keyAt(row), column))
        return *kept;
    if (m_readBlocked)
        return {};
    const int field = m_columns[size_t(column)].field;
    if (std::optional<QVariant> cached = set.cachedValueAt(row, field))
        return *cached;
    QVariant value;
    const std::optional<StoreError> failure = attempt([&] {
        // A read for painting must not freeze the window while another
        // program holds the file: it gives up soon and tries again later.
        const ShortBusyWait wait(m_source->file(), ReadWaitMs);
        value = set.valueAt(row, field);
    });
    if (failure) {
        readFailed(*failure);
        return {};
    }
    readSucceeded();
    return value;
}

void RecordsetModel::later(int delayMs, const std::function<void(RecordsetModel &)> &work) const
{
    QPointer self(const_cast<RecordsetModel *>(this));
    auto run = [self, work] {
        if (self)
            work(*self);
    };
    if (m_events.Later)
        m_events.Later(delayMs, run);
    else
        QTimer::singleShot(delayMs, self, run);
}

void RecordsetModel::readFailed(const StoreError &error) const
{
    m_readBlocked = true;
    later(ReadRetryMs, [](RecordsetModel &model) { model.reread(); });
    if (m_readFailureReported)
        return;
    m_readFailureReported = true;
    // Told after the paint: a message box inside a paint is not allowed.
    later(0, [error](RecordsetModel &model) {
        if (model.m_events.ReadFailed)
            model.m_events.ReadFailed(error);
    });
}

void RecordsetModel::readSucceeded() const
{
    if (!m_readFailureReported)
        return;
    m_readFailureReported = false;
    later(0, [](RecordsetModel &model) {
        if (model.m_events.ReadRecovered)
            model.m_events.ReadRecovered();
    });
}

int RecordsetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int RecordsetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_shownColumns;
}

QVariant RecordsetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows || index.column() >= columns())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        const QVariant value = storedValue(index.row(), index.column());
        QString text = value.isNull() ? QString() : value.toString();
        // Laying out megabytes of text for a cell a few hundred pixels wide
        // would stall every repaint.
        if (role == Qt::DisplayRole && text.size() > ShownCharacters)
            text = text.left(ShownCharacters) + QStringLiteral("…");
        return text;
    }
    case Qt::ToolTipRole:
    case Qt::FontRole:
        if (index.row() < recordCount() && m_held.unstored(m_source->Recordset().keyAt(index.row()), index.column())) {
            if (role == Qt::ToolTipRole)
                return QStringLiteral("Not yet stored: the register refused it for now (in use by another program, "
                                      "or no room on the disk). It is stored as soon as it can be.");
            QFont italic;
            italic.setItalic(true);
            return italic;
        }
        if (role == Qt::ToolTipRole)
            return data(index, NoteRole);
        return {};
    case NoteRole:
    case NoteErrorRole:
        if (!cellNote || isNewRowLine(index.row()))
            return {};
        if (const std::optional<CellNote> note = cellNote(index.row(), index.column()))
            return role == NoteRole ? QVariant(note->text) : QVariant(note->error);
        return {};
    case Qt::TextAlignmentRole:
        switch (m_columns[size_t(index.column())].alignment) {
        case GridColumn::Right:
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        case GridColumn::Center:
            return QVariant(Qt::AlignCenter);
        default:
            return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        }
    default:
        return {};
    }
}

Qt::ItemFlags RecordsetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    const int column = index.column();
    if (column < 0 || column >= columns() || m_columns[size_t(column)].field < 0)
        return flags;
    const bool editable = index.row() < recordCount() ? m_allowUpdate : m_allowAddNew;
    return editable ? flags | Qt::ItemIsEditable : flags;
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section < columns() ? m_columns[size_t(section)].caption : QString();
    if (section >= m_rows)
        return QString();
    if (isPendingRow(section))
        return QStringLiteral("✎");
    if (section == m_currentLine)
        return QStringLiteral("▶");
    if (isNewRowLine(section))
        return QStringLiteral("*");
    return QString();
}
