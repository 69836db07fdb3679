#include "ReplacePlan.h"

#include "Register.h"
#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "StoreError.h"
#include "StoredRow.h"

#include <memory>

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
    return *ReplacePlanner(reg, field).plan(replacing);
}

ReplacePlanner::ReplacePlanner(Register &reg, const QString &field)
    : m_path(reg.file().path()), m_fields(reg.file().fieldsOf(BreweryTable)), m_column(m_fields.indexOf(field)),
      m_listed(reg.breweries()->Recordset().keys()), m_narrowed(reg.breweries()->isFiltered())
{
    if (m_column < 0 || field.compare(BreweryKey, Qt::CaseInsensitive) == 0)
        throw StoreError(QStringLiteral("The breweries have no field %1 to replace in.").arg(field),
                         QStringLiteral("Register"));
}

std::optional<RowChanges> ReplacePlanner::plan(const Replacing &replacing,
                                               const std::function<bool(qint64, qint64)> &progress) const
{
    const std::unique_ptr<RegisterFile> file = RegisterFile::openReader(m_path);
    // One pass over the table finds the values that change, each row read
    // whole where it does; the list then orders them. A row another program
    // changes between two slices is refused when written, never overwritten.
    QByteArray columns;
    for (const QString &name : m_fields)
        columns += ", " + QuotedName(name);
    const QByteArray table = QuotedName(BreweryTable);
    const QByteArray sql = "SELECT rowid" + columns + " FROM " + table + " WHERE rowid BETWEEN ?1 AND ?2";
    // A list narrowed by a find leaves most rows out: they are not looked at.
    std::unordered_set<qint64> shown;
    if (m_narrowed)
        shown.insert(m_listed.begin(), m_listed.end());
    std::unordered_map<qint64, RowChange> replaced;
    qint64 looked = 0;
    bool stopped = false;
    file->inSlices(table, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(), SliceRows,
                   [&](qint64 from, qint64 to) {
                       if (stopped || (progress && !progress(looked, qint64(m_listed.size())))) {
                           stopped = true;
                           return;
                       }
                       Cursor rows = file->cached(sql);
                       rows.bind(1, from).bind(2, to);
                       while (rows.step()) {
                           ++looked;
                           if (m_narrowed && !shown.count(rows.int64(0)))
                               continue;
                           const QString text = rows.text(int(m_column) + 1);
                           const std::optional<QString> after = replacing(text);
                           if (!after || *after == text)
                               continue;
                           RowChange::Row before(size_t(m_fields.size()));
                           for (int i = 0; i < m_fields.size(); ++i)
                               before[size_t(i)] = rows.value(i + 1);
                           RowChange::Row changed = before;
                           changed[size_t(m_column)] = *after;
                           const qint64 key = rows.int64(0);
                           replaced.emplace(key, RowChange{BreweryTable, m_fields, key, std::move(before), std::move(changed)});
                       }
                   });
    if (stopped)
        return std::nullopt;
    RowChanges plan;
    plan.reserve(replaced.size());
    for (size_t position = 0; position < m_listed.size() && plan.size() < replaced.size(); ++position) {
        if (const auto found = replaced.find(m_listed[position]); found != replaced.end())
            plan.push_back(std::move(found->second));
    }
    return plan;
}
