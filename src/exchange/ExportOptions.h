#pragma once

#include <QString>

// What an export writes.
struct ExportOptions {
    enum class Format {
        // One workbook: a sheet "Brauereien" and a sheet "Chronik", and
        // their stamps on a hidden sheet.
        Xlsx,
        // The same two tables as two CSV files beside each other, and their
        // stamps as a third.
        CsvTables,
        // One CSV file in the report's shape: a brewery's line, then its
        // history entries' lines under it.
        CsvReport,
    };
    Format format = Format::Xlsx;
    // CSV for Excel, which takes UTF-8 only after a byte-order mark.
    bool byteOrderMark = false;
    // Years that are whole numbers become number cells of the workbook; any
    // other year ("1850?", "um 1850") stays text either way.
    bool yearsAsNumbers = false;
    // CSV with the values a spreadsheet would compute ("=1+1") guarded by
    // a leading apostrophe; the import takes it off again.
    bool guardFormulas = true;
    // Which register the export comes from, recorded with its stamps so
    // that corrections from it are refused by any other register.
    QString registerIdentity;
};
