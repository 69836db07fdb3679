#include "SharedSchema.h"

#include "PgConnection.h"
#include "RegisterSchema.h"
#include "SharedSchemaSql.h"
#include "StoreError.h"

#include <QSet>

namespace {

const QString Component = QStringLiteral("Shared register");

QString quoted(const QString &name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QSet<QString> tablesIn(PgConnection &connection)
{
    const PgResult found = connection.exec("SELECT c.relname FROM pg_class c "
                                           "JOIN pg_namespace n ON n.oid = c.relnamespace "
                                           "WHERE n.nspname = current_schema() "
                                           "AND c.relkind IN ('r', 'p', 'v', 'm', 'f')",
                                           {}, QStringLiteral("Could not read which tables the database holds"));
    QSet<QString> tables;
    for (int row = 0; row < found.rows(); ++row)
        tables.insert(found.text(row, 0));
    return tables;
}

void requireFields(PgConnection &connection, const QString &table, const QStringList &fields)
{
    const PgResult found = connection.exec("SELECT attname FROM pg_attribute WHERE attrelid = $1::regclass "
                                           "AND attnum > 0 AND NOT attisdropped",
                                           {quoted(table)}, QStringLiteral("Could not read the register's fields"));
    QSet<QString> present;
    for (int row = 0; row < found.rows(); ++row)
        present.insert(found.text(row, 0));
    for (const QString &field : fields) {
        if (!present.contains(field))
            throw StoreError(QStringLiteral("The table \"%1\" of the shared register %2 has no field \"%3\"; it is "
                                            "not a register and was left as it is.")
                                 .arg(table, connection.address().displayName(), field),
                             Component);
    }
}

bool mayChange(PgConnection &connection)
{
    QStringList asked;
    for (const QString &table : {RegisterSchema::BreweryTable, RegisterSchema::ChronikTable}) {
        for (const char *right : {"INSERT", "UPDATE", "DELETE"})
            asked << QStringLiteral("has_table_privilege('%1', '%2')").arg(quoted(table), QLatin1String(right));
    }
    const PgResult answer = connection.exec(
        "SELECT " + asked.join(QStringLiteral(" AND ")).toUtf8()
            + " AND NOT current_setting('transaction_read_only')::boolean",
        {}, QStringLiteral("Could not read what the user may do"));
    return answer.text(0, 0) == QLatin1String("t");
}

// Runs `work` once, whichever window comes first: two windows opening
// the same database at once wait for each other here. Rolls back on a
// failure.
template <typename Work> void onceForAll(PgConnection &connection, Work work)
{
    connection.exec("BEGIN");
    try {
        connection.exec("SELECT pg_advisory_xact_lock(hashtext('sudregister schema'))");
        work();
        connection.exec("COMMIT");
    } catch (const StoreError &) {
        if (connection.isOpen())
            connection.exec("ROLLBACK");
        throw;
    }
}

bool holds(PgConnection &connection, const char *table)
{
    return connection.exec("SELECT to_regclass($1) IS NOT NULL", {QString::fromLatin1(table)}).text(0, 0)
        == QLatin1String("t");
}

bool recordsChanges(PgConnection &connection)
{
    return holds(connection, "sudregister_changes");
}

bool keepsLog(PgConnection &connection)
{
    return holds(connection, "sudregister_log");
}

// Adds what a register set up by an older version lacks, where the user may
// (the tables' owner); true when it is there.
bool addIfMissing(PgConnection &connection, bool (*present)(PgConnection &), const char *statements,
                  const QString &failed)
{
    if (present(connection))
        return true;
    try {
        onceForAll(connection, [&] {
            if (!present(connection))
                connection.runScript(statements, failed);
        });
        return true;
    } catch (const StoreError &) {
        if (!connection.isOpen())
            throw;
        return false;
    }
}

} // namespace

SharedSchema::Prepared SharedSchema::prepare(PgConnection &connection)
{
    const QString shown = connection.address().displayName();
    const QString brewery = RegisterSchema::BreweryTable;
    const QString chronik = RegisterSchema::ChronikTable;
    QSet<QString> tables = tablesIn(connection);
    if (!tables.contains(brewery) && !tables.contains(chronik)) {
        if (!tables.isEmpty())
            throw StoreError(QStringLiteral("The database %1 holds other tables and no register; it was left as it is. "
                                            "Open an empty database or one set up as a register.")
                                 .arg(shown),
                             Component);
        const bool mayCreate =
            connection.exec("SELECT has_schema_privilege(current_schema(), 'CREATE')").text(0, 0) == QLatin1String("t");
        if (!mayCreate)
            throw StoreError(QStringLiteral("The database %1 holds no register, and user %2 may not set one up there. "
                                            "Its administrator sets it up with scripts/setup-shared-register.")
                                 .arg(shown, connection.user()),
                             Component);
        onceForAll(connection, [&] {
            if (!tablesIn(connection).isEmpty())
                return;
            const QString failed = QStringLiteral("Could not set up the shared register %1").arg(shown);
            connection.runScript(SharedSchemaSql::CreateStatements, failed);
            connection.runScript(SharedSchemaSql::ChangeRecordStatements, failed);
            connection.runScript(SharedSchemaSql::LogStatements, failed);
        });
        tables = tablesIn(connection);
    }
    for (const QString &table : {brewery, chronik}) {
        if (!tables.contains(table))
            throw StoreError(QStringLiteral("The database %1 holds the table \"%2\" but not \"%3\"; it is not a whole "
                                            "register and was left as it is.")
                                 .arg(shown, table == brewery ? chronik : brewery, table),
                             Component);
    }
    requireFields(connection, brewery, RegisterSchema::BreweryFields);
    requireFields(connection, chronik, RegisterSchema::ChronikFields + QStringList{RegisterSchema::ChronikKey});
    // Only the tables' owner may add them; without the record, anyone else
    // copies the whole register whenever woken, as before, and without the
    // log the history window says it is not kept.
    Prepared prepared{mayChange(connection), false, false};
    prepared.recordsChanges = addIfMissing(connection, recordsChanges, SharedSchemaSql::ChangeRecordStatements,
                                           QStringLiteral("Could not add the record of changes to %1").arg(shown));
    prepared.keepsLog = addIfMissing(connection, keepsLog, SharedSchemaSql::LogStatements,
                                     QStringLiteral("Could not add the log of changes to %1").arg(shown));
    return prepared;
}
