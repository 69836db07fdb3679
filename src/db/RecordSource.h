#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// What a data source's record source asks for. The windows write their
// record sources as query texts ("select * from Brewery Order By CityName,
// PostalCode, BreweryName"); the store reads them into this form and builds
// its own SQL from checked names, so no text ever reaches SQL unparsed.
struct RecordSource {
    QString table;
    QString whereField;                 // empty: all rows
    std::optional<qint64> whereValue;   // the whole number the field must equal
    QStringList orderBy;                // fields
    QList<bool> descending;             // per field of orderBy; none: ascending

    bool isDescending(qsizetype key) const { return key < descending.size() && descending.at(key); }
};

// Accepts a bare table name or
//   select * from <table> [where <field> = <whole number>] [order by <field> [asc|desc], ...]
// with keywords in any case. Anything else throws StoreError.
RecordSource ParseRecordSource(const QString &text);
