#pragma once

#include <QString>
#include <QVariant>
#include <optional>
#include <utility>
#include <vector>

// Everything a grid holds that the register has not stored yet, in one
// place. Two strategies, one per kind of row:
// - a stored row is written field by field: the cell being typed is held
//   only while the program's reactions work on its text, then stored;
// - a row begun in the new-row line is held whole until the cursor leaves
//   it, then added as one record.
// A cell whose write the register refused for now (another program holds
// it, the disk is full) is kept as unstored until it can be written.
// Whatever replaces the grid's rows drops the cell being typed and the new
// row (drop()), but not the unstored cells; every cell names the key of its
// record, so that nothing held is ever written to a record other than the
// one it was typed into.
class PendingEdit {
public:
    // The cell of a stored record whose text the reactions are working on.
    struct Cell {
        qint64 key;
        int column;
        QString text;
        // What of it has been written to the record, if anything.
        std::optional<QString> stored;
        bool isStored() const { return stored == text; }
    };

    // --- a stored row's cell
    void openCell(qint64 key, int column, const QString &text) { m_cell = Cell{key, column, text, std::nullopt}; }
    // The cell held for record `key` and `column`, if it is still held:
    // after a reaction that read the rows anew it is not.
    const Cell *cell(qint64 key, int column) const;
    Cell *cell(qint64 key, int column) { return const_cast<Cell *>(std::as_const(*this).cell(key, column)); }
    void closeCell() { m_cell.reset(); }

    // --- cells the register refused for now, in the order typed
    struct Unstored {
        qint64 key;
        int column;
        QString text;
    };
    void keepUnstored(qint64 key, int column, const QString &text);
    const QString *unstored(qint64 key, int column) const;
    void forgetUnstored(qint64 key, int column);
    const std::vector<Unstored> &unstoredCells() const { return m_unstored; }
    void forgetAllUnstored() { m_unstored.clear(); }

    // --- the row begun in the new-row line
    bool hasNewRow() const { return m_newRow.has_value(); }
    void beginNewRow(int columns) { m_newRow.emplace(size_t(columns)); }
    QVariant &newRowValue(int column) { return m_newRow->at(size_t(column)); }
    const QVariant &newRowValue(int column) const { return m_newRow->at(size_t(column)); }
    const std::vector<QVariant> &newRowValues() const { return *m_newRow; }
    void endNewRow()
    {
        m_newRow.reset();
        m_adding = false;
    }
    // While the new row is being added: the record that appears is this
    // row, stored, not another record.
    void setAdding(bool adding) { m_adding = adding; }
    bool isAdding() const { return m_adding; }

    void drop()
    {
        m_cell.reset();
        endNewRow();
    }

private:
    std::optional<Cell> m_cell;
    std::vector<Unstored> m_unstored;
    std::optional<std::vector<QVariant>> m_newRow;
    bool m_adding = false;
};
