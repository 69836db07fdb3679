#pragma once

#include "clsBrewery.h"
#include "clsBreweryChronik.h"

#include <array>

// The columns of a report line, defined once for the report that writes
// them, the importer that reads them back and the objects that take them
// in. A brewery's line holds its eight texts; a history entry's line holds
// four empty columns and then the entry's five texts. Each column names
// the register field it comes from.
namespace ReportLine {

template <typename Object> struct Column {
    const char *field;
    const QString &(Object::*get)() const;
    void (Object::*set)(const QString &);
};

inline constexpr std::array<Column<clsBrewery>, 8> BreweryColumns = {{
    {"StateName", &clsBrewery::StateName, &clsBrewery::setStateName},
    {"CountyName", &clsBrewery::CountyName, &clsBrewery::setCountyName},
    {"PostalCode", &clsBrewery::PostalCode, &clsBrewery::setPostalCode},
    {"CityName", &clsBrewery::CityName, &clsBrewery::setCityName},
    {"IdCode", &clsBrewery::IdCode, &clsBrewery::setIdCode},
    {"BreweryName", &clsBrewery::BreweryName, &clsBrewery::setBreweryName},
    {"StartYear", &clsBrewery::StartYear, &clsBrewery::setStartYear},
    {"StopYear", &clsBrewery::StopYear, &clsBrewery::setStopYear},
}};

// The empty columns in front of a history entry's texts.
inline constexpr int ChronikIndent = 4;

inline constexpr std::array<Column<clsBreweryChronik>, 5> ChronikColumns = {{
    {"IdCode", &clsBreweryChronik::IdCode, &clsBreweryChronik::setIdCode},
    {"BreweryName", &clsBreweryChronik::BreweryName, &clsBreweryChronik::setBreweryName},
    {"StartYear", &clsBreweryChronik::StartYear, &clsBreweryChronik::setStartYear},
    {"StopYear", &clsBreweryChronik::StopYear, &clsBreweryChronik::setStopYear},
    {"BreweryNameLong", &clsBreweryChronik::BreweryNameLong, &clsBreweryChronik::setBreweryNameLong},
}};

// Columns of each kind of line, and of the widest.
inline constexpr int BreweryWidth = int(BreweryColumns.size());
inline constexpr int ChronikWidth = ChronikIndent + int(ChronikColumns.size());

} // namespace ReportLine
