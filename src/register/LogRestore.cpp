#include "LogRestore.h"

#include "RegisterFile.h"
#include "StoreError.h"
#include "StoredRow.h"

#include <algorithm>

RowChanges PlanRestore(RegisterFile &file, const LogEntry &entry, const QString &field)
{
    const QStringList fields = file.fieldsOf(entry.table);
    if (entry.kind == LogEntry::Kind::Added)
        throw StoreError(QStringLiteral("This change added the row; it had no value before."),
                         QStringLiteral("History"));
    if (entry.kind == LogEntry::Kind::Deleted) {
        RowChange added{entry.table, fields, 0, std::nullopt, RowChange::Row(size_t(fields.size()))};
        for (const LogEntry::Field &was : entry.fields) {
            const qsizetype at = fields.indexOf(was.name);
            if (at >= 0 && was.before)
                (*added.after)[size_t(at)] = *was.before;
        }
        return {added};
    }
    const std::optional<RowChange::Row> now = ReadStoredRow(file, entry.table, fields, entry.rowKey);
    if (!now)
        throw StoreError(QStringLiteral("The row this change was made to has been deleted since; restore its delete "
                                        "first."),
                         QStringLiteral("History"));
    const qsizetype at = fields.indexOf(field);
    const auto was = std::find_if(entry.fields.begin(), entry.fields.end(),
                                  [&](const LogEntry::Field &f) { return f.name == field; });
    if (at < 0 || was == entry.fields.end() || !was->before)
        throw StoreError(QStringLiteral("This change did not change the field %1.").arg(field), QStringLiteral("History"));
    RowChange change{entry.table, fields, entry.rowKey, now, now};
    (*change.after)[size_t(at)] = *was->before;
    return {change};
}
