#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// A cell as a spreadsheet holds it: nothing (nullopt) or a text, which may
// be empty. Numbers read as the text the file writes them with ("1850").
using SheetCell = std::optional<QString>;
using SheetRow = std::vector<SheetCell>;

// Why a file could not be read; the message names the file.
struct ReadFailed {
    QString message;
};

// A workbook (XLSX, ODS) or a CSV file, whose sheets are read row by row.
// Its bytes are read once, when it is opened: reading a sheet again gives
// the same rows even when the file has changed since.
class SpreadsheetFile {
public:
    // What a workbook may unpack to at most, so that a small file that
    // unpacks to gigabytes (a zip bomb) is refused before it is unpacked.
    static constexpr qint64 UnpackedLimit = qint64(2) << 30;

    virtual ~SpreadsheetFile() = default;

    // Opens the file at `path` by what its bytes are, whatever its name
    // ends with. Throws ReadFailed for a file that is not a spreadsheet, is
    // encrypted or damaged, or would unpack to more than `unpackedLimit`.
    static std::unique_ptr<SpreadsheetFile> open(const QString &path, qint64 unpackedLimit = UnpackedLimit);

    const QString &path() const { return m_path; }
    // The sheets in the workbook's order; a CSV file's one table is named
    // after the file.
    virtual QStringList sheetNames() const = 0;
    // False for a CSV file, whose one table a message need not name.
    virtual bool hasSheets() const { return true; }
    // Hands over the rows of sheet `sheet` that hold a cell, in order, each
    // with its number as the spreadsheet counts rows (from 1), until `row`
    // returns false. A row's last cell is one that holds something. Throws
    // ReadFailed.
    using RowReader = std::function<bool(qint64 number, const SheetRow &cells)>;
    virtual void readRows(int sheet, const RowReader &row) const = 0;

protected:
    explicit SpreadsheetFile(QString path) : m_path(std::move(path)) {}
    // "x.xlsx could not be read: why"
    ReadFailed failed(const QString &why) const;

private:
    QString m_path;
};
