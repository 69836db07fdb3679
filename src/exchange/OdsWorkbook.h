#pragma once

#include "SpreadsheetFile.h"
#include "ZipParts.h"

// An OpenDocument spreadsheet (ODS), its cells read from the package's
// content as they stand: a text of several paragraphs is one text of
// several lines, numbers, dates and truth values read as the file writes
// them, repeated rows and cells as many as they stand for.
class OdsWorkbook : public SpreadsheetFile {
public:
    // Throws ReadFailed.
    OdsWorkbook(const QString &path, QByteArray bytes);

    QStringList sheetNames() const override { return m_names; }
    void readRows(int sheet, const RowReader &row) const override;

private:
    ZipParts m_zip;
    QStringList m_names;
};
