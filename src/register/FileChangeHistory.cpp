#include "ChangeHistory.h"

#include "ChangeLogSchema.h"
#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "StoredRow.h"
#include "Transaction.h"

#include <algorithm>
#include <limits>

namespace {

using ChangeLogSchema::storedTime;
using ChangeLogSchema::timeOf;

qint64 maskOf(const QString &table, const QString &field)
{
    const qsizetype at = ChangeLogSchema::fieldsOf(table).indexOf(field);
    return at < 0 ? 0 : qint64(1) << at;
}

// The log of a register file, read on the window's own connection: a
// brewery's records through the log's index and, for an import's adds, by
// key; the register's newest first along the log itself.
class FileChangeHistory : public ChangeHistory {
public:
    explicit FileChangeHistory(RegisterFile &file) : m_file(file) {}

    bool kept() override
    {
        // Made whole at the first write; until then, or when another program
        // dropped a part of it, it holds nothing to read.
        Cursor tables = m_file.cached("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name IN (?1, ?2)");
        tables.bind(1, QVariant(ChangeLogSchema::LogTable)).bind(2, QVariant(ChangeLogSchema::BulkTable));
        return tables.step() && tables.int64(0) == 2;
    }

    std::vector<LogEntry> read(const LogFilter &filter, qint64 olderThan, int count) override
    {
        std::vector<LogEntry> entries;
        if (!kept())
            return entries;
        Query query = queryOf(filter, olderThan > 0 ? olderThan : std::numeric_limits<qint64>::max());
        if (!filter.brewery) {
            select(query, " ORDER BY l.LogId DESC LIMIT " + query.bound(count), entries);
            return entries;
        }
        // A brewery's records stand in the index, but for the adds of its
        // row and its history entries' rows made in bulk: those are found
        // by key.
        select(query, " AND l.Bulk IS NULL ORDER BY l.LogId DESC LIMIT " + query.bound(count), entries);
        for (const auto &[table, key] : rowsOf(*filter.brewery)) {
            Cursor bulk = m_file.cached("SELECT Offset + ?2 FROM " + ChangeLogSchema::BulkTable.toUtf8()
                                        + " WHERE TableName = ?1 AND ?2 BETWEEN FirstKey AND LastKey");
            bulk.bind(1, QVariant(table)).bind(2, key);
            while (bulk.step()) {
                Query one = query;
                const QByteArray id = one.bound(bulk.int64(0));
                const QByteArray row = one.bound(key);
                select(one, " AND l.LogId = " + id + " AND l.RowKey = " + row + " AND l.Bulk IS NOT NULL", entries);
            }
        }
        std::ranges::sort(entries, [](const LogEntry &a, const LogEntry &b) { return a.id > b.id; });
        if (entries.size() > size_t(count))
            entries.resize(size_t(count));
        return entries;
    }

    Size size() override
    {
        Size size;
        if (!kept())
            return size;
        const QByteArray table = ChangeLogSchema::LogTable.toUtf8();
        {
            Cursor count = m_file.cached("SELECT count(*) FROM " + table);
            size.entries = count.step() ? count.int64(0) : 0;
        }
        {
            Cursor oldest = m_file.cached("SELECT " + At + Joined + " ORDER BY l.LogId LIMIT 1");
            if (oldest.step())
                size.oldest = timeOf(oldest.text(0));
        }
        return size;
    }

    bool mayCompact() const override { return !m_file.isReadOnly(); }

    qint64 compact(const QDateTime &before) override
    {
        if (!kept())
            return 0;
        Transaction tx(m_file);
        qint64 dropped = 0;
        {
            const QByteArray bulks = ChangeLogSchema::BulkTable.toUtf8();
            Cursor drop = m_file.cached("DELETE FROM " + ChangeLogSchema::LogTable.toUtf8()
                                        + " WHERE (Bulk IS NULL AND At < ?1) OR Bulk IN (SELECT BulkId FROM " + bulks
                                        + " WHERE At < ?1)");
            drop.bind(1, QVariant(storedTime(before))).run();
            dropped = m_file.changes();
            Cursor bulk = m_file.cached("DELETE FROM " + bulks + " WHERE At < ?1");
            bulk.bind(1, QVariant(storedTime(before))).run();
        }
        tx.commit();
        return dropped;
    }

private:
    // A query's condition, its values bound as ?1, ?2, … in order.
    struct Query {
        QByteArray where;
        std::vector<QVariant> values;
        QByteArray bound(const QVariant &value)
        {
            values.push_back(value);
            return "?" + QByteArray::number(values.size());
        }
    };

    // The log as read: a record of an add in bulk takes when, who and the
    // step from its bulk.
    inline static const QByteArray Joined = " FROM " + ChangeLogSchema::LogTable.toUtf8() + " l LEFT JOIN "
        + ChangeLogSchema::BulkTable.toUtf8() + " b ON b.BulkId = l.Bulk";
    inline static const QByteArray At = "coalesce(b.At, l.At)";
    inline static const QByteArray Who = "coalesce(b.Who, l.Who)";
    inline static const QByteArray Step = "coalesce(b.Step, l.Step)";

    Query queryOf(const LogFilter &filter, qint64 below) const
    {
        Query query;
        query.where = "l.LogId < " + query.bound(below);
        if (filter.brewery)
            query.where += " AND l.BreweryKey = " + query.bound(*filter.brewery);
        if (filter.who == LogFilter::anotherProgram())
            query.where += " AND " + Who + " IS NULL";
        else if (!filter.who.isEmpty())
            query.where += " AND " + Who + " = " + query.bound(filter.who);
        if (filter.from.isValid())
            query.where += " AND " + At + " >= " + query.bound(storedTime(filter.from));
        if (filter.to.isValid())
            query.where += " AND " + At + " < " + query.bound(storedTime(filter.to));
        if (!filter.step.isEmpty())
            query.where += " AND instr(lower(" + Step + "), lower(" + query.bound(filter.step) + ")) > 0";
        if (!filter.field.isEmpty()) {
            const QString brewery = RegisterSchema::BreweryTable, chronik = RegisterSchema::ChronikTable;
            query.where += " AND ((l.TableName = " + query.bound(brewery) + " AND l.Changed & "
                + query.bound(maskOf(brewery, filter.field)) + ") OR (l.TableName = " + query.bound(chronik)
                + " AND l.Changed & " + query.bound(maskOf(chronik, filter.field)) + "))";
        }
        return query;
    }

    // Appends the records `query` and `rest` find, in the order found.
    void select(Query &query, const QByteArray &rest, std::vector<LogEntry> &entries)
    {
        const int most = ChangeLogSchema::MostFields;
        QByteArray columns = "l.LogId, " + At + ", " + Who + ", " + Step
            + ", l.TableName, l.RowKey, l.BreweryKey, l.Kind, l.Changed, l.Bulk";
        for (const char *side : {"Before", "After"}) {
            for (int i = 0; i < most; ++i)
                columns += ", l." + QByteArray(side) + QByteArray::number(i);
        }
        Cursor rows = m_file.cached("SELECT " + columns + Joined + " WHERE " + query.where + rest);
        for (size_t i = 0; i < query.values.size(); ++i)
            rows.bind(int(i + 1), query.values[i]);
        while (rows.step()) {
            LogEntry entry;
            entry.id = rows.int64(0);
            entry.at = timeOf(rows.text(1));
            entry.who = rows.text(2);
            entry.step = rows.text(3);
            entry.table = rows.text(4);
            entry.rowKey = rows.int64(5);
            entry.breweryKey = rows.int64(6);
            entry.kind = LogEntry::kindOf(rows.text(7));
            const qint64 changed = rows.int64(8);
            const QStringList fields = ChangeLogSchema::fieldsOf(entry.table);
            const std::vector<QVariant> added =
                rows.isNull(9) ? std::vector<QVariant>{} : addedValues(entry.table, entry.rowKey, entry.id);
            for (int i = 0; i < fields.size() && i < most; ++i) {
                if (!(changed & (qint64(1) << i)))
                    continue;
                LogEntry::Field field{fields[i], std::nullopt, std::nullopt};
                if (entry.kind != LogEntry::Kind::Added)
                    field.before = rows.value(10 + i);
                if (entry.kind != LogEntry::Kind::Deleted)
                    field.after = added.empty() ? rows.value(10 + most + i) : added[size_t(i)];
                entry.fields.push_back(std::move(field));
            }
            entries.push_back(std::move(entry));
        }
    }

    // The rows whose records a brewery's history holds: its own, and those
    // of its history entries, now and in the log.
    std::vector<std::pair<QString, qint64>> rowsOf(qint64 brewery)
    {
        std::vector<std::pair<QString, qint64>> rows{{RegisterSchema::BreweryTable, brewery}};
        Cursor entries = m_file.cached(
            "SELECT ChronikId FROM BreweryChronik WHERE ParentRowId = ?1 UNION SELECT RowKey FROM "
            + ChangeLogSchema::LogTable.toUtf8()
            + " WHERE BreweryKey = ?1 AND Bulk IS NULL AND TableName = 'BreweryChronik'");
        entries.bind(1, brewery);
        while (entries.step())
            rows.emplace_back(RegisterSchema::ChronikTable, entries.int64(0));
        return rows;
    }

    // The values a row was added with, where the record of its add in bulk
    // holds none: the row as it stands now, or as its delete recorded it,
    // with every change recorded since taken back, newest first.
    std::vector<QVariant> addedValues(const QString &table, qint64 key, qint64 addedAt)
    {
        const QStringList fields = ChangeLogSchema::fieldsOf(table);
        std::optional<std::vector<QVariant>> state = ReadStoredRow(m_file, table, fields, key);
        QByteArray before;
        for (int i = 0; i < fields.size(); ++i)
            before += ", Before" + QByteArray::number(i);
        Cursor later = m_file.cached("SELECT Kind, Changed" + before + " FROM " + ChangeLogSchema::LogTable.toUtf8()
                                     + " WHERE TableName = ?1 AND RowKey = ?2 AND Bulk IS NULL AND LogId > ?3 "
                                       "ORDER BY LogId DESC");
        later.bind(1, QVariant(table)).bind(2, key).bind(3, addedAt);
        while (later.step()) {
            const qint64 changed = later.int64(1);
            if (!state)
                state.emplace(size_t(fields.size()));
            for (int i = 0; i < fields.size(); ++i) {
                if (changed & (qint64(1) << i))
                    (*state)[size_t(i)] = later.value(2 + i);
            }
        }
        return state.value_or(std::vector<QVariant>(size_t(fields.size())));
    }

    RegisterFile &m_file;
};

} // namespace

std::unique_ptr<ChangeHistory> ChangeHistory::ofFile(RegisterFile &file)
{
    return std::make_unique<FileChangeHistory>(file);
}
