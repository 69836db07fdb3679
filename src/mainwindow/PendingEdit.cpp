#include "PendingEdit.h"

const PendingEdit::Cell *PendingEdit::cell(qint64 key, int column) const
{
    return m_cell && m_cell->key == key && m_cell->column == column ? &*m_cell : nullptr;
}
