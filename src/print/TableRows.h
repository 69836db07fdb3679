#pragma once

#include <QStringList>

// The rows a printed table shows, asked for one at a time while pages are
// laid out and painted, so that a table of millions of rows is never held
// whole.
class TableRows {
public:
    virtual ~TableRows() = default;

    virtual qint64 rowCount() const = 0;
    // The row's cells, one a column; an empty text where it has none.
    virtual QStringList cells(qint64 row) const = 0;
    // A row that belongs to the row above it (a history entry under its
    // brewery) has no rule above it, and its values in this column and
    // after are indented; -1 for a row of its own.
    virtual int indentedFrom(qint64) const { return -1; }
    // The row never ends a page when the next row follows it: a brewery is
    // printed on the page of its first history entry.
    virtual bool keepsWithNext(qint64) const { return false; }
};
