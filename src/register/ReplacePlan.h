#pragma once

#include "RowChange.h"

#include <QString>
#include <functional>
#include <optional>

class Register;

// What Edit > Replace… would write: the breweries the list shows now (a
// find's narrowing kept) whose `field` `replaced` changes, in the list's
// order, each a change of that field alone from the row as stored now.
// `replaced` gives a value's new text (a Null value is an empty text), or
// none where it stays; the same text again is no change either.
using Replacing = std::function<std::optional<QString>(const QString &value)>;
RowChanges PlanReplace(Register &reg, const QString &field, const Replacing &replaced);

