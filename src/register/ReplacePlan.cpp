#include "ReplacePlan.h"

#include "Register.h"
#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "StoreError.h"
#include "StoredRow.h"

#include <unordered_map>

using namespace RegisterSchema;

RowChanges PlanReplace(Register &reg, const QString &field, const Replacing &replacing)
{
    RegisterFile &file = reg.file();
    const QStringList fields = file.fieldsOf(BreweryTable);
    const qsizetype column = fields.indexOf(field);
    if (column < 0 || field.compare(BreweryKey, Qt::CaseInsensitive) == 0)
        throw StoreError(QStringLiteral("The breweries have no field %1 to replace in.").arg(field),
                         QStringLiteral("Register"));
    // One pass over the table finds the values that change; the list then
    // orders them.
    std::unordered_map<qint64, QString> replaced;
    Cursor values = file.cached("SELECT rowid, " + QuotedName(field) + " FROM " + QuotedName(BreweryTable));
    while (values.step()) {
        const QString text = values.text(1);
        if (std::optional<QString> after = replacing(text); after && *after != text)
            replaced.emplace(values.int64(0), *after);
    }
    RowChanges plan;
    const ::Recordset &listed = reg.breweries()->Recordset();
    for (int position = 0; position < listed.RecordCount() && !replaced.empty(); ++position) {
        const qint64 key = listed.keyAt(position);
        const auto found = replaced.find(key);
        if (found == replaced.end())
            continue;
        std::optional<RowChange::Row> before = ReadStoredRow(file, BreweryTable, fields, key);
        if (!before)
            continue;
        RowChange::Row after = *before;
        after[size_t(column)] = found->second;
        plan.push_back({BreweryTable, fields, key, std::move(before), std::move(after)});
        replaced.erase(found);
    }
    return plan;
}
