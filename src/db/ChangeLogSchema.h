#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

// The register file's own record of every change of its two tables: when,
// who, in which step of the program, and each changed field before and
// after, values as stored (their storage class too). Triggers write it in
// the transaction of the change, so that no write escapes it, this
// program's or another's (the sqlite3 shell, an earlier version). A write
// of this program names itself in the one row of StepTable while its
// transaction is open and clears it before it commits: a record without a
// name is another program's.
//
// The two tables, their keys and what reads them stay as they were; an
// earlier version of the program reads and writes such a file unchanged,
// its writes recorded as another program's.
namespace ChangeLogSchema {

inline const QString LogTable = QStringLiteral("SudregisterLog");
inline const QString StepTable = QStringLiteral("SudregisterLogStep");
inline const QString BulkTable = QStringLiteral("SudregisterLogBulk");
// Before0…After8: the most fields a table has, its key included.
inline constexpr int MostFields = 9;

// The fields a record of `table` numbers, its key first: bit i of the
// record's Changed mask and its columns Before<i> and After<i> stand for
// the i-th. Empty for a table that is not the register's.
QStringList fieldsOf(const QString &table);
// When a record was made, as both logs give it: UTC to the millisecond,
// "2026-12-11 14:21:45.888", as SQLite's strftime('%Y-%m-%d %H:%M:%f')
// writes it and the server's log is read.
QString storedTime(const QDateTime &at);
QDateTime timeOf(const QString &stored);

// Makes whatever part of the log a register file lacks; safe to run again.
QByteArray createStatements();

// Rows added in bulk (an import) are recorded in one statement rather than
// one by one by a trigger, which would more than double the import's time.
// Within the import's transaction: the triggers on adds go (no other
// program can write meanwhile), the rows are added, addedInBulk() records
// every row of `table` whose key is above ?1 (the highest key given before),
// and createStatements() brings the triggers back.
//
// Such a record is kept lean. Its Bulk names the row of BulkTable that
// holds when, who and the step for all of the import's records (theirs are
// Null), the range of keys and the offset ?2: the record's LogId is the
// offset plus the row's key, so that a row's add is found by key, as it
// stands in no index. It holds no values: they are the row's as stored now,
// or as its delete recorded it, with the changes recorded since taken back.
// ?3 is the BulkTable row's id.
QByteArray dropAddedTriggers();
QByteArray addedInBulk(const QString &table);

} // namespace ChangeLogSchema
