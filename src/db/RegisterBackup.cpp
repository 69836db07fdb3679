#include "RegisterBackup.h"

#include "RegisterFile.h"

#include <QDir>
#include <QFileInfo>
#include <sqlite3.h>

namespace {

const QString Pattern = QStringLiteral("Sudregister2K_*.mdb");

// SQLite's online backup: a consistent copy even while other programs
// read the register, written under a scratch name and moved into place,
// so that an interrupted backup never looks like a complete one.
QString copyRegister(sqlite3 *from, const QString &to)
{
    const QString scratch = to + QStringLiteral(".partial");
    QFile::remove(scratch);
    sqlite3 *target = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(scratch).constData(), &target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_backup *backup = sqlite3_backup_init(target, "main", from, "main");
        if (backup) {
            sqlite3_backup_step(backup, -1);
            rc = sqlite3_backup_finish(backup);
        } else {
            rc = sqlite3_errcode(target);
        }
    }
    const QString why = target ? QString::fromUtf8(sqlite3_errmsg(target)) : QString::fromUtf8(sqlite3_errstr(rc));
    sqlite3_close_v2(target);
    if (rc == SQLITE_OK && QFile::rename(scratch, to))
        return QString();
    QFile::remove(scratch);
    return rc == SQLITE_OK ? QStringLiteral("cannot name it %1").arg(to) : why;
}

} // namespace

QString BackupFolder(const QString &registerPath)
{
    return QFileInfo(registerPath).absoluteDir().filePath(QStringLiteral("backups"));
}

BackupResult BackUpIfChanged(RegisterFile &file, const QDateTime &now, int keep)
{
    BackupResult result;
    {
        Cursor holds = file.cached("SELECT EXISTS (SELECT 1 FROM Brewery) OR EXISTS (SELECT 1 FROM BreweryChronik)");
        if (!holds.step() || holds.int64(0) == 0)
            return result;
    }
    QDir folder(BackupFolder(file.path()));
    QStringList backups = folder.entryList({Pattern}, QDir::Files, QDir::Name);
    // Every committed change touches the file, so a register no newer than
    // its newest backup has not changed since.
    if (!backups.isEmpty()
        && QFileInfo(file.path()).lastModified() <= QFileInfo(folder.filePath(backups.last())).lastModified())
        return result;

    const QString name = now.toString(QStringLiteral("'Sudregister2K_'yyyy-MM-dd_HH-mm-ss'.mdb'"));
    // A folder its owner marked read-only is respected, whoever runs the
    // program.
    const QString existing = folder.exists() ? folder.path() : QFileInfo(file.path()).absolutePath();
    if (!(QFile::permissions(existing) & QFileDevice::WriteOwner)) {
        result.failure = QStringLiteral("the folder %1 is read-only").arg(existing);
        return result;
    }
    if (!QDir().mkpath(folder.path())) {
        result.failure = QStringLiteral("cannot make the folder %1").arg(folder.path());
        return result;
    }
    if (backups.contains(name))
        return result;
    if (const QString why = copyRegister(file.handle(), folder.filePath(name)); !why.isEmpty()) {
        result.failure = why;
        return result;
    }
    result.made = folder.filePath(name);
    backups << name;
    backups.sort();
    while (backups.size() > keep)
        QFile::remove(folder.filePath(backups.takeFirst()));
    return result;
}
