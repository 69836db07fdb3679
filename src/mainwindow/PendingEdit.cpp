#include "PendingEdit.h"

const PendingEdit::Cell *PendingEdit::cell(qint64 key, int column) const
{
    return m_cell && m_cell->key == key && m_cell->column == column ? &*m_cell : nullptr;
}

void PendingEdit::keepUnstored(qint64 key, int column, const QString &text)
{
    forgetUnstored(key, column);
    m_unstored.push_back({key, column, text});
}

const QString *PendingEdit::unstored(qint64 key, int column) const
{
    for (const Unstored &cell : m_unstored) {
        if (cell.key == key && cell.column == column)
            return &cell.text;
    }
    return nullptr;
}

void PendingEdit::forgetUnstored(qint64 key, int column)
{
    std::erase_if(m_unstored, [&](const Unstored &cell) { return cell.key == key && cell.column == column; });
}
