#pragma once

#include "GridEvents.h"
#include "PendingEdit.h"

#include <QAbstractTableModel>
#include <QString>
#include <optional>
#include <vector>

class DataSource;
class StoreError;

// The data behind a DataGrid: the bound columns, the rows of the data
// source's record set (read only for the rows in view), the new-row line
// with a row begun in it and not yet stored (AddNewMode 2), and the cell
// edit the program's reactions are working on. Writes go back through the
// record set; deletes go through removeRows, inside one transaction with
// the BeforeDelete reaction.
//
// No read or write lets an exception out into Qt: a failed write is undone
// and reported through GridEvents::Failed, a failed read shows an empty
// cell and is reported once through GridEvents::ReadFailed, after the paint.
class RecordsetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString caption;
        QString dataField;
        int alignment = 0; // 0 left, 1 right, 2 centre
        int field = -1;    // index in the record set, -1 when unbound
        bool shown = true;
    };
    // A cell shows at most this many characters; the whole value stays
    // stored and the editor holds all of it.
    static constexpr int ShownCharacters = 4000;
    // What the register notes about a cell's value, as the window's checks
    // see it: its words, and whether it is an error or only a note.
    struct CellNote {
        QString text;
        bool error = true;
    };
    // The note's words under this role; NoteErrorRole tells an error.
    static constexpr int NoteRole = Qt::UserRole + 1;
    static constexpr int NoteErrorRole = Qt::UserRole + 2;

    RecordsetModel(GridEvents &events, QObject *parent);

    // Asked for the note on each cell shown; none by default.
    std::function<std::optional<CellNote>(int row, int column)> cellNote;

    void setDataSource(DataSource *source);
    DataSource *dataSource() const { return m_source; }

    void addColumn(const QString &caption, const QString &dataField);
    int columns() const { return int(m_columns.size()); }
    // The first `count` columns are the ones views and screen readers see;
    // those after them (a row key the program needs and no one reads) stay
    // bound, out of sight.
    void setShownColumns(int count);
    const Column &column(int index) const { return m_columns.at(size_t(index)); }
    void setCaption(int index, const QString &caption);
    void setDataField(int index, const QString &field);
    void setAlignment(int index, int alignment);
    void setShown(int index, bool shown) { m_columns.at(size_t(index)).shown = shown; }

    bool allowAddNew() const { return m_allowAddNew; }
    void setAllowAddNew(bool allow);
    bool allowUpdate() const { return m_allowUpdate; }
    void setAllowUpdate(bool allow) { m_allowUpdate = allow && !m_readOnly; }
    bool allowDelete() const { return m_allowDelete; }
    void setAllowDelete(bool allow) { m_allowDelete = allow && !m_readOnly; }
    // A grid on a register it may not write offers no new-row line, no
    // editing and no delete, whatever its reactions allow later.
    void setReadOnly(bool readOnly);

    int recordCount() const;
    bool hasPendingRow() const { return m_held.hasNewRow(); }
    bool isPendingRow(int row) const { return m_held.hasNewRow() && row == recordCount(); }
    bool isNewRowLine(int row) const;

    // Marks the cursor moves of its scope as the program's own: rows added,
    // removed or read anew, the cursor following the current record. The
    // view does not take them for the user's.
    class ProgramMoves {
    public:
        explicit ProgramMoves(RecordsetModel &model) : m_model(model) { ++m_model.m_programMoves; }
        ~ProgramMoves() { --m_model.m_programMoves; }
        ProgramMoves(const ProgramMoves &) = delete;
        ProgramMoves &operator=(const ProgramMoves &) = delete;

    private:
        RecordsetModel &m_model;
    };
    bool isChangingRows() const { return m_programMoves > 0; }

    // The view's current line, for the row selectors and the current row's
    // cells that the reactions read and write.
    void setCurrentLine(int line);
    int currentLine() const { return m_currentLine; }
    QVariant cellValue(int column) const;
    void setCellText(int column, const QString &text);
    // Writes column `column` of the current record as its cell now reads,
    // the cell being typed included; the edit then stores it no more.
    void storeEditedCell(int column);

    // Stores a row begun in the new-row line, if there is one. Returns
    // false when storing it failed (the failure has been reported).
    bool commitPendingAdd();
    // Writes what the register refused for now: the unstored cells, and a
    // new row the cursor has left. Throws the failure that stops it (what is
    // still unstored stays); a cell whose row another program changed is
    // dropped, its value named in the failure.
    void storeHeldBack();
    // True while anything typed is not stored: the cell being typed, an
    // unstored cell or a new row.
    bool holdsUnstored() const { return hasPendingRow() || !m_held.unstoredCells().empty(); }
    // What of it, in words: "\"Coburg\" in ORT", "a new row"; with `key`,
    // only the cells of that record.
    QStringList unstoredDescription(std::optional<qint64> key = std::nullopt) const;
    bool holdsUnstoredOf(qint64 key) const { return !unstoredDescription(key).isEmpty(); }
    // The cells of shown columns typed into the new row: "\"Spezial\" in
    // BRAUEREI".
    QStringList pendingRowDescription() const;
    void discardUnstoredOf(qint64 key);
    // Forgets everything typed and not stored.
    void discardUnstored();
    void cancelPendingAdd();
    // Deletes stored record `row` after the BeforeDelete reaction, both in
    // one transaction; false when it was cancelled or failed.
    bool removeRows(int row, int count, const QModelIndex &parent = QModelIndex()) override;
    // Forgets cached values and shows the rows as they are stored.
    void reread();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

signals:
    // A step failed and was undone: views repaint what is stored.
    void stepFailed();

private:
    bool guarded(const std::function<void()> &work);
    // Adds the row held in the new-row line; throws when refused.
    void addPendingRow();
    // Writes `text` into `column` of record `key`, wherever it stands.
    void storeCellByKey(qint64 key, int column, const QString &text);
    void bindFields();
    void recordsetReplaced();
    void resetRows();
    void rowAppended(int position);
    void rowChanged(int position);
    void selectorChanged(int row);
    QVariant storedValue(int row, int column) const;
    // Runs `work` on this model later, unless it is gone by then.
    void later(int delayMs, const std::function<void(RecordsetModel &)> &work) const;
    void readFailed(const StoreError &error) const;
    void readSucceeded() const;
    bool editCell(int row, int column, const QString &text);
    bool editPendingCell(int row, int column, const QString &text);
    void startPendingAdd();
    void storeHeldCell(qint64 key, int column);
    void storeCell(qint64 key, int column, const QString &text);
    void cellsChanged(qint64 key);

    GridEvents &m_events;
    DataSource *m_source = nullptr;
    std::vector<Column> m_columns;
    int m_shownColumns = 0;
    int m_rows = 0;
    bool m_allowAddNew = false;
    bool m_allowUpdate = false;
    bool m_allowDelete = false;
    bool m_readOnly = false;
    int m_programMoves = 0;
    int m_currentLine = -1;
    PendingEdit m_held;
    // After a failed read the model reads nothing more until it tries
    // again, so that a busy register costs one wait, not one per cell.
    mutable bool m_readBlocked = false;
    mutable bool m_readFailureReported = false;
    // The last failure's value was kept for later (told once per spell).
    bool m_failureKept = false;
    // The new row was refused for now after the cursor left it: it is
    // stored again with the unstored cells.
    bool m_rowRefused = false;
};
