#pragma once

#include "GridColumn.h"

#include <QTableView>
#include <QVariant>
#include <functional>
#include <optional>
#include <vector>

class DataSource;
class RecordsetModel;
class StoreError;

// The program's reactions to a grid. Each is a plain call, made before or
// after the grid's own step; a reaction may throw StoreError, which the
// grid catches, undoing the step it interrupted.
struct GridEvents {
    std::function<void(int colIndex, const QVariant &oldValue, bool &cancel)> BeforeColUpdate;
    std::function<void(int colIndex)> AfterColUpdate;
    std::function<void(bool &cancel)> BeforeDelete;
    std::function<void()> AfterInsert;
    std::function<void(int lastRow, int lastCol)> RowColChange;
    // The argument-less notification: raised when the grid gains the input
    // focus from another control of the window, or when it loses it to one.
    std::function<void()> FocusGained;
    std::function<void()> FocusLost;
    // A failed step, already undone; the grid shows what is stored.
    std::function<void(const StoreError &)> Failed;
};

// A grid bound to a DataSource: one row per record, one column per bound
// field, a new-row line at the end while adding is allowed. Edits of stored
// rows are written at once; a row begun in the new-row line is held until
// the cursor leaves it (AddNewMode 2) and then stored.
class DataGrid : public QTableView {
    Q_OBJECT
public:
    enum AddNewModeValue { NoAddNew = 0, AddNewCurrent = 1, AddNewPending = 2 };

    explicit DataGrid(QWidget *parent = nullptr);
    ~DataGrid() override;

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_source; }
    GridEvents events;

    // Columns exist from the start; the program changes their properties.
    void addColumn(const QString &caption, const QString &dataField);
    GridColumn Columns(int index) { return GridColumn(*this, index); }
    int ColumnCount() const { return int(m_columns.size()); }

    bool AllowAddNew() const { return m_allowAddNew; }
    void setAllowAddNew(bool allow);
    bool AllowDelete() const { return m_allowDelete; }
    void setAllowDelete(bool allow) { m_allowDelete = allow; }
    bool AllowUpdate() const { return m_allowUpdate; }
    void setAllowUpdate(bool allow) { m_allowUpdate = allow; }
    bool AllowRowSizing() const { return m_allowRowSizing; }
    void setAllowRowSizing(bool allow);
    bool ColumnHeaders() const;
    void setColumnHeaders(bool show);
    int ApproxCount() const { return m_approxCount; }
    void setApproxCount(int count) { m_approxCount = count; }

    // The current row among the rows in view, from 0; -1 when the current
    // row is not in view or there is none.
    int Row() const;
    void setRow(int row);
    // Bookmark of the first row in view: its number counted from 1, or an
    // empty value when the grid holds no rows.
    QVariant FirstRow() const;
    // Bookmark of row `row` in view, counted from 1.
    int RowBookmark(int row) const;
    int AddNewMode() const;
    void Scroll(int columns, int rows);
    // Re-reads the values from the data source and shows the first rows.
    void Refresh();
    // Stores a row begun in the new-row line, if there is one. Returns
    // false when storing it failed (the failure has been reported).
    bool commitPendingAdd();
    // Hands an open cell editor's text to the grid, then stores a held-back
    // new row: nothing typed is left behind when the user turns elsewhere.
    bool commitEdits();

    // Used by the model.
    int recordCount() const;
    bool isPendingRow(int row) const { return m_pending && row == recordCount(); }
    bool isNewRowLine(int row) const;
    QVariant displayValue(int row, int column) const;
    bool editCell(int row, int column, const QString &text);
    Qt::ItemFlags cellFlags(int row, int column) const;
    int alignmentOf(int column) const { return m_columns[size_t(column)].alignment; }
    QString captionOf(int column) const { return m_columns[size_t(column)].caption; }
    QString selectorOf(int row) const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    friend class GridColumn;
    struct ColumnState {
        QString caption;
        QString dataField;
        int widthTwips = 1440;
        bool visible = true;
        int alignment = GridColumn::Left;
        bool allowSizing = true;
        int field = -1; // index in the record set, -1 when unbound
    };
    struct CellEdit {
        int column;
        QString text;
    };

    template <typename Work> bool guarded(Work &&work);
    void bindFields();
    void recordsetReplaced();
    void followCurrentRecord();
    void rowAboutToBeRemoved(int position);
    void rowRemoved();
    void rowAppended(int position);
    void rowChanged(int position);
    void focusMoved(QWidget *old, QWidget *now);
    void deleteCurrentRow();
    void startPendingAdd();
    void cancelPendingAdd();
    void storeCell(int row, int column, const QString &text);
    void refreshSelector(int row);
    int currentLine() const;
    int visibleRowCount() const;
    QVariant cellValue(int column) const;
    void setCellText(int column, const QString &text);

    DataSource *m_source = nullptr;
    RecordsetModel *m_model = nullptr;
    std::vector<ColumnState> m_columns;
    bool m_allowAddNew = false;
    bool m_allowDelete = false;
    bool m_allowUpdate = false;
    bool m_allowRowSizing = false;
    int m_approxCount = 0;

    bool m_pending = false;
    std::vector<QVariant> m_pendingValues;
    bool m_committing = false;
    std::optional<CellEdit> m_edit;
    bool m_following = false;
    quint64 m_generation = 0; // grows whenever the record set is replaced
    bool m_settingWidth = false;
};
