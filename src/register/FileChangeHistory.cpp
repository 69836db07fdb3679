#include "ChangeHistory.h"

#include "ChangeLogSchema.h"
#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "StoreError.h"
#include "Transaction.h"

#include <QTimeZone>
#include <limits>

namespace {

const QString TimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");

QString storedTime(const QDateTime &at)
{
    return at.toUTC().toString(TimeFormat);
}

QDateTime timeOf(const QString &stored)
{
    QDateTime at = QDateTime::fromString(stored, TimeFormat);
    at.setTimeZone(QTimeZone::utc());
    return at;
}

qint64 maskOf(const QString &table, const QString &field)
{
    const qsizetype at = ChangeLogSchema::fieldsOf(table).indexOf(field);
    return at < 0 ? 0 : qint64(1) << at;
}

// The log of a register file, read on the window's own connection: every
// question is one indexed query.
class FileChangeHistory : public ChangeHistory {
public:
    explicit FileChangeHistory(RegisterFile &file) : m_file(file) {}

    bool kept() override
    {
        Cursor table = m_file.cached("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1");
        table.bind(1, QVariant(ChangeLogSchema::LogTable));
        return table.step();
    }

    std::vector<LogEntry> read(const LogFilter &filter, qint64 olderThan, int count) override
    {
        std::vector<LogEntry> entries;
        if (!kept())
            return entries;
        const int most = ChangeLogSchema::MostFields;
        QByteArray columns = "LogId, At, Who, Step, TableName, RowKey, BreweryKey, Kind, Changed";
        for (const char *side : {"Before", "After"}) {
            for (int i = 0; i < most; ++i)
                columns += ", " + QByteArray(side) + QByteArray::number(i);
        }
        std::vector<QVariant> values{olderThan > 0 ? olderThan : std::numeric_limits<qint64>::max()};
        QByteArray where = "LogId < ?1";
        const auto bound = [&](const QVariant &value) {
            values.push_back(value);
            return "?" + QByteArray::number(values.size());
        };
        if (filter.brewery)
            where += " AND BreweryKey = " + bound(*filter.brewery);
        if (filter.who == LogFilter::anotherProgram())
            where += " AND Who IS NULL";
        else if (!filter.who.isEmpty())
            where += " AND Who = " + bound(filter.who);
        if (filter.from.isValid())
            where += " AND At >= " + bound(storedTime(filter.from));
        if (filter.to.isValid())
            where += " AND At < " + bound(storedTime(filter.to));
        if (!filter.step.isEmpty())
            where += " AND instr(lower(Step), lower(" + bound(filter.step) + ")) > 0";
        if (!filter.field.isEmpty()) {
            const QString brewery = RegisterSchema::BreweryTable, chronik = RegisterSchema::ChronikTable;
            where += " AND ((TableName = " + bound(brewery) + " AND Changed & " + bound(maskOf(brewery, filter.field))
                + ") OR (TableName = " + bound(chronik) + " AND Changed & " + bound(maskOf(chronik, filter.field))
                + "))";
        }
        Cursor rows = m_file.cached("SELECT " + columns + " FROM " + ChangeLogSchema::LogTable.toUtf8() + " WHERE "
                                    + where + " ORDER BY LogId DESC LIMIT " + bound(count));
        for (size_t i = 0; i < values.size(); ++i)
            rows.bind(int(i + 1), values[i]);
        while (rows.step()) {
            LogEntry entry;
            entry.id = rows.int64(0);
            entry.at = timeOf(rows.text(1));
            entry.who = rows.text(2);
            entry.step = rows.text(3);
            entry.table = rows.text(4);
            entry.rowKey = rows.int64(5);
            entry.breweryKey = rows.int64(6);
            const QString kind = rows.text(7);
            entry.kind = kind == QLatin1String("added")     ? LogEntry::Kind::Added
                : kind == QLatin1String("deleted") ? LogEntry::Kind::Deleted
                                                   : LogEntry::Kind::Changed;
            const qint64 changed = rows.int64(8);
            const QStringList fields = ChangeLogSchema::fieldsOf(entry.table);
            for (int i = 0; i < fields.size() && i < most; ++i) {
                if (!(changed & (qint64(1) << i)))
                    continue;
                LogEntry::Field field{fields[i], std::nullopt, std::nullopt};
                if (entry.kind != LogEntry::Kind::Added)
                    field.before = rows.value(9 + i);
                if (entry.kind != LogEntry::Kind::Deleted)
                    field.after = rows.value(9 + most + i);
                entry.fields.push_back(std::move(field));
            }
            entries.push_back(std::move(entry));
        }
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
            Cursor oldest = m_file.cached("SELECT At FROM " + table + " ORDER BY LogId LIMIT 1");
            if (oldest.step())
                size.oldest = timeOf(oldest.text(0));
        }
        try {
            Cursor bytes = m_file.cached("SELECT sum(pgsize) FROM dbstat WHERE name = ?1 OR name = ?2");
            bytes.bind(1, QVariant(ChangeLogSchema::LogTable))
                .bind(2, QVariant(ChangeLogSchema::LogTable + QStringLiteral("Brewery")));
            if (bytes.step())
                size.bytes = bytes.int64(0);
        } catch (const StoreError &) {
            // SQLite built without its page statistics: the size stays unknown.
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
            Cursor drop = m_file.cached("DELETE FROM " + ChangeLogSchema::LogTable.toUtf8() + " WHERE At < ?1");
            drop.bind(1, QVariant(storedTime(before))).run();
            dropped = m_file.changes();
        }
        tx.commit();
        return dropped;
    }

private:
    RegisterFile &m_file;
};

} // namespace

std::unique_ptr<ChangeHistory> ChangeHistory::ofFile(RegisterFile &file)
{
    return std::make_unique<FileChangeHistory>(file);
}
