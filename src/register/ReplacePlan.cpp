#include "ReplacePlan.h"

#include "Register.h"
#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "StoreError.h"
#include "StoredRow.h"

#include <limits>
#include <unordered_map>
#include <unordered_set>

using namespace RegisterSchema;

namespace {

// Rows read in one read transaction: a few milliseconds' work, so that
// another program's write waits no longer.
constexpr int SliceRows = 4096;

} // namespace

RowChanges PlanReplace(Register &reg, const QString &field, const Replacing &replacing)
{
    RegisterFile &file = reg.file();
    const QStringList fields = file.fieldsOf(BreweryTable);
    const qsizetype column = fields.indexOf(field);
    if (column < 0 || field.compare(BreweryKey, Qt::CaseInsensitive) == 0)
        throw StoreError(QStringLiteral("The breweries have no field %1 to replace in.").arg(field),
                         QStringLiteral("Register"));
    // One pass over the table finds the values that change, each row read
    // whole where it does; the list then orders them. A row another program
    // changes between two slices is refused when written, never overwritten.
    QByteArray columns;
    for (const QString &name : fields)
        columns += ", " + QuotedName(name);
    const QByteArray table = QuotedName(BreweryTable);
    const QByteArray sql = "SELECT rowid" + columns + " FROM " + table + " WHERE rowid BETWEEN ?1 AND ?2";
    // A list narrowed by a find leaves most rows out: they are not looked at.
    const ::Recordset &listed = reg.breweries()->Recordset();
    std::unordered_set<qint64> shown;
    if (reg.breweries()->isFiltered()) {
        shown.reserve(size_t(listed.RecordCount()));
        for (int position = 0; position < listed.RecordCount(); ++position)
            shown.insert(listed.keyAt(position));
    }
    std::unordered_map<qint64, RowChange> replaced;
    file.inSlices(table, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(), SliceRows,
                  [&](qint64 from, qint64 to) {
                      Cursor rows = file.cached(sql);
                      rows.bind(1, from).bind(2, to);
                      while (rows.step()) {
                          if (!shown.empty() && !shown.count(rows.int64(0)))
                              continue;
                          const QString text = rows.text(int(column) + 1);
                          const std::optional<QString> after = replacing(text);
                          if (!after || *after == text)
                              continue;
                          RowChange::Row before(size_t(fields.size()));
                          for (int i = 0; i < fields.size(); ++i)
                              before[size_t(i)] = rows.value(i + 1);
                          RowChange::Row changed = before;
                          changed[size_t(column)] = *after;
                          const qint64 key = rows.int64(0);
                          replaced.emplace(key, RowChange{BreweryTable, fields, key, std::move(before), std::move(changed)});
                      }
                  });
    RowChanges plan;
    plan.reserve(replaced.size());
    for (int position = 0; position < listed.RecordCount() && plan.size() < replaced.size(); ++position) {
        if (const auto found = replaced.find(listed.keyAt(position)); found != replaced.end())
            plan.push_back(std::move(found->second));
    }
    return plan;
}

