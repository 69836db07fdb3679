#include "TableReader.h"

#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "ReportLine.h"

namespace {

// Every row of `table` in key order: the value of `keyField`, then the
// texts of `columns`.
template <size_t N>
void readInKeyOrder(RegisterFile &file, const QString &table, const QByteArray &keyField,
                    const std::array<ReportLine::Column, N> &columns,
                    const std::function<void(qint64, const QByteArrayView *)> &row)
{
    QByteArray sql = "SELECT " + keyField;
    for (const auto &column : columns)
        sql += QByteArray(", ") + column.field;
    sql += " FROM " + table.toUtf8() + " ORDER BY rowid";
    Cursor all = file.cached(sql);
    QByteArrayView texts[N];
    while (all.step()) {
        for (size_t i = 0; i < N; ++i)
            texts[i] = all.isNull(int(i) + 1) ? QByteArrayView() : all.utf8(int(i) + 1);
        row(all.int64(0), texts);
    }
}

} // namespace

void ReadAllChroniks(RegisterFile &file, const std::function<void(qint64, const QByteArrayView *)> &entry)
{
    // A brewery's own query walks the ParentRowId index, which holds its
    // entries in key order. Reading the table in key order gives every
    // brewery its entries in that same order, without a seek per entry.
    readInKeyOrder(file, RegisterSchema::ChronikTable, RegisterSchema::ChronikParent.toUtf8(),
                   ReportLine::ChronikColumns, entry);
}

void ReadAllBreweries(RegisterFile &file, const std::function<void(qint64, const QByteArrayView *)> &brewery)
{
    readInKeyOrder(file, RegisterSchema::BreweryTable, "rowid", ReportLine::BreweryColumns, brewery);
}
