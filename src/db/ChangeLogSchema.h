#pragma once

#include <QByteArray>
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
// Before0…After8: the most fields a table has, its key included.
inline constexpr int MostFields = 9;

// The fields a record of `table` numbers, its key first: bit i of the
// record's Changed mask and its columns Before<i> and After<i> stand for
// the i-th. Empty for a table that is not the register's.
QStringList fieldsOf(const QString &table);
// Makes whatever part of the log a register file lacks; safe to run again.
QByteArray createStatements();

} // namespace ChangeLogSchema
