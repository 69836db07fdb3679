#pragma once

#include <QByteArray>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

class RegisterFile;

// A table or field name as SQL text, in double quotes.
QByteArray QuotedName(const QString &identifier);

// The row of `table` with rowid `key` as stored, `fields` in their order;
// none when there is no such row.
std::optional<std::vector<QVariant>> ReadStoredRow(RegisterFile &file, const QString &table, const QStringList &fields,
                                                   qint64 key);
