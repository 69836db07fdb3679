#pragma once

#include "Statement.h"

#include <QByteArrayView>

class RegisterFile;

// Adds breweries and history entries to a register as a saved report's
// lines hold them: values in the order of the line's columns, UTF-8, an
// empty value stored as an empty text. The caller holds the transaction.
class RegisterAppender {
public:
    explicit RegisterAppender(RegisterFile &file);

    // The breweries `file` holds.
    static qint64 breweryCount(RegisterFile &file);
    // Adds a brewery from its line's eight columns; returns its RowId.
    qint64 addBrewery(const QByteArrayView *columns);
    // Adds a history entry of brewery `parent` from its line's five texts
    // (the columns after the empty ones).
    void addChronik(qint64 parent, const QByteArrayView *texts);

private:
    RegisterFile &m_file;
    // Prepared once: an import runs them millions of times.
    Statement m_addBrewery;
    Statement m_addChronik;
};
