#include "ChronikReader.h"

#include "RegisterFile.h"

void ReadAllChroniks(RegisterFile &file, const std::function<void(qint64, const QByteArrayView *)> &entry)
{
    // A brewery's own query walks the ParentRowId index, which holds its
    // entries in key order. Reading the table in key order gives every
    // brewery its entries in that same order, without a seek per entry.
    Cursor all = file.cached("SELECT ParentRowId, BreweryNameLong, IdCode, BreweryName, StartYear, StopYear "
                                 "FROM BreweryChronik ORDER BY rowid");
    QByteArrayView texts[5];
    while (all.step()) {
        for (int i = 0; i < 5; ++i)
            texts[i] = all.isNull(i + 1) ? QByteArrayView() : all.utf8(i + 1);
        entry(all.int64(0), texts);
    }
}
