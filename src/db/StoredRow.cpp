#include "StoredRow.h"

#include "RegisterFile.h"

QByteArray QuotedName(const QString &identifier)
{
    return '"' + identifier.toUtf8() + '"';
}

std::optional<std::vector<QVariant>> ReadStoredRow(RegisterFile &file, const QString &table, const QStringList &fields,
                                                   qint64 key)
{
    QByteArray columns;
    for (const QString &field : fields)
        columns += (columns.isEmpty() ? "" : ", ") + QuotedName(field);
    Cursor stored = file.cached("SELECT " + columns + " FROM " + QuotedName(table) + " WHERE rowid = ?1");
    stored.bind(1, key);
    if (!stored.step())
        return std::nullopt;
    std::vector<QVariant> row(size_t(fields.size()));
    for (int i = 0; i < fields.size(); ++i)
        row[size_t(i)] = stored.value(i);
    return row;
}
