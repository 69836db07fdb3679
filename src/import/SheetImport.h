#pragma once

#include "ReportImport.h"
#include "SheetLayout.h"

#include <memory>
#include <vector>

class RegisterAppender;
class RegisterFile;

// A row of the file as it will be stored, for the user to see before.
struct ImportRow {
    bool chronik = false;
    // A brewery's eight texts, or a history entry's five, in the report
    // line's order (clsBrewery::Text, ChronikRef::Text); nullopt is Null.
    std::vector<SheetCell> values;
};

// Brings the breweries and history entries of spreadsheets into a
// register: a workbook (XLSX, ODS) or CSV files, in the export's shape (a
// table of breweries with their key, a table of history entries with their
// brewery's key or ID) or the report's. Columns are found by their
// captions or field names; empty cells stay Null, empty texts empty texts,
// every other value is stored exactly as the file holds it.
//
// Nothing is written until every row has been checked: survey() reads the
// whole file first, write() then adds every row in one transaction,
// reading the same bytes again.
class SheetImport {
public:
    // The longest value taken: what a workbook's cell holds, so that
    // whatever comes in can be exported again.
    static constexpr qsizetype MaxValueCharacters = 32767;
    static constexpr int PreviewRows = 20;
    using Progress = std::function<void(qint64 done, qint64 total)>;

    // Why `value` cannot be taken into the register ("the value holds …"),
    // or none.
    static std::optional<QString> valueFault(const QString &value);

    // Opens the files and reads their headers. The two CSV tables of an
    // export ("x-Brauereien.csv", "x-Chronik.csv") come together: naming
    // one names both. Throws ImportRefused.
    explicit SheetImport(const QStringList &paths);
    ~SheetImport();

    // Checks every row; throws ImportRefused naming the file, sheet, row
    // and column of the first fault.
    void survey(const Progress &progress = {});
    const ImportCounts &counts() const { return m_counts; }
    // The first rows as they will be stored, up to half of PreviewRows of
    // breweries and of history entries each.
    const std::vector<ImportRow> &firstRows() const { return m_firstRows; }
    // "x.xlsx", "x-Brauereien.csv and x-Chronik.csv".
    QString source() const;

    // Adds every row, after survey(), in one transaction on `file`, whose
    // lock the caller holds. Throws ImportRefused, or StoreError when the
    // register refuses; either way nothing is added.
    ImportCounts write(RegisterFile &file, const Progress &progress = {});

private:
    struct Sheet;
    struct Pass;
    void readSheet(const Sheet &sheet, Pass &pass) const;
    void addRow(const Sheet &sheet, qint64 number, const SheetRow &cells, Pass &pass) const;

    std::vector<std::unique_ptr<SpreadsheetFile>> m_files;
    std::vector<Sheet> m_sheets;
    bool m_linkByCode = false;
    bool m_surveyed = false;
    ImportCounts m_counts;
    std::vector<ImportRow> m_firstRows;
};

// The same from the command line: `paths` into the register at
// `registerPath`, created when missing, which no window may have open.
ImportCounts ImportSheets(const QStringList &paths, const QString &registerPath, const ImportOptions &options = {},
                          const SheetImport::Progress &progress = {});
