#include "ChangeLogSchema.h"

#include "RegisterSchema.h"

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

QByteArray triggersOf(const Logged &logged)
{
    const QStringList fields = ChangeLogSchema::fieldsOf(logged.table);
    const qsizetype n = fields.size();
    QByteArray added = head(logged, "NEW", "added") + ", " + QByteArray::number(allButKey(n));
    QByteArray deleted = head(logged, "OLD", "deleted") + ", " + QByteArray::number(allButKey(n));
    QByteArray mask, anyChanged, changedValues;
    for (qsizetype i = 0; i < n; ++i) {
        const QByteArray f = utf8(fields[i]);
        if (i > 0) {
            added += ", NEW." + f;
            deleted += ", OLD." + f;
        }
        mask += QByteArray(i > 0 ? " | " : "") + "(" + differs(fields[i]) + " << " + QByteArray::number(i) + ")";
        anyChanged += QByteArray(i > 0 ? " OR " : "") + differs(fields[i]);
    }
    for (const char *side : {"OLD", "NEW"}) {
        for (qsizetype i = 0; i < n; ++i)
            changedValues += ", CASE WHEN m.Changed & " + QByteArray::number(qint64(1) << i) + " THEN " + side + "."
                + utf8(fields[i]) + " END";
    }
    return trigger(logged, "Added", "INSERT", "", insertInto(columns("After", n, 1)) + added + FromStep)
        + trigger(logged, "Changed", "UPDATE", " WHEN " + anyChanged,
                  insertInto(columns("Before", n) + columns("After", n)) + head(logged, "NEW", "changed")
                      + ", m.Changed" + changedValues + " FROM (SELECT " + mask + " AS Changed) m LEFT JOIN "
                      + utf8(ChangeLogSchema::StepTable) + " s")
        + trigger(logged, "Deleted", "DELETE", "", insertInto(columns("Before", n, 1)) + deleted + FromStep);
}

} // namespace

QStringList ChangeLogSchema::fieldsOf(const QString &table)
{
    if (table == BreweryTable)
        return BreweryFields;
    if (table == ChronikTable)
        return QStringList{ChronikKey} + ChronikFields;
    return {};
}

QByteArray ChangeLogSchema::createStatements()
{
    // Values are kept as stored: the Before and After columns declare no
    // type, so that a number stays a number and a text a text.
    QByteArray sql = "CREATE TABLE IF NOT EXISTS " + utf8(LogTable) + " (\n"
                     "    LogId INTEGER PRIMARY KEY,\n"
                     "    At TEXT NOT NULL,\n"
                     "    Who TEXT,\n"
                     "    Step TEXT,\n"
                     "    TableName TEXT NOT NULL,\n"
                     "    RowKey INTEGER NOT NULL,\n"
                     "    BreweryKey INTEGER,\n"
                     "    Kind TEXT NOT NULL,\n"
                     "    Changed INTEGER NOT NULL"
        + columns("Before", MostFields) + columns("After", MostFields) + "\n);\n";
    sql += "CREATE INDEX IF NOT EXISTS " + utf8(LogTable) + "Brewery ON " + utf8(LogTable) + " (BreweryKey);\n";
    sql += "CREATE TABLE IF NOT EXISTS " + utf8(StepTable)
        + " (Only INTEGER PRIMARY KEY CHECK (Only = 1), Who TEXT, Step TEXT);\n";
    for (const Logged &logged : Tables)
        sql += triggersOf(logged);
    return sql;
}
