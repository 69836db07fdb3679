#pragma once

#include "RowChange.h"

#include <QString>

class Register;

// Writes a group of row changes planned beside the grids (a replace over a
// column, a merge of two breweries, corrections from a file) as one: one
// transaction, one step of the undo history named `step`. Each row goes
// through the register's row writer as a grid edit does, so that a row
// another program or editor changed since the plan was read refuses the
// whole group and nothing is written; on a shared register the server
// checks and takes the group as one too. Throws StoreError.
//
// A row to be added carries key 0 and is given the register's next key; a
// brewery added may carry a placeholder below 0 instead, by which history
// entries added after it in the group name it as their brewery.
// Returns the group as written: added rows with their keys, every row that
// stays as it is stored now.
RowChanges WriteGroup(Register &reg, const RowChanges &plan, const QString &step);
