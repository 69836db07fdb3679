#pragma once

#include "ChronikRef.h"
#include "clsBrewery.h"

#include <array>

// The columns of a report line, defined once for the report that writes
// them, the importer that reads them back and the objects that take them
// in. A brewery's line holds its eight texts; a history entry's line holds
// four empty columns and then the entry's five texts. Each column names
// the register field it comes from; a column's place is the number of its
// text in the objects (clsBrewery::Text, ChronikRef::Text).
namespace ReportLine {

struct Column {
    const char *field;
    // How the grids caption it (UTF-8).
    const char *caption;
};

inline constexpr std::array<Column, clsBrewery::Texts> BreweryColumns = {{
    {"StateName", "BL"},
    {"CountyName", "Reg Be"},
    {"PostalCode", "PLZ"},
    {"CityName", "ORT"},
    {"IdCode", "ID"},
    {"BreweryName", "BRAUEREI (Kürtz)"},
    {"StartYear", "*Jahr"},
    {"StopYear", "+Jahr"},
}};
static_assert(clsBrewery::State == 0 && clsBrewery::Code == 4 && clsBrewery::Stop == 7);

// The empty columns in front of a history entry's texts.
inline constexpr int ChronikIndent = 4;

inline constexpr std::array<Column, ChronikRef::Texts> ChronikColumns = {{
    {"IdCode", "ID"},
    {"BreweryName", "BRAUEREI (Kürtz)"},
    {"StartYear", "*Jahr"},
    {"StopYear", "+Jahr"},
    {"BreweryNameLong", "BRAUEREI (Komplete)"},
}};
static_assert(ChronikRef::Code == 0 && ChronikRef::Stop == 3 && ChronikRef::NameLong == 4);

// Columns of each kind of line, and of the widest.
inline constexpr int BreweryWidth = int(BreweryColumns.size());
inline constexpr int ChronikWidth = ChronikIndent + int(ChronikColumns.size());

} // namespace ReportLine
