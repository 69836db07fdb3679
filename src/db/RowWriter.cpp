#include "RowWriter.h"

#include "RegisterSchema.h"
#include "StoreError.h"
#include "StoredRow.h"
#include "StoredValue.h"

namespace {

QByteArray placeholder(RowWriter::Dialect dialect, size_t number)
{
    return (dialect == RowWriter::Dialect::Sqlite ? "?" : "$") + QByteArray::number(qsizetype(number));
}

} // namespace

std::vector<int> RowWriter::differingFields(const RowChange &change)
{
    std::vector<int> fields;
    for (int i = 0; i < change.fields.size(); ++i) {
        if (!change.before || !change.after
            || !SameStoredValue(change.before->at(size_t(i)), change.after->at(size_t(i))))
            fields.push_back(i);
    }
    return fields;
}

QByteArray RowWriter::place(std::vector<QVariant> &values, const QVariant &value) const
{
    values.push_back(value);
    return placeholder(m_dialect, values.size());
}

QByteArray RowWriter::standsAs(const RowChange &change, std::vector<QVariant> &values) const
{
    // The text depends only on the table and its fields: a writer that
    // writes many rows of one table (a replace over a column) builds it once.
    const bool first = values.empty();
    const QString shape = change.table + QLatin1Char('|') + change.fields.join(QLatin1Char('|'));
    values.push_back(change.key);
    for (const QVariant &was : *change.before)
        values.push_back(was);
    if (first) {
        if (const auto known = m_conditions.constFind(shape); known != m_conditions.constEnd())
            return *known;
    }
    const size_t base = values.size() - change.before->size() - 1;
    // A file's rows are reached by rowid whatever its key field is called;
    // the server's by the key the register names.
    const QByteArray key = m_dialect == Dialect::Sqlite
        ? QByteArray("rowid")
        : QuotedName(change.table == RegisterSchema::BreweryTable ? RegisterSchema::BreweryKey
                                                                 : RegisterSchema::ChronikKey);
    QByteArray condition;
    condition.reserve(32 + 96 * change.fields.size());
    condition.append(key).append(" = ").append(placeholder(m_dialect, base + 1));
    for (int i = 0; i < change.fields.size(); ++i) {
        const QByteArray field = QuotedName(change.fields[i]);
        const QByteArray was = placeholder(m_dialect, base + size_t(i) + 2);
        // SQLite lets a column hold any storage class and takes 5 and 5.0
        // and, in a text column, "5" for one value; the server's columns
        // have one type each.
        if (m_dialect == Dialect::Sqlite)
            condition.append(" AND ").append(field).append(" IS ").append(was).append(" AND typeof(").append(field)
                .append(") = typeof(").append(was).append(")");
        else
            condition.append(" AND ").append(field).append(" IS NOT DISTINCT FROM ").append(was);
    }
    if (first)
        m_conditions.insert(shape, condition);
    return condition;
}

bool RowWriter::write(const RowChange &change) const
{
    if (!change.before) {
        if (change.after)
            insert({&change}, 0);
        return change.after.has_value();
    }
    Statement statement;
    const QByteArray table = QuotedName(change.table);
    const QByteArray where = " WHERE " + standsAs(change, statement.values);
    if (!change.after) {
        statement.sql = "DELETE FROM " + table + where;
    } else if (const std::vector<int> fields = differingFields(change); fields.empty()) {
        // Nothing to write, but the row must still stand as it was shown.
        statement.sql = "SELECT count(*) FROM " + table + where;
        statement.counts = true;
    } else {
        QByteArray set;
        for (int i : fields)
            set += (set.isEmpty() ? "" : ", ") + QuotedName(change.fields[i]) + " = "
                + place(statement.values, change.after->at(size_t(i)));
        statement.sql = "UPDATE " + table + " SET " + set + where;
    }
    if (m_run(statement) != 1)
        throw StoreError::rowChangedElsewhere(m_shared);
    return !statement.counts;
}

void RowWriter::writeAll(const std::vector<const RowChange *> &changes) const
{
    for (size_t next = 0; next < changes.size();) {
        if (!changes[next]->before && changes[next]->after) {
            next += insert(changes, next);
        } else {
            write(*changes[next]);
            ++next;
        }
    }
}

QByteArray RowWriter::insertOf(const QString &table, const QStringList &fields, int rows) const
{
    QByteArray names, tuples;
    for (const QString &field : fields)
        names += (names.isEmpty() ? "" : ", ") + QuotedName(field);
    size_t number = 0;
    for (int row = 0; row < rows; ++row) {
        QByteArray places;
        for (qsizetype i = 0; i < fields.size(); ++i)
            places += (i ? ", " : "") + placeholder(m_dialect, ++number);
        tuples += (row ? ", (" : "(") + places + ")";
    }
    // A key that is taken already is no row this change may replace.
    return "INSERT INTO " + QuotedName(table) + " (" + names + ") VALUES " + tuples + " ON CONFLICT DO NOTHING";
}

size_t RowWriter::insert(const std::vector<const RowChange *> &changes, size_t first) const
{
    const RowChange &head = *changes[first];
    Statement statement;
    size_t rows = 0;
    for (size_t i = first; i < changes.size() && rows < size_t(RowsPerInsert); ++i, ++rows) {
        const RowChange &change = *changes[i];
        if (change.before || !change.after || change.table != head.table || change.fields != head.fields)
            break;
        statement.values.insert(statement.values.end(), change.after->begin(), change.after->end());
    }
    statement.sql = insertOf(head.table, head.fields, int(rows));
    if (m_run(statement) != qint64(rows))
        throw StoreError::rowChangedElsewhere(m_shared);
    return rows;
}
