#include "RegisterBackup.h"

#include "Counted.h"
#include "RegisterFile.h"
#include "StoreError.h"
#include "Transaction.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <future>
#include <tuple>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A copy not yet checked.
const QString PartialSuffix = QStringLiteral(".partial");

// A backup's name is the register's with the moment before its suffix:
// "brauereien_2026-12-08_10-05-26.mdb" for "brauereien.mdb",
// "x_2026-12-08_10-05-26.db" for "x.db". The suffix keeps registers that
// differ only in it apart, and a register's backups are found by exact
// parts of the name, never by a pattern made of it ("x[1].mdb").
struct BackupName {
    QString stem;   // before the moment, with its "_"
    QString suffix; // after it: the register's own, with its dot

    explicit BackupName(const QString &registerPath)
    {
        const QFileInfo info(registerPath);
        const QString suffixOnly = info.suffix();
        stem = (suffixOnly.isEmpty() ? info.fileName() : info.completeBaseName()) + QLatin1Char('_');
        suffix = suffixOnly.isEmpty() ? QString() : QLatin1Char('.') + suffixOnly;
    }

    QString at(const QDateTime &moment) const
    {
        return stem + moment.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")) + suffix;
    }

    // The moment a name made by at() tells.
    QDateTime momentOf(const QString &file) const
    {
        return QDateTime::fromString(file.mid(stem.size(), 19), QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    }

    // True for a name made by at(), followed by `tail`.
    bool names(const QString &file, const QString &tail = QString()) const
    {
        static const QRegularExpression moment(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d_\\d\\d-\\d\\d-\\d\\d$"));
        constexpr qsizetype MomentLength = 19;
        return file.size() == stem.size() + MomentLength + suffix.size() + tail.size() && file.startsWith(stem)
            && file.endsWith(suffix + tail) && moment.match(file.mid(stem.size(), MomentLength)).hasMatch();
    }
};

// The register's files in its backup folder whose names it made, followed
// by `tail`, oldest first.
QStringList backupFiles(const QString &registerPath, const QString &tail = QString())
{
    const BackupName name(registerPath);
    QStringList found;
    for (const QString &file : QDir(BackupFolder(registerPath)).entryList(QDir::Files, QDir::Name)) {
        if (name.names(file, tail))
            found << file;
    }
    return found;
}

// The register's backups, oldest first.
QStringList backupsOf(const QString &registerPath)
{
    return backupFiles(registerPath);
}

// When any program last committed to the register: in WAL mode a commit
// writes only the "-wal" file beside it.
QDateTime lastCommit(const QString &registerPath)
{
    const QDateTime main = QFileInfo(registerPath).lastModified();
    const QFileInfo wal(registerPath + QStringLiteral("-wal"));
    return wal.exists() ? std::max(main, wal.lastModified()) : main;
}

// Copies a file inside the kernel, without passing its bytes through this
// process; falls back to Qt's copy where the kernel cannot. Returns why it
// failed, or an empty text.
QString copyFile(const QString &from, const QString &to, const Progress &progress)
{
    const int in = ::open(QFile::encodeName(from).constData(), O_RDONLY | O_CLOEXEC);
    const int out = ::open(QFile::encodeName(to).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    int error = in < 0 || out < 0 ? errno : 0;
    const qint64 size = QFileInfo(from).size();
    qint64 copied = 0;
    while (error == 0) {
        // In pieces, so that the window can tell how far a large copy has come.
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 16 << 20, 0);
        if (n == 0)
            break;
        if (n < 0)
            error = errno;
        else if (progress)
            progress(copied += n, size);
    }
    if (out >= 0 && ::close(out) != 0 && error == 0)
        error = errno;
    if (in >= 0)
        ::close(in);
    if (error == 0)
        return QString();
    QFile::remove(to);
    if (error != EXDEV && error != ENOSYS && error != EOPNOTSUPP && error != EINVAL)
        return QString::fromLocal8Bit(std::strerror(error));
    QFile source(from);
    return source.copy(to) ? QString() : source.errorString();
}

// SQLite's own copy, page by page, for a register in WAL mode, whose latest
// commits may still stand in its "-wal" file. Runs in the caller's read
// transaction; the copy is made an ordinary (rollback journal) register.
QString copyPages(RegisterFile &file, const QString &to)
{
    try {
        const std::unique_ptr<RegisterFile> copy = RegisterFile::openScratch(to);
        copy->copyFrom(file);
        copy->exec("PRAGMA journal_mode = DELETE");
    } catch (const StoreError &e) {
        return e.message();
    }
    return QString();
}

// The rows of `table` in the register or copy at `path`, counted on a
// connection of its own.
qint64 countRows(const QString &path, const QByteArray &table)
{
    const std::unique_ptr<RegisterFile> connection = RegisterFile::openReader(path);
    Cursor count = connection->cached("SELECT count(*) FROM " + table);
    return count.step() ? count.int64(0) : 0;
}

// Whether the registers at `one` and `other` hold the same rows in both
// tables, keys and values alike: read side by side in key order, so that
// it takes one pass over each and no sorting.
bool holdSameRows(const QString &one, const QString &other)
{
    const std::unique_ptr<RegisterFile> a = RegisterFile::openReader(one);
    const std::unique_ptr<RegisterFile> b = RegisterFile::openReader(other);
    for (const auto &[table, key, fields] : {std::tuple{"Brewery", "RowId", 9}, {"BreweryChronik", "ChronikId", 7}}) {
        const QByteArray sql = QByteArray("SELECT * FROM ") + table + " ORDER BY " + key;
        Cursor rowsA = a->cached(sql);
        Cursor rowsB = b->cached(sql);
        for (;;) {
            const bool moreA = rowsA.step();
            if (moreA != rowsB.step())
                return false;
            if (!moreA)
                break;
            for (int field = 0; field < fields; ++field) {
                if (rowsA.value(field) != rowsB.value(field) || rowsA.isNull(field) != rowsB.isNull(field))
                    return false;
            }
        }
    }
    return true;
}

// Why the copy is no sound register holding the rows it should, or empty.
QString checkCopy(const UncheckedBackup &copy)
{
    try {
        QString verdict;
        {
            const std::unique_ptr<RegisterFile> backup = RegisterFile::openReader(copy.scratch);
            Cursor integrity = backup->cached("PRAGMA integrity_check");
            if (integrity.step())
                verdict = integrity.text(0);
        }
        if (verdict != QLatin1String("ok"))
            return QStringLiteral("the copy failed its integrity check (%1)").arg(verdict);
        const qint64 breweries = countRows(copy.scratch, "Brewery");
        const qint64 chroniks = countRows(copy.scratch, "BreweryChronik");
        if (breweries != copy.breweries || chroniks != copy.chroniks)
            return QStringLiteral("the copy holds %1 and %2, the register %3 and %4")
                .arg(CountedBreweries(breweries), CountedEntries(chroniks), CountedBreweries(copy.breweries),
                     CountedEntries(copy.chroniks));
    } catch (const StoreError &e) {
        return QStringLiteral("the copy cannot be read back: %1").arg(e.message());
    }
    return QString();
}

} // namespace

QString BackupFolder(const QString &registerPath)
{
    return QFileInfo(registerPath).absoluteDir().filePath(QStringLiteral("backups"));
}

std::optional<UncheckedBackup> BackupDue(RegisterFile &file, const QDateTime &now, QString &failure)
{
    {
        Cursor holds = file.cached("SELECT EXISTS (SELECT 1 FROM Brewery) OR EXISTS (SELECT 1 FROM BreweryChronik)");
        if (!holds.step() || holds.int64(0) == 0)
            return std::nullopt;
    }
    const QDir folder(BackupFolder(file.path()));
    const QStringList backups = backupsOf(file.path());
    // Every commit touches the register or its "-wal" file, so a register
    // no newer than its newest backup has not changed since.
    if (!backups.isEmpty() && lastCommit(file.path()) <= QFileInfo(folder.filePath(backups.last())).lastModified())
        return std::nullopt;

    return PlanBackup(file.path(), now, failure);
}

std::optional<UncheckedBackup> PlanBackup(const QString &namedAs, const QDateTime &now, QString &failure)
{
    const QDir folder(BackupFolder(namedAs));
    const QString name = BackupName(namedAs).at(now);
    // A folder its owner marked read-only is respected, whoever runs the
    // program: the backups' own, or the nearest one it would be made in.
    QString existing = folder.absolutePath();
    while (!QFileInfo(existing).isDir() && !QDir(existing).isRoot())
        existing = QFileInfo(existing).absolutePath();
    if (!(QFile::permissions(existing) & QFileDevice::WriteOwner)) {
        failure = QStringLiteral("the folder %1 is read-only").arg(existing);
        return std::nullopt;
    }
    if (!QDir().mkpath(folder.path())) {
        failure = QStringLiteral("cannot make the folder %1").arg(folder.path());
        return std::nullopt;
    }
    if (QFileInfo::exists(folder.filePath(name)))
        return std::nullopt;
    // Under a scratch name until it is checked, so that an interrupted or
    // broken backup never looks complete.
    return UncheckedBackup{namedAs, folder.filePath(name) + PartialSuffix, folder.filePath(name)};
}

// While this connection holds its read lock no other program can commit,
// so the file's bytes are one complete state of the register, and so are
// the counts read meanwhile on other connections, on the other cores.
// Copied by the file system (a fraction of the time of SQLite's
// page-by-page copy on a large register) unless the register is in WAL
// mode, where only this connection's own snapshot is the state copied.
QString CopyRegister(RegisterFile &file, UncheckedBackup &copy, const std::function<void()> &fixed,
                     const Progress &progress)
{
    QFile::remove(copy.scratch);
    QString failure;
    try {
        Transaction reading(file);
        bool wal = false;
        {
            // The first read takes the lock that fixes the state copied.
            Cursor schema = file.cached("SELECT count(*) FROM sqlite_schema");
            schema.step();
        }
        if (fixed)
            fixed();
        {
            Cursor mode = file.cached("PRAGMA journal_mode");
            wal = mode.step() && mode.text(0).compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
        }
        if (wal) {
            {
                Cursor counts =
                    file.cached("SELECT (SELECT count(*) FROM Brewery), (SELECT count(*) FROM BreweryChronik)");
                counts.step();
                copy.breweries = counts.int64(0);
                copy.chroniks = counts.int64(1);
            }
            failure = copyPages(file, copy.scratch);
        } else {
            auto breweries = std::async(std::launch::async, countRows, file.path(), QByteArray("Brewery"));
            auto chroniks = std::async(std::launch::async, countRows, file.path(), QByteArray("BreweryChronik"));
            failure = copyFile(file.path(), copy.scratch, progress);
            copy.breweries = breweries.get();
            copy.chroniks = chroniks.get();
        }
        reading.commit();
    } catch (const StoreError &e) {
        failure = e.message();
    }
    if (!failure.isEmpty())
        QFile::remove(copy.scratch);
    return failure;
}

std::optional<UncheckedBackup> CopyIfChanged(RegisterFile &file, const QDateTime &now, QString &failure,
                                             const Progress &progress)
{
    std::optional<UncheckedBackup> copy = BackupDue(file, now, failure);
    if (!copy)
        return std::nullopt;
    failure = CopyRegister(file, *copy, {}, progress);
    if (!failure.isEmpty())
        return std::nullopt;
    return copy;
}

BackupResult KeepIfSound(const UncheckedBackup &copy, int keep)
{
    BackupResult result;
    result.failure = checkCopy(copy);
    // A backup is read by whoever may read the register, no one else.
    if (QFileInfo(copy.registerPath).isFile())
        QFile::setPermissions(copy.scratch, QFile::permissions(copy.registerPath));
    if (result.failure.isEmpty() && !QFile::rename(copy.scratch, copy.target))
        result.failure = QStringLiteral("cannot name it %1").arg(copy.target);
    if (!result.failure.isEmpty()) {
        QFile::remove(copy.scratch);
        return result;
    }
    result.made = copy.target;
    QStringList backups = backupsOf(copy.registerPath);
    const QDir folder(BackupFolder(copy.registerPath));
    while (backups.size() > keep)
        QFile::remove(folder.filePath(backups.takeFirst()));
    return result;
}

BackupResult KeepIfChanged(const UncheckedBackup &copy, int keep)
{
    const QStringList backups = backupsOf(copy.registerPath);
    bool same = copy.breweries == 0 && copy.chroniks == 0;
    if (!same && !backups.isEmpty()) {
        try {
            same = holdSameRows(copy.scratch, QDir(BackupFolder(copy.registerPath)).filePath(backups.last()));
        } catch (const StoreError &) {
            // The newest backup cannot be read: this one is needed all the more.
        }
    }
    if (!same)
        return KeepIfSound(copy, keep);
    QFile::remove(copy.scratch);
    return {};
}

std::optional<SoundBackup> NewestSoundBackup(const QString &registerPath)
{
    const QDir folder(BackupFolder(registerPath));
    QStringList backups = backupsOf(registerPath);
    while (!backups.isEmpty()) {
        const QString name = backups.takeLast();
        const QString path = folder.filePath(name);
        try {
            QString verdict;
            {
                const std::unique_ptr<RegisterFile> backup = RegisterFile::openReader(path);
                Cursor integrity = backup->cached("PRAGMA integrity_check(1)");
                if (integrity.step())
                    verdict = integrity.text(0);
            }
            if (verdict == QLatin1String("ok"))
                return SoundBackup{path, BackupName(registerPath).momentOf(name), countRows(path, "Brewery"),
                                   countRows(path, "BreweryChronik")};
        } catch (const StoreError &) {
            // Damaged too, or no register: the one before may do.
        }
    }
    return std::nullopt;
}

QString ReplaceWithBackup(const QString &registerPath, const QString &backupPath, const QDateTime &now)
{
    const QString kept = registerPath + now.toString(QStringLiteral("'.damaged-'yyyy-MM-dd_HH-mm-ss"));
    if (QFileInfo::exists(kept) || !QFile::rename(registerPath, kept))
        throw StoreError(QStringLiteral("The damaged register %1 could not be kept as %2; nothing was changed.")
                             .arg(registerPath, kept));
    // Its journal belongs to the damaged file, never to the backup.
    QFile::rename(registerPath + QStringLiteral("-journal"), kept + QStringLiteral("-journal"));
    const QString why = copyFile(backupPath, registerPath, {});
    if (!why.isEmpty()) {
        QFile::rename(kept, registerPath);
        throw StoreError(QStringLiteral("The backup %1 could not be copied to %2 (%3); the damaged register is where "
                                        "it was.")
                             .arg(backupPath, registerPath, why));
    }
    return kept;
}

void RemoveUnfinishedBackups(const QString &registerPath, const QDateTime &untouchedSince)
{
    const QDir folder(BackupFolder(registerPath));
    for (const QString &partial : backupFiles(registerPath, PartialSuffix)) {
        const QString path = folder.filePath(partial);
        if (!untouchedSince.isValid() || QFileInfo(path).lastModified() < untouchedSince)
            QFile::remove(path);
    }
}

BackupResult BackUpIfChanged(RegisterFile &file, const QDateTime &now, int keep, const Progress &progress)
{
    BackupResult result;
    if (const std::optional<UncheckedBackup> copy = CopyIfChanged(file, now, result.failure, progress))
        return KeepIfSound(*copy, keep);
    return result;
}
