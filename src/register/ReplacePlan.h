#pragma once

#include "RowChange.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class Register;

// What Edit > Replace… would write: the breweries the list shows now (a
// find's narrowing kept) whose `field` `replaced` changes, in the list's
// order, each a change of that field alone from the row as stored now.
// `replaced` gives a value's new text (a Null value is an empty text), or
// none where it stays; the same text again is no change either.
using Replacing = std::function<std::optional<QString>(const QString &value)>;
RowChanges PlanReplace(Register &reg, const QString &field, const Replacing &replaced);

// The same in two steps, so that the long one can run beside the window:
// what the plan needs is taken from the register on the window's thread;
// plan() then reads on a connection of its own, on any thread.
class ReplacePlanner {
public:
    ReplacePlanner(Register &reg, const QString &field);
    // Nothing when `progress` (told the rows looked at, of about how many)
    // says no.
    std::optional<RowChanges> plan(const Replacing &replaced,
                                   const std::function<bool(qint64 done, qint64 total)> &progress = {}) const;

private:
    QString m_path;
    QStringList m_fields;
    qsizetype m_column = -1;
    // The list's keys in its order, and whether a find narrows it.
    std::vector<qint64> m_listed;
    bool m_narrowed = false;
};

