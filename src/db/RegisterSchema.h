#pragma once

#include <QStringList>

// The two tables of the register and the fields the program relies on.
namespace RegisterSchema {

inline const QString BreweryTable = QStringLiteral("Brewery");
inline const QString ChronikTable = QStringLiteral("BreweryChronik");

inline const QStringList BreweryFields = {
    QStringLiteral("RowId"),    QStringLiteral("StateName"),   QStringLiteral("CountyName"),
    QStringLiteral("PostalCode"), QStringLiteral("CityName"), QStringLiteral("IdCode"),
    QStringLiteral("BreweryName"), QStringLiteral("StartYear"), QStringLiteral("StopYear"),
};

inline const QStringList ChronikFields = {
    QStringLiteral("BreweryNameLong"), QStringLiteral("IdCode"),   QStringLiteral("BreweryName"),
    QStringLiteral("StartYear"),       QStringLiteral("StopYear"), QStringLiteral("ParentRowId"),
};

// RowId is never reused (AUTOINCREMENT), so a new brewery cannot inherit
// history entries of a deleted one. The history key is for the store only.
inline constexpr const char *CreateStatements = R"sql(
CREATE TABLE Brewery (
    RowId INTEGER PRIMARY KEY AUTOINCREMENT,
    StateName TEXT, CountyName TEXT, PostalCode TEXT, CityName TEXT,
    IdCode TEXT, BreweryName TEXT, StartYear TEXT, StopYear TEXT
);
CREATE TABLE BreweryChronik (
    ChronikId INTEGER PRIMARY KEY,
    BreweryNameLong TEXT, IdCode TEXT, BreweryName TEXT, StartYear TEXT, StopYear TEXT,
    ParentRowId INTEGER NOT NULL REFERENCES Brewery(RowId)
);
CREATE INDEX BreweryChronikParent ON BreweryChronik(ParentRowId);
)sql";

} // namespace RegisterSchema
