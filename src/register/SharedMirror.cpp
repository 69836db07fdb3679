#include "SharedMirror.h"

#include "PgConnection.h"
#include "RegisterSchema.h"
#include "SharedSchema.h"
#include "StoreError.h"
#include "StoredRow.h"
#include "StoredValue.h"
#include "Transaction.h"

#include <QSet>
#include <algorithm>
#include <future>

using namespace RegisterSchema;

namespace {

// Rows read from the server a batch at a time: a million breweries never
// lie in memory at once.
constexpr int FetchRows = 20000;

QString keyOf(const QString &table)
{
    return table == BreweryTable ? BreweryKey : ChronikKey;
}

// Every field of `table`, its key first, as both stores name them.
QStringList fieldsOf(const QString &table)
{
    return table == BreweryTable ? BreweryFields : QStringList{ChronikKey} + ChronikFields;
}

QByteArray columnList(const QStringList &fields)
{
    QByteArray list;
    for (const QString &field : fields)
        list += (list.isEmpty() ? "" : ", ") + QuotedName(field);
    return list;
}

std::vector<QVariant> rowOf(const PgResult &rows, int row)
{
    std::vector<QVariant> values;
    values.reserve(size_t(rows.columns()));
    for (int column = 0; column < rows.columns(); ++column)
        values.push_back(rows.value(row, column));
    return values;
}

// "INSERT …": a row the file does not have.
QByteArray insertOf(const QString &table)
{
    const QStringList fields = fieldsOf(table);
    QByteArray places;
    for (int i = 0; i < fields.size(); ++i)
        places += (i ? ", ?" : "?") + QByteArray::number(i + 1);
    return "INSERT INTO " + QuotedName(table) + " (" + columnList(fields) + ") VALUES (" + places + ")";
}

// "INSERT … ON CONFLICT DO UPDATE": the row as the server holds it, whether
// the file has it or not.
QByteArray upsertOf(const QString &table)
{
    const QStringList fields = fieldsOf(table);
    QByteArray set;
    for (int i = 1; i < fields.size(); ++i)
        set += (i > 1 ? ", " : "") + QuotedName(fields[i]) + " = excluded." + QuotedName(fields[i]);
    return insertOf(table) + " ON CONFLICT(" + QuotedName(keyOf(table)) + ") DO UPDATE SET " + set;
}

// Row `row` of `rows` into the file as it came, without a detour through
// QVariant: a million breweries are copied this way.
void insert(RegisterFile &file, const QByteArray &sql, const PgResult &rows, int row)
{
    Cursor insert = file.cached(sql);
    for (int column = 0; column < rows.columns(); ++column) {
        if (rows.isNull(row, column))
            insert.bind(column + 1, QVariant());
        else if (rows.isInteger(column))
            insert.bind(column + 1, rows.int64(row, column));
        else
            insert.bindText(column + 1, rows.utf8(row, column));
    }
    insert.run();
}

void put(RegisterFile &file, const QByteArray &upsert, const std::vector<QVariant> &row)
{
    Cursor insert = file.cached(upsert);
    for (size_t i = 0; i < row.size(); ++i)
        insert.bind(int(i + 1), row[i]);
    insert.run();
}

// "{1,2,3}": keys as one array parameter.
QString arrayOf(const QList<qint64> &keys)
{
    QStringList texts;
    for (qint64 key : keys)
        texts << QString::number(key);
    return QLatin1Char('{') + texts.join(QLatin1Char(',')) + QLatin1Char('}');
}

} // namespace

SharedMirror::SharedMirror(std::unique_ptr<PgConnection> server, const QString &path)
    : m_server(std::move(server)), m_path(path)
{
    const SharedSchema::Prepared prepared = SharedSchema::prepare(*m_server);
    m_mayChange = prepared.mayChange;
    m_recordsChanges = prepared.recordsChanges;
    // Servers before PostgreSQL 14 have no such limit.
    const PgResult idle = m_server->exec("SELECT setting::bigint FROM pg_settings WHERE name = 'idle_session_timeout'");
    m_idleLimitMs = idle.rows() == 1 ? idle.int64(0, 0) : 0;
    // Made a register here, on the window's thread: download() may fill it
    // on another.
    RegisterFile::open(m_path);
    m_listener = m_server->another();
    m_listener->listen(SharedSchema::Channel);
}

SharedMirror::~SharedMirror() = default;

QString SharedMirror::user() const
{
    return m_server->user();
}

int SharedMirror::socket() const
{
    return m_listener->socket();
}

bool SharedMirror::hears() const
{
    return m_listener->isOpen();
}

void SharedMirror::download(const Progress &progress)
{
    const std::unique_ptr<RegisterFile> file = RegisterFile::openScratch(m_path);
    // The file is the window's copy, read anew whenever it is opened: it
    // needs no syncing to disk, and the copy's pages stay in memory until
    // it commits.
    file->exec("PRAGMA synchronous = OFF");
    file->exec("PRAGMA cache_size = -524288");
    Transaction tx(*file);
    copyAnew(*file, progress);
    tx.commit();
}

void SharedMirror::copyAnew(RegisterFile &file, const Progress &progress)
{
    // A brewery and its history arrive in either order.
    file.exec("PRAGMA defer_foreign_keys = ON");
    file.exec(("DELETE FROM " + QuotedName(ChronikTable) + "; DELETE FROM " + QuotedName(BreweryTable)).constData());
    copyTables(file, progress);
}

void SharedMirror::copyTables(RegisterFile &file, const Progress &progress)
{
    // Both tables as one moment saw them: a history entry never arrives
    // without its brewery.
    m_server->exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
    try {
        const qint64 total = m_server
                                 ->exec("SELECT (SELECT count(*) FROM " + QuotedName(BreweryTable)
                                        + ") + (SELECT count(*) FROM " + QuotedName(ChronikTable) + ")")
                                 .int64(0, 0);
        // What is recorded from this moment on is what the copy misses.
        if (m_recordsChanges)
            m_changes.startWith(*m_server);
        qint64 copied = 0;
        for (const QString &table : {BreweryTable, ChronikTable}) {
            const QByteArray sql = insertOf(table);
            m_server->exec("DECLARE mirrored NO SCROLL CURSOR FOR SELECT " + columnList(fieldsOf(table)) + " FROM "
                               + QuotedName(table),
                           {}, QStringLiteral("Could not read the shared register"));
            const auto fetch = [this] {
                return m_server->exec("FETCH " + QByteArray::number(FetchRows) + " FROM mirrored", {},
                                      QStringLiteral("Could not read the shared register"));
            };
            // The next rows come from the server on a thread of their own
            // while the file takes these: the server and the file work at
            // once, each on a core.
            std::future<PgResult> next = std::async(std::launch::async, fetch);
            for (;;) {
                const PgResult rows = next.get();
                const bool last = rows.rows() < FetchRows;
                if (!last)
                    next = std::async(std::launch::async, fetch);
                for (int row = 0; row < rows.rows(); ++row)
                    insert(file, sql, rows, row);
                copied += rows.rows();
                if (progress)
                    progress(copied, total);
                if (last)
                    break;
            }
            m_server->exec("CLOSE mirrored");
        }
        m_server->exec("COMMIT");
    } catch (const StoreError &) {
        if (m_server->isOpen())
            m_server->exec("ROLLBACK");
        throw;
    }
}

QStringList SharedMirror::editorsNow()
{
    // The server's own list of sessions: names only, never where from.
    const PgResult found = writer().exec("SELECT DISTINCT usename::text FROM pg_stat_activity WHERE datname = "
                                         "current_database() AND application_name = 'Sudregister' ORDER BY 1",
                                         {}, QStringLiteral("Could not read who is working on the register"));
    QStringList names;
    for (int row = 0; row < found.rows(); ++row)
        names << found.text(row, 0);
    return names;
}

PgConnection &SharedMirror::writer()
{
    if (!m_server->isOpen()) {
        try {
            m_server->reconnect();
        } catch (const StoreError &e) {
            throw StoreError(e.message() + QStringLiteral(" Nothing was written; what was typed is kept and stored once "
                                                          "the server answers."),
                             e.component(), StoreError::ConnectionLost);
        }
    }
    return *m_server;
}

void SharedMirror::listenAgain()
{
    m_listener->reconnect();
    if (!m_server->isOpen())
        m_server->reconnect();
    download();
}

void SharedMirror::awaitAnnounced()
{
    m_listener->exec("SELECT 1");
}

namespace {

// How many breweries and history entries a connection sees.
std::pair<qint64, qint64> countsOf(RegisterFile &file)
{
    Cursor counted = file.cached("SELECT (SELECT count(*) FROM " + QuotedName(BreweryTable) + "), (SELECT count(*) FROM "
                                 + QuotedName(ChronikTable) + ")");
    counted.step();
    return {counted.int64(0), counted.int64(1)};
}

std::pair<qint64, qint64> countsOf(PgConnection &server)
{
    const PgResult counted = server.exec("SELECT (SELECT count(*) FROM " + QuotedName(BreweryTable)
                                         + "), (SELECT count(*) FROM " + QuotedName(ChronikTable) + ")");
    return {counted.int64(0, 0), counted.int64(0, 1)};
}

} // namespace

bool SharedMirror::resume(const QString &place, QString &why)
{
    why.clear();
    if (!m_recordsChanges || !m_changes.resumeAt(place)) {
        why = QStringLiteral("the server keeps no record of what changed since");
        return false;
    }
    const std::unique_ptr<RegisterFile> file = RegisterFile::openScratch(m_path);
    file->exec("PRAGMA synchronous = OFF");
    for (const QString &table : {BreweryTable, ChronikTable}) {
        for (const QString &field : fieldsOf(table)) {
            if (!file->fieldsOf(table).contains(field, Qt::CaseInsensitive)) {
                why = QStringLiteral("it was made by another version of the program");
                return false;
            }
        }
    }
    // The record and the rows it names as one moment saw them.
    m_server->exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", {},
                   QStringLiteral("Could not read what changed in the shared register"));
    try {
        const ChangeRecord::Changes changes = m_changes.read(*m_server);
        if (changes.whole) {
            why = QStringLiteral("more changed since than is worth copying row by row");
        } else {
            Transaction tx(*file);
            file->exec("PRAGMA defer_foreign_keys = ON");
            for (auto table = changes.keys.cbegin(); table != changes.keys.cend(); ++table) {
                if (table.key() == BreweryTable || table.key() == ChronikTable)
                    copyRows(*file, table.key(), table.value().values());
            }
            // A copy that does not hold as many rows as the server (a file
            // changed by hand, a record cut short) is not trusted.
            if (countsOf(*file) == countsOf(*m_server)) {
                tx.commit();
                m_changes.taken();
            } else {
                why = QStringLiteral("it no longer matched the register");
            }
        }
        m_server->exec("COMMIT");
    } catch (const StoreError &e) {
        if (m_server->isOpen())
            m_server->exec("ROLLBACK");
        if (e.isConnectionLost() || !m_server->isOpen())
            throw;
        why = QStringLiteral("it could not be read (%1)").arg(e.message());
    }
    return why.isEmpty();
}

SharedMirror::Arrived SharedMirror::catchUp(RegisterFile &window)
{
    // Announcements only wake the window: what they say is not taken.
    m_listener->takeNotifications();
    // A register set up before the server recorded its changes is copied
    // anew whole at every wake-up.
    const ChangeRecord::Changes changes = m_recordsChanges ? m_changes.read(*m_server) : ChangeRecord::Changes{{}, true};
    Arrived arrived;
    if (changes.whole) {
        // On a connection of its own: the window's lists see another
        // program's change and are read anew.
        const std::unique_ptr<RegisterFile> file = RegisterFile::openScratch(m_path);
        Transaction tx(*file);
        copyAnew(*file, {});
        tx.commit();
        arrived.whole = true;
        return arrived;
    }
    if (!changes.none()) {
        Transaction tx(window);
        window.exec("PRAGMA defer_foreign_keys = ON");
        for (auto table = changes.keys.cbegin(); table != changes.keys.cend(); ++table) {
            if (table.key() != BreweryTable && table.key() != ChronikTable)
                continue;
            const std::vector<qint64> changed = copyRows(window, table.key(), table.value().values());
            if (table.key() == BreweryTable)
                arrived.breweries = changed;
            else
                arrived.history = !changed.empty();
        }
        tx.commit();
    }
    m_changes.taken();
    return arrived;
}

std::vector<qint64> SharedMirror::copyRows(RegisterFile &file, const QString &table, const QList<qint64> &keys)
{
    const QStringList fields = fieldsOf(table);
    const PgResult rows = m_server->exec("SELECT " + columnList(fields) + " FROM " + QuotedName(table) + " WHERE "
                                             + QuotedName(keyOf(table)) + " = ANY($1::bigint[])",
                                         {arrayOf(keys)}, QStringLiteral("Could not read the shared register"));
    QSet<qint64> gone(keys.cbegin(), keys.cend());
    const QByteArray upsert = upsertOf(table);
    std::vector<qint64> changed;
    for (int row = 0; row < rows.rows(); ++row) {
        const std::vector<QVariant> stored = rowOf(rows, row);
        const qint64 key = stored.front().toLongLong();
        gone.remove(key);
        // The window's own writes are announced too; they are here already.
        const std::optional<std::vector<QVariant>> mirrored = ReadStoredRow(file, table, fields, key);
        if (mirrored && SameStoredRow(*mirrored, stored))
            continue;
        put(file, upsert, stored);
        changed.push_back(key);
    }
    for (qint64 key : gone) {
        Cursor remove = file.cached("DELETE FROM " + QuotedName(table) + " WHERE rowid = ?1");
        remove.bind(1, key).run();
        if (file.changes() > 0)
            changed.push_back(key);
    }
    return changed;
}

namespace {

// "\"Schlenkerla\" (Bamberg)": the brewery a group deletes, as the user
// saw it.
QString deletedBrewery(const RowChanges &changes)
{
    for (const RowChange &change : changes) {
        if (change.table != BreweryTable || !change.before || change.after)
            continue;
        const auto field = [&](const QString &name) {
            const qsizetype at = change.fields.indexOf(name);
            return at >= 0 ? change.before->at(size_t(at)).toString() : QString();
        };
        return QStringLiteral("\"%1\" (%2)").arg(field(QStringLiteral("BreweryName")), field(QStringLiteral("CityName")));
    }
    return QString();
}

} // namespace

void SharedMirror::send(const RowChanges &changes, const QString &step)
{
    // A group that only adds rows (an import) adds its breweries first and
    // then their history, whatever the order here, so that few statements
    // add them all; any other group keeps its order.
    std::vector<const RowChange *> order;
    for (const RowChange &change : changes)
        order.push_back(&change);
    if (std::ranges::none_of(changes, [](const RowChange &change) { return change.before.has_value(); }))
        std::ranges::stable_partition(order, [](const RowChange *change) { return change->table == BreweryTable; });
    writer().exec("BEGIN", {}, QStringLiteral("Could not store the change"));
    try {
        // The server's log names the step; who made it, it knows itself.
        m_server->exec("SELECT set_config('sudregister.step', $1, true)", {step},
                       QStringLiteral("Could not store the change"));
        // The server makes the very changes the file made, checked against
        // the rows as the window showed them: a write against another
        // editor's change finds no row and is refused.
        const RowWriter rows(RowWriter::Dialect::Postgres, m_server->rowRunner(QStringLiteral("Could not store the change")));
        rows.writeAll(order);
        m_server->exec("COMMIT", {}, QStringLiteral("Could not store the change"));
    } catch (const StoreError &e) {
        if (m_server->isOpen())
            m_server->exec("ROLLBACK");
        // A history entry added under a brewery another editor deleted is
        // told as such by whoever added it; a brewery another editor gave
        // history meanwhile, a key taken, are changes made by another
        // editor.
        const bool adds = std::ranges::none_of(changes, [](const RowChange &change) { return change.before.has_value(); });
        if (e.isForeignKey() && adds)
            throw;
        if (e.isForeignKey())
            throw StoreError(QStringLiteral("The delete of brewery %1 was refused: another editor added a history entry "
                                            "to it meanwhile. Nothing was deleted; the lists now show the register as "
                                            "it is stored.")
                                 .arg(deletedBrewery(changes)),
                             QStringLiteral("Register"), StoreError::RowChangedElsewhere);
        if (e.isConstraint())
            throw StoreError::rowChangedElsewhere(true);
        throw;
    }
}

std::vector<qint64> SharedMirror::newKeys(const QString &table, int count)
{
    const PgResult given = writer().exec("SELECT nextval(pg_get_serial_sequence($1, $2)) FROM generate_series(1, $3)",
                                         {QString::fromUtf8(QuotedName(table)), keyOf(table), count},
                                         QStringLiteral("Could not add the row"));
    std::vector<qint64> keys;
    for (int row = 0; row < count; ++row)
        keys.push_back(given.int64(row, 0));
    return keys;
}
