#include "ChangeLogSchema.h"

#include "RegisterSchema.h"

#include <QTimeZone>

namespace {

using namespace RegisterSchema;

struct Logged {
    QString table;
    QString key;
    // The field that names the brewery a row belongs to.
    QString brewery;
};

const Logged Tables[] = {
    {BreweryTable, BreweryKey, BreweryKey},
    {ChronikTable, ChronikKey, ChronikParent},
};

QByteArray utf8(const QString &text)
{
    return text.toUtf8();
}

// A field counts as changed when its value or its storage class differs:
// "1" stored over 1 is a change, as the program's writer sees it.
QByteArray differs(const QString &field)
{
    const QByteArray f = utf8(field);
    return "(OLD." + f + " IS NOT NEW." + f + " OR typeof(OLD." + f + ") <> typeof(NEW." + f + "))";
}

QByteArray columns(const char *prefix, qsizetype count, qsizetype from = 0)
{
    QByteArray list;
    for (qsizetype i = from; i < count; ++i)
        list += ", " + QByteArray(prefix) + QByteArray::number(i);
    return list;
}

// Every field but the key, as a mask: what an added or deleted row holds.
qint64 allButKey(qsizetype fields)
{
    return ((qint64(1) << fields) - 1) & ~qint64(1);
}

QByteArray trigger(const Logged &logged, const char *name, const char *event, const QByteArray &when,
                   const QByteArray &body)
{
    return "CREATE TRIGGER IF NOT EXISTS " + utf8(ChangeLogSchema::LogTable + logged.table) + name + " AFTER " + event
        + " ON " + utf8(logged.table) + when + " BEGIN " + body + "; END;\n";
}

// The record's head: when, who and the step (Null outside the program's
// own writes), which row, and how.
QByteArray head(const Logged &logged, const char *row, const char *kind)
{
    return "strftime('%Y-%m-%d %H:%M:%f', 'now'), s.Who, s.Step, '" + utf8(logged.table) + "', " + row + "."
        + utf8(logged.key) + ", " + row + "." + utf8(logged.brewery) + ", '" + kind + "'";
}

QByteArray insertInto(const QByteArray &valueColumns)
{
    return "INSERT INTO " + utf8(ChangeLogSchema::LogTable)
        + " (At, Who, Step, TableName, RowKey, BreweryKey, Kind, Changed" + valueColumns + ") SELECT ";
}

const QByteArray FromStep = " FROM (SELECT 1) LEFT JOIN " + utf8(ChangeLogSchema::StepTable) + " s";

// The record of a row added or deleted, `row` naming it: every field.
QByteArray whole(const Logged &logged, const char *row, const char *kind)
{
    const QStringList fields = ChangeLogSchema::fieldsOf(logged.table);
    QByteArray values = head(logged, row, kind) + ", " + QByteArray::number(allButKey(fields.size()));
    for (qsizetype i = 1; i < fields.size(); ++i)
        values += ", " + QByteArray(row) + "." + utf8(fields[i]);
    return insertInto(columns(*kind == 'a' ? "After" : "Before", fields.size(), 1)) + values;
}

const Logged &loggedOf(const QString &table)
{
    return table == ChronikTable ? Tables[1] : Tables[0];
}

QByteArray triggersOf(const Logged &logged)
{
    const QStringList fields = ChangeLogSchema::fieldsOf(logged.table);
    const qsizetype n = fields.size();
    QByteArray mask, anyChanged, changedValues;
    for (qsizetype i = 0; i < n; ++i) {
        mask += QByteArray(i > 0 ? " | " : "") + "(" + differs(fields[i]) + " << " + QByteArray::number(i) + ")";
        anyChanged += QByteArray(i > 0 ? " OR " : "") + differs(fields[i]);
    }
    for (const char *side : {"OLD", "NEW"}) {
        for (qsizetype i = 0; i < n; ++i)
            changedValues += ", CASE WHEN m.Changed & " + QByteArray::number(qint64(1) << i) + " THEN " + side + "."
                + utf8(fields[i]) + " END";
    }
    return trigger(logged, "Added", "INSERT", "", whole(logged, "NEW", "added") + FromStep)
        + trigger(logged, "Changed", "UPDATE", " WHEN " + anyChanged,
                  insertInto(columns("Before", n) + columns("After", n)) + head(logged, "NEW", "changed")
                      + ", m.Changed" + changedValues + " FROM (SELECT " + mask + " AS Changed) m LEFT JOIN "
                      + utf8(ChangeLogSchema::StepTable) + " s")
        + trigger(logged, "Deleted", "DELETE", "", whole(logged, "OLD", "deleted") + FromStep);
}

} // namespace

namespace {
const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");
}

QString ChangeLogSchema::storedTime(const QDateTime &at)
{
    return at.toUTC().toString(TimeFormat);
}

QDateTime ChangeLogSchema::timeOf(const QString &stored)
{
    QDateTime at = QDateTime::fromString(stored, TimeFormat);
    at.setTimeZone(QTimeZone::utc());
    return at;
}

QStringList ChangeLogSchema::fieldsOf(const QString &table)
{
    if (table == BreweryTable)
        return BreweryFields;
    if (table == ChronikTable)
        return QStringList{ChronikKey} + ChronikFields;
    return {};
}

QByteArray ChangeLogSchema::dropAddedTriggers()
{
    QByteArray sql;
    for (const Logged &logged : Tables)
        sql += "DROP TRIGGER IF EXISTS " + utf8(LogTable + logged.table) + "Added;\n";
    return sql;
}

QByteArray ChangeLogSchema::addedInBulk(const QString &table)
{
    const Logged &logged = loggedOf(table);
    const QByteArray key = "t." + utf8(logged.key);
    return "INSERT INTO " + utf8(LogTable) + " (LogId, TableName, RowKey, BreweryKey, Kind, Changed, Bulk) SELECT ?2 + "
        + key + ", '" + utf8(logged.table) + "', " + key + ", t." + utf8(logged.brewery) + ", 'added', "
        + QByteArray::number(allButKey(fieldsOf(table).size())) + ", ?3 FROM " + utf8(logged.table) + " t WHERE " + key
        + " > ?1 ORDER BY " + key;
}

QByteArray ChangeLogSchema::createStatements()
{
    // Values are kept as stored: the Before and After columns declare no
    // type, so that a number stays a number and a text a text.
    QByteArray sql = "CREATE TABLE IF NOT EXISTS " + utf8(LogTable) + " (\n"
                     "    LogId INTEGER PRIMARY KEY,\n"
                     "    At TEXT,\n"
                     "    Who TEXT,\n"
                     "    Step TEXT,\n"
                     "    TableName TEXT NOT NULL,\n"
                     "    RowKey INTEGER NOT NULL,\n"
                     "    BreweryKey INTEGER,\n"
                     "    Kind TEXT NOT NULL,\n"
                     "    Changed INTEGER NOT NULL,\n"
                     "    Bulk INTEGER"
        + columns("Before", MostFields) + columns("After", MostFields) + "\n);\n";
    // A row's records, and a brewery's, are found by these; the records of
    // adds in bulk by their key (BulkTable).
    sql += "CREATE INDEX IF NOT EXISTS " + utf8(LogTable) + "Brewery ON " + utf8(LogTable)
        + " (BreweryKey) WHERE Bulk IS NULL;\n";
    sql += "CREATE INDEX IF NOT EXISTS " + utf8(LogTable) + "Row ON " + utf8(LogTable)
        + " (TableName, RowKey) WHERE Bulk IS NULL;\n";
    sql += "CREATE TABLE IF NOT EXISTS " + utf8(BulkTable)
        + " (BulkId INTEGER PRIMARY KEY, At TEXT NOT NULL, Who TEXT, Step TEXT, TableName TEXT NOT NULL, "
          "FirstKey INTEGER NOT NULL, LastKey INTEGER NOT NULL, Offset INTEGER NOT NULL);\n";
    sql += "CREATE TABLE IF NOT EXISTS " + utf8(StepTable)
        + " (Only INTEGER PRIMARY KEY CHECK (Only = 1), Who TEXT, Step TEXT);\n";
    for (const Logged &logged : Tables)
        sql += triggersOf(logged);
    return sql;
}
