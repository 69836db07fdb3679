#pragma once

#include "SpreadsheetFile.h"

#include "ZipParts.h"

#include <QHash>

// An XLSX workbook, its cells read from the sheets' XML as they stand:
// shared strings, strings inline in the sheet (as streaming writers, our
// export among them, write them), the results of formulas, numbers and
// truth values. The zip is unpacked by liborcus, one sheet at a time.
class XlsxWorkbook : public SpreadsheetFile {
public:
    // Throws ReadFailed.
    XlsxWorkbook(const QString &path, QByteArray bytes);

    QStringList sheetNames() const override { return m_names; }
    void readRows(int sheet, const RowReader &row) const override;

private:
    QHash<QString, QString> relationships(const QString &part, const QString &typeEnding) const;
    void readStrings(const QString &part);

    ZipParts m_zip;
    QStringList m_names;
    QStringList m_sheetParts;
    std::vector<QString> m_strings;
};
