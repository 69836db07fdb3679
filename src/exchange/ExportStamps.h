#pragma once

#include "RegisterExport.h"
#include "SpreadsheetFile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QString>
#include <QStringList>

// The stamps an export of two tables writes beside them (a hidden sheet
// "Stand" of the workbook, a file "x-Stand.csv" beside the CSV tables),
// by which corrections made to the tables elsewhere are read back:
//   the first row:  "Sudregister", the register's identity, when exported;
//   each brewery:   "B", its key, an empty cell, its eight texts;
//   each entry:     "C", its key, its brewery's key, its five texts,
// every text as the tables show it, in the report line's order.
namespace ExportStamps {

inline constexpr char Mark[] = "Sudregister";
inline constexpr char Brewery[] = "B";
inline constexpr char Chronik[] = "C";
// The columns of a row's key, its brewery's, and its first text.
inline constexpr int KeyColumn = 1;
inline constexpr int ParentColumn = 2;
inline constexpr int FirstText = 3;

// Whether sheet `sheet` of `file` holds an export's stamps: a workbook's
// sheet "Stand", or the CSV file "x-Stand.csv".
inline bool IsExportStamps(const SpreadsheetFile &file, int sheet)
{
    return file.hasSheets() ? file.sheetNames().value(sheet) == ExportSheets::Stamps
                            : QFileInfo(file.path()).fileName().endsWith(
                                  QStringLiteral("-%1.csv").arg(ExportSheets::Stamps), Qt::CaseInsensitive);
}

inline QStringList firstRow(const QString &registerIdentity, const QDateTime &exported)
{
    return {QString::fromLatin1(Mark), registerIdentity, exported.toString(Qt::ISODate)};
}

} // namespace ExportStamps
