#include "RegisterBackup.h"

#include "RegisterFile.h"
#include "Transaction.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString Pattern = QStringLiteral("Sudregister2K_*.mdb");

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

// A consistent copy: while this connection holds its read lock no other
// program can commit, so the file's bytes are one complete state of the
// register. Copied by the file system (a fraction of the time of SQLite's
// page-by-page online backup on a large register) under a scratch name and
// moved into place, so that an interrupted backup never looks complete.
QString copyRegister(RegisterFile &file, const QString &to, const Progress &progress)
{
    const QString scratch = to + QStringLiteral(".partial");
    QFile::remove(scratch);
    QString failure;
    {
        Transaction reading(file);
        Cursor(file.cached("SELECT count(*) FROM sqlite_master")).step();
        failure = copyFile(file.path(), scratch, progress);
        reading.commit();
    }
    if (failure.isEmpty() && QFile::rename(scratch, to))
        return QString();
    QFile::remove(scratch);
    return failure.isEmpty() ? QStringLiteral("cannot name it %1").arg(to) : failure;
}

} // namespace

QString BackupFolder(const QString &registerPath)
{
    return QFileInfo(registerPath).absoluteDir().filePath(QStringLiteral("backups"));
}

BackupResult BackUpIfChanged(RegisterFile &file, const QDateTime &now, int keep, const Progress &progress)
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
    if (const QString why = copyRegister(file, folder.filePath(name), progress); !why.isEmpty()) {
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
