#include "RegisterFile.h"

#include "GermanCollation.h"
#include "ProcessGone.h"
#include "RegisterIdentity.h"
#include "RegisterLocation.h"
#include "RegisterSchema.h"
#include "StoreError.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QScopeGuard>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <utility>
#include <sqlite3.h>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QHash<QString, std::weak_ptr<RegisterFile>> &openFiles()
{
    static QHash<QString, std::weak_ptr<RegisterFile>> files;
    return files;
}

[[noreturn]] void refuse(const QString &path, const QString &why, int code = 0)
{
    throw StoreError(QStringLiteral("%1 is not a Sudregister register: %2").arg(path, why), QStringLiteral("Register"),
                     code);
}

// The file a register is made in before it is moved into place, named by
// the process that makes it. Earlier versions marked it ".new-" only.
const QString ScratchMark = QStringLiteral(".sudregister-new-");

// What the path names when it is no file a register can live in, told in
// words rather than as whatever SQLite makes of it ("disk I/O error").
void refuseWhatIsNoFile(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        if (errno == ELOOP)
            throw StoreError(QStringLiteral("Cannot open the register %1: it is a loop of symbolic links, which "
                                            "leads to no file.")
                                 .arg(path),
                             QStringLiteral("Register"), SQLITE_CANTOPEN);
        return;
    }
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        throw StoreError(QStringLiteral("Cannot open the register %1: it is not a regular file (a pipe, a device or "
                                        "a socket); a register is a file.")
                             .arg(path),
                         QStringLiteral("Register"), SQLITE_CANTOPEN);
}

// The earlier program kept its register in a Microsoft Access file of the
// same name: told as such, with the way its data comes over.
void refuseAccessFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray header = file.read(32);
    if (!header.mid(4).startsWith("Standard Jet DB") && !header.mid(4).startsWith("Standard ACE DB"))
        return;
    throw StoreError(QStringLiteral("%1 is a Microsoft Access database, as the earlier program kept its register; "
                                    "Sudregister cannot read it as it is. Save the report of it with the earlier "
                                    "program, then bring that report into a register with File > Import… "
                                    "(or sudregister-import).")
                         .arg(path),
                     QStringLiteral("Register"), SQLITE_NOTADB);
}

// The longest name the store adds to a register's own, for the scratch
// file it is made in and that file's journal.
qsizetype longestScratchSuffix()
{
    return (ScratchMark + QStringLiteral("%1-journal")).arg(INT_MAX).size();
}

// A name the folder cannot hold, with the files SQLite keeps beside it, is
// told as such; SQLite would name a scratch file instead.
void refuseTooLongName(const QString &path, const QFileInfo &info)
{
    const long max = ::pathconf(QFile::encodeName(info.absolutePath()).constData(), _PC_NAME_MAX);
    const qsizetype usable = (max > 0 ? qsizetype(max) : qsizetype(NAME_MAX)) - longestScratchSuffix();
    if (QFile::encodeName(info.fileName()).size() > usable)
        throw StoreError(QStringLiteral("Cannot create the register %1: its name is too long for the folder; a "
                                        "register's name may have at most %2 bytes there.")
                             .arg(path)
                             .arg(usable),
                         QStringLiteral("Register"), SQLITE_CANTOPEN);
}

// Writes the empty schema into a file of its own and moves it into place in
// one step, so that a second program creating the same register at the same
// moment finds either no file or a complete register, never an empty one.
void createRegister(const QString &path)
{
    RegisterFile::removeAbandonedScratch(QFileInfo(path).absolutePath());
    const QString scratch = path + ScratchMark + QString::number(QCoreApplication::applicationPid());
    QFile::remove(scratch);
    const auto cleanUp = qScopeGuard([&scratch] {
        QFile::remove(scratch);
        QFile::remove(scratch + QStringLiteral("-journal"));
    });
    try {
        const std::unique_ptr<RegisterFile> made = RegisterFile::openScratch(scratch);
        made->exec(RegisterSchema::CreateStatements);
        RegisterIdentity::giveIfMissing(*made);
    } catch (const StoreError &e) {
        throw StoreError(QStringLiteral("Cannot create the register %1: %2").arg(path, e.message()),
                         QStringLiteral("Register"), e.code());
    }
    // Losing the race to another creator is fine: its register is used.
    if (!QFile::rename(scratch, path) && !QFileInfo::exists(path))
        throw StoreError(QStringLiteral("Cannot create the register %1: the new file could not be moved into place.")
                             .arg(path),
                         QStringLiteral("Register"), SQLITE_CANTOPEN);
}

// The column affinity SQLite gives a declared type; only TEXT and none
// (BLOB) keep what the user typed as typed.
bool keepsText(const QString &declared)
{
    const QString type = declared.toUpper();
    if (type.contains(QLatin1String("INT")))
        return false;
    if (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB")) || type.contains(QLatin1String("TEXT")))
        return true;
    return type.isEmpty() || type.contains(QLatin1String("BLOB"));
}

} // namespace

void RegisterFile::removeAbandonedScratch(const QString &folder)
{
    static const QRegularExpression scratch(
        QStringLiteral("(?:\\.sudregister-new-|\\.mdb\\.new-)(\\d+)(?:-journal)?$"));
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden)) {
        const QRegularExpressionMatch match = scratch.match(name);
        if (!match.hasMatch())
            continue;
        // Only a maker that is gone: a live one may be writing it now.
        if (ProcessGone(match.captured(1).toLongLong()))
            QFile::remove(dir.filePath(name));
    }
}

void RegisterFile::Closer::operator()(sqlite3 *db) const
{
    sqlite3_close_v2(db);
}

std::shared_ptr<RegisterFile> RegisterFile::open(const QString &path, Access access)
{
    const QString key = QFileInfo(path).absoluteFilePath() + (access == Access::ReadOnly ? QStringLiteral("?ro") : QString());
    if (auto existing = openFiles().value(key).lock())
        return existing;
    std::shared_ptr<RegisterFile> file = openChecked(path, access);
    openFiles().insert(key, file);
    return file;
}

std::unique_ptr<RegisterFile> RegisterFile::openReader(const QString &path)
{
    std::unique_ptr<RegisterFile> file(new RegisterFile(path, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX));
    file->m_readOnly = true;
    return file;
}

std::unique_ptr<RegisterFile> RegisterFile::openScratch(const QString &path)
{
    return std::unique_ptr<RegisterFile>(
        new RegisterFile(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX));
}

// Each connection is used by one thread only (the window's, or one
// worker's), so it needs none of SQLite's own locking between threads.
RegisterFile::RegisterFile(const QString &path, int flags) : m_path(path)
{
    connect(flags);
}

std::shared_ptr<RegisterFile> RegisterFile::openChecked(const QString &path, Access access)
{
    // An address is never taken for a path, even where a folder named
    // "postgresql:" would let it make a file; nor is it shown, password and all.
    if (NamesSharedRegister(path))
        throw StoreError(QStringLiteral("A shared register's address (postgresql://...) names no register file."),
                         QStringLiteral("Register"));
    const QFileInfo info(path);
    if (info.isDir())
        refuse(path, QStringLiteral("it is a directory"));
    refuseWhatIsNoFile(path);
    refuseAccessFile(path);
    const bool create = !info.exists();
    // A register, or a directory, that its owner has marked read-only is
    // opened for reading only, whoever runs the program: it is shown, and
    // every change is refused with a clear message.
    const bool marked = !(QFile::permissions(info.absolutePath()) & QFileDevice::WriteOwner)
        || (!create && !(QFile::permissions(path) & QFileDevice::WriteOwner));
    if (create && !QFileInfo(info.absolutePath()).isDir())
        throw StoreError(QStringLiteral("Cannot create the register %1: the folder %2 does not exist.")
                             .arg(path, info.absolutePath()));
    if (create && marked)
        throw StoreError(QStringLiteral("Cannot create the register %1: its folder is read-only.").arg(path));
    if (create)
        refuseTooLongName(path, info);
    if (create && access == Access::ReadWrite)
        createRegister(path);
    const bool readOnly = marked || access == Access::ReadOnly;

    std::shared_ptr<RegisterFile> file(
        new RegisterFile(path, (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX));
    file->m_readOnly = readOnly;
    if (!readOnly)
        file->m_label = std::make_unique<ChangeLabel>(*file);
    file->checkSchema();
    file->exec("PRAGMA foreign_keys = ON");
    // Room for the brewery table of a large register: scattered reads (the
    // jump list, the cursor's history queries) then stay in memory.
    file->exec("PRAGMA cache_size = -32768");
    return file;
}

void RegisterFile::connect(int flags)
{
    sqlite3 *raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(m_path).constData(), &raw, flags, nullptr);
    m_db.reset(raw);
    if (rc != SQLITE_OK) {
        const QString why = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QString::fromUtf8(sqlite3_errstr(rc));
        throw StoreError(QStringLiteral("Cannot open the register %1: %2").arg(m_path, why), QStringLiteral("Register"), rc);
    }
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, WriteWaitMs);
    if (!InstallGermanCollation(raw))
        throw StoreError(QStringLiteral("Cannot set up German ordering for %1: ICU has no collator for \"de\"").arg(m_path));
}

RegisterFile::~RegisterFile()
{
    // Statements must be finalized before the connection closes.
    m_statements.clear();
}

void RegisterFile::checkPages()
{
    // A register damaged on the disk is told as damaged, not as the failure
    // of some later step.
    QStringList problems;
    Statement check(*this, "PRAGMA quick_check(3)");
    while (check.step())
        problems << check.text(0);
    if (problems != QStringList{QStringLiteral("ok")})
        throw StoreError(QStringLiteral("The register %1 is damaged: %2").arg(m_path, problems.join(QStringLiteral("; "))),
                         QStringLiteral("Register"), SQLITE_CORRUPT);
}

void RegisterFile::checkSchema()
{
    struct Column {
        QString name;
        QString type;
        bool key;
    };
    const auto columnsOf = [this](const QString &table) {
        QList<Column> columns;
        try {
            Statement info(*this, "SELECT name, type, pk FROM pragma_table_info(?1)");
            info.bind(1, QVariant(table));
            while (info.step())
                columns << Column{info.text(0), info.text(1), info.int64(2) != 0};
        } catch (const StoreError &e) {
            // A file that is no database, or is busy, was already named as
            // such; a plain SQL error means a schema that is no register's.
            if (e.primaryCode() != SQLITE_ERROR)
                throw;
            refuse(m_path, e.message(), e.code());
        }
        return columns;
    };
    const auto require = [&](const QString &table, const QStringList &fields, const QString &key, const QString &link) {
        const QList<Column> columns = columnsOf(table);
        if (columns.isEmpty())
            refuse(m_path, QStringLiteral("it has no table %1").arg(table));
        const auto find = [&](const QString &name) -> const Column * {
            for (const Column &c : columns) {
                if (c.name.compare(name, Qt::CaseInsensitive) == 0)
                    return &c;
            }
            return nullptr;
        };
        QStringList missing;
        for (const QString &field : fields) {
            if (!find(field))
                missing << field;
        }
        if (!missing.isEmpty())
            refuse(m_path, QStringLiteral("table %1 lacks the field(s) %2").arg(table, missing.join(QStringLiteral(", "))));
        // Rows are written back by key: a key that is not the table's own
        // integer key would let edits land on other rows or vanish.
        int keys = 0;
        for (const Column &c : columns)
            keys += c.key ? 1 : 0;
        const Column *own = find(key);
        if (!own || !own->key || keys != 1 || own->type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) != 0)
            refuse(m_path, QStringLiteral("in table %1 the column %2 (type \"%3\") must be the table's INTEGER PRIMARY KEY")
                               .arg(table, key, own ? own->type : QStringLiteral("missing")));
        // "INTEGER PRIMARY KEY DESC" and WITHOUT ROWID tables keep their key
        // in an index of its own: the column is then no alias of the row id,
        // and a new row's key would stay Null.
        Statement ownIndex(*this, "SELECT count(*) FROM pragma_index_list(?1) WHERE origin = 'pk'");
        ownIndex.bind(1, QVariant(table));
        if (ownIndex.step() && ownIndex.int64(0) != 0)
            refuse(m_path, QStringLiteral("in table %1 the column %2 is not the table's own row id (declared DESC or "
                                          "in a table WITHOUT ROWID); it must be a plain INTEGER PRIMARY KEY")
                               .arg(table, key));
        for (const QString &field : fields) {
            const Column *c = find(field);
            if (c->name.compare(key, Qt::CaseInsensitive) == 0 || c->name.compare(link, Qt::CaseInsensitive) == 0)
                continue;
            if (!keepsText(c->type))
                refuse(m_path, QStringLiteral("in table %1 the column %2 has the type \"%3\", which would store typed "
                                              "text such as \"01069\" as a number; it must be TEXT")
                                   .arg(table, c->name, c->type));
        }
    };
    QStringList chronikFields = RegisterSchema::ChronikFields;
    chronikFields.prepend(RegisterSchema::ChronikKey);
    require(RegisterSchema::BreweryTable, RegisterSchema::BreweryFields, RegisterSchema::BreweryKey, QString());
    require(RegisterSchema::ChronikTable, chronikFields, RegisterSchema::ChronikKey, RegisterSchema::ChronikParent);
}

Cursor RegisterFile::cached(const QByteArray &sql)
{
    auto it = m_statements.find(sql);
    if (it == m_statements.end())
        it = m_statements.insert(sql, std::make_shared<Statement>(*this, sql));
    return Cursor(**it);
}

void RegisterFile::exec(const char *sql)
{
    const int rc = sqlite3_exec(handle(), sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(rc, QString());
}

qint64 RegisterFile::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(handle());
}

void RegisterFile::setBusyTimeout(int ms)
{
    sqlite3_busy_timeout(handle(), ms);
}

qint64 RegisterFile::totalChanges() const
{
    return sqlite3_total_changes64(handle());
}

int RegisterFile::changes() const
{
    return sqlite3_changes(handle());
}

qint64 RegisterFile::dataVersion()
{
    Cursor version = cached("PRAGMA data_version");
    return version.step() ? version.int64(0) : 0;
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

void RegisterFile::inSlices(const QByteArray &table, qint64 first, qint64 last, int rows,
                            const std::function<void(qint64, qint64)> &slice)
{
    Statement boundary(*this, "SELECT rowid FROM " + table + " WHERE rowid >= ?1 ORDER BY rowid LIMIT 1 OFFSET ?2");
    qint64 from = first;
    while (from <= last) {
        qint64 to = last;
        {
            Cursor end(boundary);
            end.bind(1, from).bind(2, qint64(rows - 1));
            if (end.step())
                to = std::min(end.int64(0), last);
        }
        slice(from, to);
        if (to == last)
            break;
        from = to + 1;
    }
}

void RegisterFile::copyFrom(RegisterFile &source)
{
    sqlite3_backup *backup = sqlite3_backup_init(handle(), "main", source.handle(), "main");
    if (!backup)
        fail(sqlite3_errcode(handle()), QStringLiteral("Could not copy the register"));
    sqlite3_backup_step(backup, -1);
    if (const int rc = sqlite3_backup_finish(backup); rc != SQLITE_OK)
        fail(rc, QStringLiteral("Could not copy the register"));
}

QString RegisterFile::saveAgainUnderItsName(const QDateTime &now)
{
    // The connection still reads the file it opened, wherever it went: its
    // pages are copied whole into a new file, which then takes the name. A
    // file another program put there meanwhile is kept beside it.
    const QString scratch = m_path + ScratchMark + QString::number(QCoreApplication::applicationPid());
    QFile::remove(scratch);
    {
        const std::unique_ptr<RegisterFile> copy = openScratch(scratch);
        copy->copyFrom(*this);
    }
    QString kept;
    if (QFileInfo::exists(m_path)) {
        kept = m_path + now.toString(QStringLiteral("'.replaced-'yyyy-MM-dd_HH-mm-ss"));
        if (!QFile::rename(m_path, kept)) {
            QFile::remove(scratch);
            throw StoreError(QStringLiteral("The file now named %1 could not be kept as %2; nothing was saved.")
                                 .arg(m_path, kept));
        }
    }
    if (!QFile::rename(scratch, m_path)) {
        QFile::remove(scratch);
        throw StoreError(QStringLiteral("The register could not be saved as %1 again.").arg(m_path));
    }
    return kept;
}

RowWriter::Run RegisterFile::rowRunner()
{
    return [this](const RowWriter::Statement &statement) -> qint64 {
        Cursor cursor = cached(statement.sql);
        for (size_t i = 0; i < statement.values.size(); ++i)
            cursor.bind(int(i + 1), statement.values[i]);
        if (statement.counts)
            return cursor.step() ? cursor.int64(0) : 0;
        aboutToWrite();
        cursor.run();
        return changes();
    };
}

void RegisterFile::noteChange(RowChange change)
{
    if (m_upstream)
        noteForServer(change);
    if (!m_changeListener)
        return;
    m_journal.push_back(std::move(change));
    if (m_groups == 0)
        m_changeListener(std::exchange(m_journal, {}));
}

void RegisterFile::aboutToWrite()
{
    if (m_label && !m_upstream && m_groups > 0)
        m_label->beforeWrite();
}

void RegisterFile::aboutToAddInBulk()
{
    if (m_label && !m_upstream && m_groups > 0)
        m_label->beforeBulkAdds();
}

void RegisterFile::setUpstream(Upstream *upstream)
{
    if (upstream)
        m_upstream.emplace(*upstream);
    else
        m_upstream.reset();
}

std::vector<qint64> RegisterFile::newKeys(const QString &table, int count)
{
    if (!m_upstream)
        return {};
    return m_upstream->server().newKeys(table, count);
}

void RegisterFile::noteForServer(RowChange change)
{
    if (!m_upstream)
        return;
    // Outside a group the write has committed here already, and a refusal
    // could not take it back: every write of a mirror is made in one.
    if (m_groups == 0)
        throw StoreError(QStringLiteral("A change of the shared register was made outside a transaction; it was "
                                        "not sent to the server."),
                         QStringLiteral("Register"));
    m_upstream->note(std::move(change));
}

RegisterFile::GroupStart RegisterFile::groupBegun()
{
    if (m_groups++ == 0 && m_upstream)
        m_upstream->begin(totalChanges());
    return {m_journal.size(), m_upstream ? m_upstream->size() : 0};
}

void RegisterFile::commitGroup(const QByteArray &name, GroupStart start)
{
    try {
        if (m_upstream && m_groups == 1) {
            m_upstream->commit(*this, name, m_label ? m_label->step() : QString());
        } else {
            if (m_label && m_groups == 1)
                m_label->beforeCommit();
            releaseSavepoint(name);
        }
    } catch (...) {
        groupEnded(start, false);
        throw;
    }
    groupEnded(start, true);
}

void RegisterFile::releaseSavepoint(const QByteArray &name)
{
    const QByteArray release = "RELEASE " + name;
    try {
        exec(release.constData());
    } catch (...) {
        sqlite3_exec(handle(), ("ROLLBACK TO " + name + "; " + release).constData(), nullptr, nullptr, nullptr);
        throw;
    }
}

void RegisterFile::groupEnded(GroupStart start, bool committed)
{
    if (--m_groups == 0 && m_label)
        m_label->ended();
    if (!committed) {
        m_journal.resize(std::min(start.journal, m_journal.size()));
        if (m_upstream)
            m_upstream->dropFrom(start.upstream);
    }
    if (m_groups == 0 && m_upstream)
        m_upstream->clear();
    if (m_groups == 0 && !m_journal.empty() && m_changeListener)
        m_changeListener(std::exchange(m_journal, {}));
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
        // The file this connection writes is no longer under its name.
        if (rc == SQLITE_READONLY_DBMOVED) {
            message = QFileInfo::exists(m_path)
                ? QStringLiteral("The register %1 was replaced by another file, by another program, while this window "
                                 "had it open; the change was not stored.")
                      .arg(m_path)
                : QStringLiteral("The register %1 was deleted by another program while this window had it open; the "
                                 "change was not stored.")
                      .arg(m_path);
            throw StoreError(message, QStringLiteral("Register"), StoreError::FileGone);
        }
        message = QStringLiteral("The register %1 is read-only; the change was not stored (%2).").arg(m_path, store);
        break;
    case SQLITE_FULL: {
        // AUTOINCREMENT reports a table whose keys are used up as a full disk.
        sqlite3_stmt *s = nullptr;
        bool keysUsedUp = false;
        if (sqlite3_prepare_v2(handle(), "SELECT 1 FROM sqlite_sequence WHERE seq = 9223372036854775807", -1, &s,
                               nullptr) == SQLITE_OK)
            keysUsedUp = sqlite3_step(s) == SQLITE_ROW;
        sqlite3_finalize(s);
        message = keysUsedUp
            ? QStringLiteral("The register %1 has used up its numbers for new rows; the row was not stored. "
                             "Bring its report into a new register to go on adding.")
                  .arg(m_path)
            : QStringLiteral("The disk holding the register %1 is full; the change was not stored.").arg(m_path);
        break;
    }
    case SQLITE_NOTADB:
        message = QStringLiteral("%1 is not a Sudregister register: %2").arg(m_path, store);
        break;
    case SQLITE_CORRUPT:
        message = QStringLiteral("The register %1 is damaged: %2").arg(m_path, store);
        break;
    default:
        message = context.isEmpty() ? store : QStringLiteral("%1: %2").arg(context, store);
    }
    throw StoreError(message, QStringLiteral("Register"), rc);
}
