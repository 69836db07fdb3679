#pragma once

#include "Statement.h"

#include <optional>
#include <vector>

#include <QByteArrayView>
#include <QSet>

class RegisterFile;

// Adds breweries and history entries to a register as a saved report's
// lines hold them: values in the order of the line's columns, UTF-8, an
// empty value stored as an empty text. The caller holds the transaction.
//
// A register file that holds no brewery keeps the keys a file names, so
// that an export imported again is the same register; a key the register
// gave before (keys are never reused) or gave in this import gets a new
// one. A shared register's server gives every key.
class RegisterAppender {
public:
    // What a null view stands for: an empty column of a report, or a
    // spreadsheet's empty cell, which is Null (an empty text cell is not).
    enum class NullViews { EmptyText, Null };

    // Made before the caller's transaction opens, for as many rows as are
    // to be added: a shared register's server gives all their keys here, so
    // that no round trip to it runs while the file's transaction is open.
    RegisterAppender(RegisterFile &file, qint64 breweries, qint64 chroniks, NullViews nulls = NullViews::EmptyText);

    // The breweries `file` holds.
    static qint64 breweryCount(RegisterFile &file);
    // Adds a brewery from its line's eight columns, under `fileKey` where
    // it can be kept; returns its RowId.
    qint64 addBrewery(const QByteArrayView *columns, std::optional<qint64> fileKey = std::nullopt);
    // Adds a history entry of brewery `parent` from its line's five texts
    // (the columns after the empty ones).
    void addChronik(qint64 parent, const QByteArrayView *texts);

private:
    void bind(Statement &statement, int index, QByteArrayView utf8);
    void run(Statement &add);
    // A shared register's row, as added here, for its server to add too.
    void sendOn(const QString &table, qint64 key);

    // Keys the server gave and no row has taken yet.
    struct Keys {
        std::vector<qint64> given; // the next at the back
        qint64 next();
    };
    static Keys keysFor(RegisterFile &file, const QString &table, qint64 rows);
    // A brewery's key: the server's, the file's, or none for the register
    // to give one.
    std::optional<qint64> breweryKey(std::optional<qint64> fileKey);

    RegisterFile &m_file;
    NullViews m_nulls;
    // The file mirrors a shared register: the server gives the keys, and
    // every row is sent on to it when the import commits.
    bool m_shared;
    Keys m_breweryKeys, m_chronikKeys;
    // Keys of the file are kept above this one, the highest the register
    // had given when the import began; none once it holds a brewery.
    std::optional<qint64> m_keepAbove;
    // Keys the register gave in this import while keeping the file's.
    QSet<qint64> m_given;
    // Every field of each table, in the table's order.
    QStringList m_breweryFields, m_chronikFields;
    // Prepared once: an import runs them millions of times. The values are
    // bound where they stand, without a copy, for the one run they serve.
    Statement m_addBrewery;
    Statement m_addChronik;
};
