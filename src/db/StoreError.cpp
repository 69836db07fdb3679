#include "StoreError.h"

#include <sqlite3.h>

bool StoreError::isBusy() const
{
    return m_code != RowChangedElsewhere && (primaryCode() == SQLITE_BUSY || primaryCode() == SQLITE_LOCKED);
}
