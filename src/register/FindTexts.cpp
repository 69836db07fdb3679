#include "FindTexts.h"

#include "RegisterFile.h"

#include <limits>

namespace {

// Breweries read in one read transaction: a few milliseconds' work.
constexpr int SliceBreweries = 2048;

} // namespace

void ReadFindTexts(const QString &path, const std::function<void(qint64)> &brewery,
                   const std::function<void(QByteArrayView)> &value)
{
    const std::unique_ptr<RegisterFile> connection = RegisterFile::openReader(path);
    // Each brewery with its history entries, one brewery after another, so
    // that its texts come in one piece.
    const QByteArray sql =
        "SELECT b.RowId, b.StateName, b.CountyName, b.PostalCode, b.CityName, b.IdCode, b.BreweryName, "
        "b.StartYear, b.StopYear, c.BreweryNameLong, c.BreweryName, c.IdCode FROM Brewery b "
        "LEFT JOIN BreweryChronik c ON c.ParentRowId = b.RowId WHERE b.RowId BETWEEN ?1 AND ?2 ORDER BY b.RowId";
    qint64 last = 0;
    bool any = false;
    connection->inSlices("Brewery", std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(),
                         SliceBreweries, [&](qint64 from, qint64 to) {
                             Cursor rows = connection->cached(sql);
                             rows.bind(1, from).bind(2, to);
                             while (rows.step()) {
                                 const qint64 rowId = rows.int64(0);
                                 if (!any || rowId != last) {
                                     any = true;
                                     last = rowId;
                                     brewery(rowId);
                                     for (int column = 1; column <= 8; ++column)
                                         value(rows.utf8(column));
                                 }
                                 // A brewery without entries has Nulls here.
                                 for (int column = 9; column <= 11; ++column)
                                     value(rows.utf8(column));
                             }
                         });
}
