#pragma once

#include "GridColumn.h"
#include "GridEvents.h"

#include <QHeaderView>
#include <QTableView>
#include <QVariant>
#include <optional>
#include <vector>

class DataSource;
class QLabel;
class RecordsetModel;

// A grid bound to a DataSource: one row per record, one column per bound
// field, a new-row line at the end while adding is allowed. Edits of stored
// rows are written at once; a row begun in the new-row line is held until
// the cursor leaves it (AddNewMode 2) and then stored.
//
// The view: the cursor and the record set's current record kept in step,
// the focus, the keys, and the column widths in twips. The data, the new
// row and the writes belong to its RecordsetModel.
class DataGrid : public QTableView {
    Q_OBJECT
public:
    enum AddNewModeValue { NoAddNew = 0, AddNewCurrent = 1, AddNewPending = 2 };

    // `captions`, when given, replaces the plain column captions (a header
    // of the grid's own making, with the grid as its parent).
    explicit DataGrid(QWidget *parent = nullptr, QHeaderView *captions = nullptr);
    ~DataGrid() override;

    void setDataSource(DataSource *source);
    DataSource *dataSource() const;
    // The keys of the records whose rows are selected whole, in the list's
    // order: a click on a row selector selects one, a Ctrl+click adds one.
    QList<qint64> selectedKeys() const;
    RecordsetModel &recordsetModel() const { return *m_model; }
    GridEvents events;

    // Columns exist from the start; the program changes their properties.
    void addColumn(const QString &caption, const QString &dataField);
    GridColumn Columns(int index) { return GridColumn(*this, index); }
    int ColumnCount() const { return int(m_widths.size()); }
    // The current row's texts of `columns`, each followed by a blank: how
    // a question names the row.
    QString rowPrompt(std::initializer_list<int> columns);

    bool AllowAddNew() const;
    void setAllowAddNew(bool allow);
    bool AllowDelete() const;
    void setAllowDelete(bool allow);
    bool AllowUpdate() const;
    void setAllowUpdate(bool allow);
    // See RecordsetModel::setReadOnly.
    void setReadOnly(bool readOnly);
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
    bool hasPendingRow() const;
    bool isEditing() const { return state() == EditingState; }
    // A note in place of the rows, which cannot be read for now: the grid
    // takes no input until the note is cleared (an empty note).
    void setWaitingNote(const QString &note);
    QString waitingNote() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    friend class GridColumn;
    // What the view keeps of a column; caption, field and alignment are
    // the model's.
    struct ColumnWidth {
        int twips = 1440;
        bool visible = true;
        bool allowSizing = true;
    };

    void rememberCursor();
    void rememberFirstInView();
    void recordsetReplaced();
    void followCurrentRecord();
    void focusMoved(QWidget *old, QWidget *now);
    void deleteCurrentRow();
    // Makes `row` current and selects all of it, ready for Delete; with
    // `adding`, the rows selected before stay selected.
    void selectWholeRow(int row, bool adding = false);
    // Ctrl+C on a row selected whole.
    void copyRow(int row);
    void repaintAll();
    int currentLine() const;
    int visibleRowCount() const;
    // Hidden columns at the end (the history's row key) are left out of
    // the view altogether, so that screen readers do not read them either.
    void showColumnsInView();
    // Gives the columns their widths, sharing what room is left over.
    void spreadColumns();
    // Fits columns `shown` wide (pixels; 0 for hidden ones) into `room`.
    void squeezeColumns(std::vector<double> &shown, int room) const;

    RecordsetModel *m_model = nullptr;
    std::vector<ColumnWidth> m_widths;
    bool m_allowRowSizing = false;
    int m_approxCount = 0;
    // The cursor's column and the first row in view before the rows were
    // read anew.
    struct Cursor {
        int column = 0;
        int firstRow = 0;
    } m_beforeReset;
    // The key of the first row in view before the rows were read anew.
    std::optional<qint64> m_firstKeyInView;
    bool m_settingWidth = false;
    // How much wider than their widths the columns are shown, to fill the
    // grid; 1 when they fill it or more.
    double m_spread = 1.0;
    // Narrower than its columns: they share the room by what they need.
    bool m_squeezed = false;
    bool m_measuredRows = false;
    QLabel *m_waitingNote = nullptr;
};
