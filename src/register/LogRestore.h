#pragma once

#include "LogEntry.h"
#include "RowChange.h"

class RegisterFile;

// What puts back a value the change log holds, as a group for WriteGroup:
// the field `field` of a changed row set to its value before that change,
// checked against the row as it is stored now; a deleted row (a brewery,
// a history entry) added again whole, under a new key. Throws StoreError
// when the row is no longer there, or when a change added the row and so
// had no value before it.
RowChanges PlanRestore(RegisterFile &file, const LogEntry &entry, const QString &field);
