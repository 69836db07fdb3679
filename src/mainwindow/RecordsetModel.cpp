#include "RecordsetModel.h"

#include "DataGrid.h"

RecordsetModel::RecordsetModel(DataGrid &grid) : QAbstractTableModel(&grid), m_grid(grid) {}

int RecordsetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int RecordsetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant RecordsetModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        const QVariant value = m_grid.displayValue(index.row(), index.column());
        return value.isNull() ? QVariant(QString()) : QVariant(value.toString());
    }
    case Qt::TextAlignmentRole:
        switch (m_grid.alignmentOf(index.column())) {
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

bool RecordsetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid())
        return false;
    return m_grid.editCell(index.row(), index.column(), value.toString());
}

Qt::ItemFlags RecordsetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return m_grid.cellFlags(index.row(), index.column());
}

QVariant RecordsetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section < m_columns ? m_grid.captionOf(section) : QString();
    return section < m_rows ? m_grid.selectorOf(section) : QString();
}

void RecordsetModel::resetRows(int rows)
{
    beginResetModel();
    m_rows = rows;
    m_columns = m_grid.ColumnCount();
    endResetModel();
}

void RecordsetModel::insertRow(int row)
{
    beginInsertRows(QModelIndex(), row, row);
    ++m_rows;
    endInsertRows();
}

void RecordsetModel::removeRow(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
    --m_rows;
    endRemoveRows();
}

void RecordsetModel::beginRemoveRow(int row)
{
    beginRemoveRows(QModelIndex(), row, row);
}

void RecordsetModel::endRemoveRow()
{
    --m_rows;
    endRemoveRows();
}

void RecordsetModel::rowUpdated(int row)
{
    if (row >= 0 && row < m_rows && m_columns > 0)
        emit dataChanged(index(row, 0), index(row, m_columns - 1));
}

void RecordsetModel::columnsChanged()
{
    resetRows(m_rows);
}

void RecordsetModel::headerChanged(int column)
{
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void RecordsetModel::selectorChanged(int row)
{
    if (row >= 0 && row < m_rows)
        emit headerDataChanged(Qt::Vertical, row, row);
}
