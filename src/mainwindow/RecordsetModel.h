#pragma once

#include <QAbstractTableModel>

class DataGrid;

// The table model behind a DataGrid. It asks the grid for every value, so
// only the rows in view are ever read, and keeps its own row count so that
// the views always see counts change inside begin/end notifications.
class RecordsetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordsetModel(DataGrid &grid);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Called by the grid when rows come and go.
    void resetRows(int rows);
    void insertRow(int row);
    void removeRow(int row);
    void beginRemoveRow(int row);
    void endRemoveRow();
    void rowUpdated(int row);
    void columnsChanged();
    void headerChanged(int column);
    void selectorChanged(int row);

private:
    DataGrid &m_grid;
    int m_rows = 0;
    int m_columns = 0;
};
