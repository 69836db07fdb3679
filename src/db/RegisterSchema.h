#pragma once

#include <QStringList>

// The two tables of the register and the fields the program relies on.
namespace RegisterSchema {

inline const QString BreweryTable = QStringLiteral("Brewery");
inline const QString ChronikTable = QStringLiteral("BreweryChronik");
inline const QString BreweryKey = QStringLiteral("RowId");
inline const QString ChronikKey = QStringLiteral("ChronikId");
// The field of a history entry that holds its brewery's key.
inline const QString ChronikParent = QStringLiteral("ParentRowId");

inline const QStringList BreweryFields = {
    QStringLiteral("RowId"),    QStringLiteral("StateName"),   QStringLiteral("CountyName"),
    QStringLiteral("PostalCode"), QStringLiteral("CityName"), QStringLiteral("IdCode"),
    QStringLiteral("BreweryName"), QStringLiteral("StartYear"), QStringLiteral("StopYear"),
};

inline const QStringList ChronikFields = {
    QStringLiteral("BreweryNameLong"), QStringLiteral("IdCode"),   QStringLiteral("BreweryName"),
    QStringLiteral("StartYear"),       QStringLiteral("StopYear"), QStringLiteral("ParentRowId"),
};

// Keys are never reused (AUTOINCREMENT): a new brewery cannot inherit the
// history entries of a deleted one, and a window that still shows a deleted
// entry can never reach another brewery's entry through its old key.
//
// The header carries the program's application id, 0x53756472 ("Sudr"), by
// which the desktop tells a register from other SQLite files, and from the
// Access files that share its .mdb ending.
inline constexpr const char *CreateStatements = R"sql(
PRAGMA application_id = 1400202354;
CREATE TABLE Brewery (
    RowId INTEGER PRIMARY KEY AUTOINCREMENT,
    StateName TEXT, CountyName TEXT, PostalCode TEXT, CityName TEXT,
    IdCode TEXT, BreweryName TEXT, StartYear TEXT, StopYear TEXT
);
CREATE TABLE BreweryChronik (
    ChronikId INTEGER PRIMARY KEY AUTOINCREMENT,
    BreweryNameLong TEXT, IdCode TEXT, BreweryName TEXT, StartYear TEXT, StopYear TEXT,
    ParentRowId INTEGER NOT NULL REFERENCES Brewery(RowId)
);
CREATE INDEX BreweryChronikParent ON BreweryChronik(ParentRowId);
)sql";

} // namespace RegisterSchema
