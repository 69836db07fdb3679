#include "RegisterFile.h"

#include "GermanCollation.h"
#include "RegisterSchema.h"
#include "StoreError.h"

#include <QFile>
#include <QFileInfo>

namespace {

// How long a write waits for another program that holds the file.
constexpr int BusyTimeoutMs = 2000;

QHash<QString, std::weak_ptr<RegisterFile>> &openFiles()
{
    static QHash<QString, std::weak_ptr<RegisterFile>> files;
    return files;
}

[[noreturn]] void refuse(const QString &path, const QString &why)
{
    throw StoreError(QStringLiteral("%1 is not a Sudregister register: %2").arg(path, why));
}

} // namespace

std::shared_ptr<RegisterFile> RegisterFile::open(const QString &path)
{
    const QString key = QFileInfo(path).absoluteFilePath();
    if (auto existing = openFiles().value(key).lock())
        return existing;
    std::shared_ptr<RegisterFile> file(new RegisterFile(path));
    openFiles().insert(key, file);
    return file;
}

RegisterFile::RegisterFile(const QString &path) : m_path(path)
{
    const QFileInfo info(path);
    if (info.isDir())
        refuse(path, QStringLiteral("it is a directory"));
    const bool create = !info.exists();
    // A register, or a directory, that its owner has marked read-only is
    // opened for reading only, whoever runs the program: it is shown, and
    // every change is refused with a clear message.
    const bool marked = !(QFile::permissions(QFileInfo(path).absolutePath()) & QFileDevice::WriteOwner)
        || (!create && !(QFile::permissions(path) & QFileDevice::WriteOwner));
    if (create && marked)
        throw StoreError(QStringLiteral("Cannot create the register %1: its directory is read-only.").arg(path));

    sqlite3 *raw = nullptr;
    // The connection is only ever used from the window's thread, so it needs
    // none of SQLite's own locking between threads.
    const int flags = (marked ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX
        | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, flags, nullptr);
    m_db.reset(raw);
    if (rc != SQLITE_OK) {
        const QString why = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QString::fromUtf8(sqlite3_errstr(rc));
        throw StoreError(QStringLiteral("Cannot open the register %1: %2").arg(path, why));
    }
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, BusyTimeoutMs);
    if (!InstallGermanCollation(raw))
        throw StoreError(QStringLiteral("Cannot set up German ordering for %1: ICU has no collator for \"de\"").arg(path));

    if (create)
        createSchema();
    checkSchema();
    exec("PRAGMA foreign_keys = ON");
    // Room for the brewery table of a large register: scattered reads (the
    // jump list, the cursor's history queries) then stay in memory.
    exec("PRAGMA cache_size = -32768");
}

RegisterFile::~RegisterFile()
{
    // Statements must be finalized before the connection closes.
    m_statements.clear();
}

void RegisterFile::createSchema()
{
    exec("BEGIN IMMEDIATE");
    try {
        exec(RegisterSchema::CreateStatements);
        exec("COMMIT");
    } catch (...) {
        sqlite3_exec(handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void RegisterFile::checkSchema()
{
    const auto require = [this](const QString &table, const QStringList &fields) {
        QStringList present;
        try {
            present = fieldsOf(table);
        } catch (const StoreError &e) {
            if (e.message().contains(m_path))
                throw;
            refuse(m_path, e.message());
        }
        if (present.isEmpty())
            refuse(m_path, QStringLiteral("it has no table %1").arg(table));
        QStringList missing;
        for (const QString &field : fields) {
            if (!present.contains(field, Qt::CaseInsensitive))
                missing << field;
        }
        if (!missing.isEmpty())
            refuse(m_path, QStringLiteral("table %1 lacks the field(s) %2").arg(table, missing.join(QStringLiteral(", "))));
    };
    require(RegisterSchema::BreweryTable, RegisterSchema::BreweryFields);
    require(RegisterSchema::ChronikTable, RegisterSchema::ChronikFields);
}

Statement &RegisterFile::cached(const QByteArray &sql)
{
    auto it = m_statements.find(sql);
    if (it == m_statements.end())
        it = m_statements.insert(sql, std::make_shared<Statement>(*this, sql));
    Statement &statement = **it;
    statement.reset();
    return statement;
}

void RegisterFile::exec(const char *sql)
{
    const int rc = sqlite3_exec(handle(), sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(rc, QString());
}

QStringList RegisterFile::fieldsOf(const QString &table)
{
    const QString key = table.toLower();
    if (auto it = m_fields.constFind(key); it != m_fields.constEnd())
        return *it;
    Statement info(*this, "SELECT name FROM pragma_table_info(?1)");
    info.bind(1, QVariant(table));
    QStringList names;
    while (info.step())
        names << info.text(0);
    if (!names.isEmpty())
        m_fields.insert(key, names);
    return names;
}

QString RegisterFile::keyFieldOf(const QString &table)
{
    const QString key = table.toLower();
    if (auto it = m_keyFields.constFind(key); it != m_keyFields.constEnd())
        return *it;
    Statement pk(*this, "SELECT name FROM pragma_table_info(?1) WHERE pk = 1 AND upper(type) = 'INTEGER'");
    pk.bind(1, QVariant(table));
    const QString name = pk.step() ? pk.text(0) : QString();
    m_keyFields.insert(key, name);
    return name;
}

void RegisterFile::fail(int rc, const QString &context) const
{
    const QString store = QString::fromUtf8(sqlite3_errmsg(handle()));
    QString message;
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        message = QStringLiteral("The register %1 is in use by another program; try again once it is closed (%2).")
                      .arg(m_path, store);
        break;
    case SQLITE_READONLY:
        message = QStringLiteral("The register %1 is read-only; the change was not stored (%2).").arg(m_path, store);
        break;
    case SQLITE_FULL:
        message = QStringLiteral("The register %1 is full, the change was not stored: %2.").arg(m_path, store);
        break;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        message = QStringLiteral("%1 is not a Sudregister register: %2").arg(m_path, store);
        break;
    default:
        message = context.isEmpty() ? store : QStringLiteral("%1: %2").arg(context, store);
    }
    throw StoreError(message);
}
