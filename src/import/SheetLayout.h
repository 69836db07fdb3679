#pragma once

#include "ReportLine.h"
#include "SpreadsheetFile.h"

#include <array>
#include <optional>

// Where a sheet's values stand, as its header row names them.
struct SheetLayout {
    enum class Kind {
        // One brewery a row, with its key ("RowId") when history entries
        // of another sheet refer to it.
        Breweries,
        // One history entry a row, with its brewery's key ("ParentRowId")
        // or ID ("Brauerei ID").
        Chroniks,
        // The report's shape: a brewery's row, then its history entries'
        // rows, whose BL, Reg Be, PLZ and ORT are empty, under it.
        Report,
    };
    Kind kind = Kind::Breweries;
    // The header's row; 0 when the sheet has none (then the columns are a
    // report's, in a report's order).
    qint64 headerRow = 0;
    int key = -1;
    int breweryCode = -1;
    // The column of each text, in the report line's order (clsBrewery::Text,
    // ChronikRef::Text); -1 for a text the sheet does not hold.
    std::array<int, ReportLine::BreweryWidth> brewery{};
    std::array<int, ReportLine::ChronikColumns.size()> chronik{};
};

// A column's letters as a spreadsheet shows them: 0 is "A", 27 is "AB".
QString ColumnLetters(int column);

// The layout of a sheet whose first row that holds a cell is `first`
// (numbered `row`). Captions and field names both name a column, in any
// order and ignoring case and blanks; a first row that names none is a
// report's first row when it is no wider than a report. `where` begins the
// message ("x.xlsx, sheet Brauereien"). Throws ImportRefused for an
// unknown or doubled caption, or a header that cannot be told.
SheetLayout LayoutOf(const SheetRow &first, qint64 row, const QString &where);
