#pragma once

#include "Progress.h"

#include <QByteArrayList>
#include <QString>
#include <optional>
#include <vector>

// Orders the rows of a whole table the way "ORDER BY f1 COLLATE <German>,
// ..., rowid" does, several times faster. Each core reads a share of the
// table on a connection of its own; every distinct text becomes an ICU sort
// key once, and the distinct keys are ranked; the rows are then ordered by
// their ranks, field by field, without comparing a single text.
//
// `fields` are quoted column names. Returns nullopt when a value is neither
// text nor Null (a number another program kept in a text column): only the
// query knows how SQLite orders those among the texts.
std::optional<std::vector<qint64>> OrderGerman(const QString &path, const QByteArray &table,
                                               const QByteArrayList &fields, const Progress &progress);
