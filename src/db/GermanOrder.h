#pragma once

#include "Progress.h"

#include <QByteArrayList>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

// Orders the rows of a whole table the way "ORDER BY f1 COLLATE <German>
// [DESC], ..., rowid" does, several times faster. Each core reads a share of the
// table on a connection of its own; every distinct text becomes an ICU sort
// key once, and the distinct keys are ranked; the rows are then ordered by
// their ranks, field by field, without comparing a single text.
//
// `fields` are quoted column names; `descending` turns the fields it marks
// round (none: every field ascending). Returns nullopt when a value is neither
// text nor Null (a number another program kept in a text column): only the
// query knows how SQLite orders those among the texts.
//
// `firstRows`, when given, hears the first FirstRowCount rows of the order
// as soon as they are known, on the caller's thread, between two calls of
// `progress`: a window shows its first screen long before the whole order
// is done. It is not called when the whole order comes first.
using FirstRows = std::function<void(std::vector<qint64> first)>;
inline constexpr int FirstRowCount = 200;
std::optional<std::vector<qint64>> OrderGerman(const QString &path, const QByteArray &table,
                                               const QByteArrayList &fields, const QList<bool> &descending,
                                               const Progress &progress, const FirstRows &firstRows = {});
