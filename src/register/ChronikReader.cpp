#include "ChronikReader.h"

#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "ReportLine.h"

void ReadAllChroniks(RegisterFile &file, const std::function<void(qint64, const QByteArrayView *)> &entry)
{
    constexpr int Texts = int(ReportLine::ChronikColumns.size());
    QByteArray sql = "SELECT " + RegisterSchema::ChronikParent.toUtf8();
    for (const auto &column : ReportLine::ChronikColumns)
        sql += QByteArray(", ") + column.field;
    // A brewery's own query walks the ParentRowId index, which holds its
    // entries in key order. Reading the table in key order gives every
    // brewery its entries in that same order, without a seek per entry.
    sql += " FROM " + RegisterSchema::ChronikTable.toUtf8() + " ORDER BY rowid";
    Cursor all = file.cached(sql);
    QByteArrayView texts[Texts];
    while (all.step()) {
        for (int i = 0; i < Texts; ++i)
            texts[i] = all.isNull(i + 1) ? QByteArrayView() : all.utf8(i + 1);
        entry(all.int64(0), texts);
    }
}
