#include "ChangeHistory.h"

#include "ChangeLogSchema.h"
#include "PgConnection.h"
#include "StoreError.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <limits>

namespace {

const QString Failed = QStringLiteral("Could not read the shared register's history");

// A field's value as the log's JSON holds it: a text, or Null.
QVariant valueOf(const QJsonValue &value)
{
    if (value.isNull())
        return QVariant();
    if (value.isDouble())
        return QVariant(qint64(value.toDouble()));
    return QVariant(value.toString());
}

// The log a shared register's server keeps (sudregister_log), read on the
// window's connection to it.
class SharedChangeHistory : public ChangeHistory {
public:
    explicit SharedChangeHistory(PgConnection &server) : m_server(server) {}

    bool kept() override
    {
        return m_server.exec("SELECT to_regclass('sudregister_log') IS NOT NULL", {}, Failed).text(0, 0)
            == QLatin1String("t");
    }

    std::vector<LogEntry> read(const LogFilter &filter, qint64 olderThan, int count) override
    {
        std::vector<LogEntry> entries;
        if (!kept())
            return entries;
        std::vector<QVariant> values{olderThan > 0 ? olderThan : std::numeric_limits<qint64>::max()};
        QByteArray where = "\"LogId\" < $1";
        const auto bound = [&](const QVariant &value) {
            values.push_back(value);
            return "$" + QByteArray::number(values.size());
        };
        if (filter.brewery)
            where += " AND \"BreweryKey\" = " + bound(*filter.brewery);
        // The server names everyone; another program names no step.
        if (filter.who == LogFilter::anotherProgram())
            where += " AND \"Step\" IS NULL";
        else if (!filter.who.isEmpty())
            where += " AND \"Who\" = " + bound(filter.who);
        if (filter.from.isValid())
            where += " AND \"At\" >= " + bound(filter.from.toUTC().toString(Qt::ISODateWithMs)) + "::timestamptz";
        if (filter.to.isValid())
            where += " AND \"At\" < " + bound(filter.to.toUTC().toString(Qt::ISODateWithMs)) + "::timestamptz";
        if (!filter.step.isEmpty())
            where += " AND strpos(lower(\"Step\"), lower(" + bound(filter.step) + ")) > 0";
        if (!filter.field.isEmpty()) {
            const QByteArray field = bound(filter.field);
            where += " AND (\"Before\" ? " + field + " OR \"After\" ? " + field + ")";
        }
        const PgResult rows = m_server.exec(
            "SELECT \"LogId\", to_char(\"At\" AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS.MS'), \"Who\", \"Step\", "
            "\"TableName\", \"RowKey\", \"BreweryKey\", \"Kind\", \"Before\"::text, \"After\"::text "
            "FROM sudregister_log WHERE " + where + " ORDER BY \"LogId\" DESC LIMIT " + bound(count),
            values, Failed);
        for (int row = 0; row < rows.rows(); ++row) {
            LogEntry entry;
            entry.id = rows.int64(row, 0);
            entry.at = ChangeLogSchema::timeOf(rows.text(row, 1));
            entry.who = rows.text(row, 2);
            entry.step = rows.text(row, 3);
            entry.table = rows.text(row, 4);
            entry.rowKey = rows.int64(row, 5);
            entry.breweryKey = rows.int64(row, 6);
            entry.kind = LogEntry::kindOf(rows.text(row, 7));
            const QJsonObject before = QJsonDocument::fromJson(rows.utf8(row, 8).toByteArray()).object();
            const QJsonObject after = QJsonDocument::fromJson(rows.utf8(row, 9).toByteArray()).object();
            for (const QString &name : ChangeLogSchema::fieldsOf(entry.table)) {
                if (!before.contains(name) && !after.contains(name))
                    continue;
                LogEntry::Field field{name, std::nullopt, std::nullopt};
                if (entry.kind != LogEntry::Kind::Added)
                    field.before = valueOf(before.value(name));
                if (entry.kind != LogEntry::Kind::Deleted)
                    field.after = valueOf(after.value(name));
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
        const PgResult found = m_server.exec(
            "SELECT count(*), to_char(min(\"At\") AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS.MS'), "
            "pg_total_relation_size('sudregister_log') FROM sudregister_log",
            {}, Failed);
        size.entries = found.int64(0, 0);
        size.oldest = ChangeLogSchema::timeOf(found.text(0, 1));
        size.bytes = found.int64(0, 2);
        return size;
    }

    bool mayCompact() const override { return false; }

    qint64 compact(const QDateTime &) override
    {
        throw StoreError(QStringLiteral("The history of a shared register is kept by its server; only its "
                                        "administrator can shorten it."),
                         QStringLiteral("Shared register"));
    }

private:
    PgConnection &m_server;
};

} // namespace

std::unique_ptr<ChangeHistory> ChangeHistory::ofServer(PgConnection &server)
{
    return std::make_unique<SharedChangeHistory>(server);
}
