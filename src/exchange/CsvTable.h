#pragma once

#include "SpreadsheetFile.h"

#include <QByteArray>

// A CSV file as RFC 4180 has it (quoted fields, doubled quotes, line
// breaks inside quotes), parsed by liborcus: UTF-8 (with or without a
// byte-order mark), or Windows-1252 when it is not valid UTF-8. Fields are
// separated by commas, or by the semicolons or tabs that the header line
// holds more of (as German Excel saves CSV). A field in quotes is a text
// even when empty; an empty field without quotes is an empty cell.
class CsvTable : public SpreadsheetFile {
public:
    // Throws ReadFailed.
    CsvTable(const QString &path, QByteArray bytes);

    QStringList sheetNames() const override;
    bool hasSheets() const override { return false; }
    void readRows(int sheet, const RowReader &row) const override;

private:
    QByteArray m_utf8;
    char m_separator = ',';
};
