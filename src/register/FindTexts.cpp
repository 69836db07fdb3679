#include "FindTexts.h"

#include "RegisterFile.h"

#include <limits>

namespace {

// Rows read in one read transaction: a few milliseconds' work.
constexpr int SliceRows = 2048;

template <int Texts>
void readTable(RegisterFile &connection, const QByteArray &table, const QByteArray &sql,
               const std::function<void(qint64, const QByteArrayView *)> &row)
{
    QByteArrayView texts[Texts];
    connection.inSlices(table, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(), SliceRows,
                        [&](qint64 from, qint64 to) {
                            Cursor rows = connection.cached(sql);
                            rows.bind(1, from).bind(2, to);
                            while (rows.step()) {
                                for (int i = 0; i < Texts; ++i)
                                    texts[i] = rows.utf8(i + 1);
                                row(rows.int64(0), texts);
                            }
                        });
}

} // namespace

void ReadFindTexts(const QString &path, const std::function<void(qint64, const QByteArrayView *)> &brewery,
                   const std::function<void(qint64, const QByteArrayView *)> &entry)
{
    const std::unique_ptr<RegisterFile> connection = RegisterFile::openReader(path);
    readTable<FindBreweryTexts>(*connection, "Brewery",
                                "SELECT RowId, StateName, CountyName, PostalCode, CityName, IdCode, BreweryName, "
                                "StartYear, StopYear FROM Brewery WHERE RowId BETWEEN ?1 AND ?2 ORDER BY RowId",
                                brewery);
    readTable<FindChronikTexts>(*connection, "BreweryChronik",
                                "SELECT ParentRowId, BreweryNameLong, BreweryName, IdCode FROM BreweryChronik "
                                "WHERE rowid BETWEEN ?1 AND ?2 ORDER BY rowid",
                                entry);
}
