#include "TableReader.h"

#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "ReportLine.h"

#include <limits>
#include <optional>

namespace {

// Rows of `table` as `clause` picks and orders them (binding ?1, when
// given): the values of the `keys` (up to three whole-number fields), then
// the texts of `columns`.
template <size_t N>
void readRows(RegisterFile &file, const QString &table, const QList<QByteArray> &keys,
              const std::array<ReportLine::Column, N> &columns, const QByteArray &clause, std::optional<qint64> bound,
              const std::function<void(const qint64 *keys, const QByteArrayView *texts)> &row)
{
    QByteArray sql = "SELECT " + keys.join(", ");
    for (const auto &column : columns)
        sql += QByteArray(", ") + column.field;
    sql += " FROM " + table.toUtf8() + clause;
    Cursor all = file.cached(sql);
    if (bound)
        all.bind(1, *bound);
    const int first = int(keys.size());
    qint64 values[3] = {0, 0, 0};
    QByteArrayView texts[N];
    while (all.step()) {
        for (int k = 0; k < first; ++k)
            values[k] = all.int64(k);
        for (size_t i = 0; i < N; ++i)
            texts[i] = all.isNull(int(i) + first) ? QByteArrayView() : all.utf8(int(i) + first);
        row(values, texts);
    }
}

// Every row of `table` in key order. With `betweenSlices`, a slice of rows
// at a time, each its own short read, `betweenSlices` running after each
// while the register is held by none of them.
template <size_t N>
void readInKeyOrder(RegisterFile &file, const QString &table, const QList<QByteArray> &keys,
                    const std::array<ReportLine::Column, N> &columns,
                    const std::function<void(const qint64 *keys, const QByteArrayView *texts)> &row,
                    const std::function<void()> &betweenSlices = {})
{
    if (!betweenSlices) {
        readRows(file, table, keys, columns, " ORDER BY rowid", std::nullopt, row);
        return;
    }
    constexpr int SliceRows = 4096;
    qint64 after = std::numeric_limits<qint64>::min();
    for (int read = SliceRows; read == SliceRows;) {
        read = 0;
        readRows(file, table, QList<QByteArray>{"rowid"} + keys, columns,
                 " WHERE rowid > ?1 ORDER BY rowid LIMIT " + QByteArray::number(SliceRows), after,
                 [&](const qint64 *values, const QByteArrayView *texts) {
                     after = values[0];
                     ++read;
                     row(values + 1, texts);
                 });
        betweenSlices();
    }
}

} // namespace

void ReadAllChroniks(RegisterFile &file, const std::function<void(qint64, const QByteArrayView *)> &entry)
{
    // A brewery's own query walks the ParentRowId index, which holds its
    // entries in key order. Reading the table in key order gives every
    // brewery its entries in that same order, without a seek per entry.
    readInKeyOrder(file, RegisterSchema::ChronikTable, {RegisterSchema::ChronikParent.toUtf8()},
                   ReportLine::ChronikColumns,
                   [&entry](const qint64 *keys, const QByteArrayView *texts) { entry(keys[0], texts); });
}

void ReadAllChronikEntries(RegisterFile &file,
                           const std::function<void(qint64, qint64, const QByteArrayView *)> &entry,
                           const std::function<void()> &betweenSlices)
{
    readInKeyOrder(file, RegisterSchema::ChronikTable, {"rowid", RegisterSchema::ChronikParent.toUtf8()},
                   ReportLine::ChronikColumns,
                   [&entry](const qint64 *keys, const QByteArrayView *texts) { entry(keys[0], keys[1], texts); },
                   betweenSlices);
}

void ReadAllBreweries(RegisterFile &file, const std::function<void(qint64, const QByteArrayView *)> &brewery,
                      const std::function<void()> &betweenSlices)
{
    readInKeyOrder(file, RegisterSchema::BreweryTable, {"rowid"}, ReportLine::BreweryColumns,
                   [&brewery](const qint64 *keys, const QByteArrayView *texts) { brewery(keys[0], texts); },
                   betweenSlices);
}

bool ReadBreweryTexts(RegisterFile &file, qint64 rowId, const std::function<void(const QByteArrayView *)> &brewery)
{
    bool found = false;
    readRows(file, RegisterSchema::BreweryTable, {"rowid"}, ReportLine::BreweryColumns, " WHERE rowid = ?1", rowId,
             [&](const qint64 *, const QByteArrayView *texts) {
                 found = true;
                 brewery(texts);
             });
    return found;
}

void ReadChronikEntriesOf(RegisterFile &file, qint64 parentRowId,
                          const std::function<void(qint64, const QByteArrayView *)> &entry)
{
    readRows(file, RegisterSchema::ChronikTable, {"rowid"}, ReportLine::ChronikColumns,
             " WHERE " + RegisterSchema::ChronikParent.toUtf8() + " = ?1 ORDER BY rowid", parentRowId,
             [&entry](const qint64 *keys, const QByteArrayView *texts) { entry(keys[0], texts); });
}
