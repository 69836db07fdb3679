#pragma once

#include "ReportLine.h"
#include "SpreadsheetFile.h"

#include <QHash>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// An export of the register come back with corrections: its table of
// breweries (each with its key, or none for one added), its table of
// history entries (each with its brewery's key) and its stamps (which
// register it came from, every row as exported). Read whole when opened;
// a file that cannot be read as corrections is refused with the file,
// sheet, row and column of the first fault.
class CorrectionsFile {
public:
    using BreweryTexts = std::array<SheetCell, ReportLine::BreweryWidth>;
    using ChronikTexts = std::array<SheetCell, ReportLine::ChronikColumns.size()>;
    // Where a row stands, for a message: "list.xlsx, sheet Brauereien, row 7".
    struct Row {
        QString where;
        qint64 number = 0;
        QString at() const;
    };
    struct Brewery {
        std::optional<qint64> key;
        BreweryTexts texts;
        Row row;
    };
    struct Entry {
        qint64 parent = 0;
        ChronikTexts texts;
        Row row;
    };
    struct StampedEntry {
        qint64 key = 0;
        qint64 parent = 0;
        ChronikTexts texts;
    };

    // Whether `path` is an export that carries its stamps: a workbook with
    // them, or one of an export's CSV files with them beside it.
    static bool isExport(const QString &path);

    // Hears the rows read, of about as many as the file holds.
    using Progress = std::function<void(qint64 done, qint64 total)>;

    // A workbook, or one of an export's CSV files (the others beside it
    // come along). Throws ImportRefused.
    explicit CorrectionsFile(const QString &path, const Progress &progress = {});

    // "list.xlsx", "x-Brauereien.csv, x-Chronik.csv and x-Stand.csv".
    const QString &source() const { return m_source; }
    // The identity of the register it was exported from.
    const QString &registerIdentity() const { return m_identity; }
    const std::vector<Brewery> &breweries() const { return m_breweries; }
    // In the file's order.
    const std::vector<Entry> &entries() const { return m_entries; }
    // The breweries as exported, by key.
    const QHash<qint64, BreweryTexts> &stampedBreweries() const { return m_stampedBreweries; }
    // The history entries as exported, by their brewery's key, in key order.
    const QHash<qint64, std::vector<StampedEntry>> &stampedEntries() const { return m_stampedEntries; }

private:
    struct Sheet;
    void readTable(const Sheet &sheet, const Progress &progress);
    void readStamps(const Sheet &sheet, const Progress &progress);

    QString m_source;
    QString m_identity;
    std::vector<Brewery> m_breweries;
    std::vector<Entry> m_entries;
    QHash<qint64, BreweryTexts> m_stampedBreweries;
    QHash<qint64, std::vector<StampedEntry>> m_stampedEntries;
    qint64 m_entriesStamped = 0;
};
