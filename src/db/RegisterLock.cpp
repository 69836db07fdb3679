#include "RegisterLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The register's path with symlinks and relative parts resolved; for a
// register not yet made, its folder's.
QString realPath(const QString &registerPath)
{
    const QFileInfo info(registerPath);
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() ? info.absoluteFilePath() : QDir(folder).filePath(info.fileName());
}

// The lock by the file's identity, which every hard link shares; empty
// for a register not yet made (it has no other name yet).
QString inodeLockPath(const QString &registerPath)
{
    struct stat info {};
    if (::stat(QFile::encodeName(registerPath).constData(), &info) != 0)
        return QString();
    const QString folder =
        QDir(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation)).filePath(QStringLiteral("sudregister"));
    QDir().mkpath(folder);
    return QDir(folder).filePath(
        QStringLiteral("%1-%2.lock").arg(quint64(info.st_dev)).arg(quint64(info.st_ino)));
}

} // namespace

std::unique_ptr<RegisterLock> RegisterLock::tryTake(const QString &registerPath, State *state, QString *why)
{
    std::unique_ptr<RegisterLock> lock(new RegisterLock);
    const auto fail = [&](State failed, const QString &reason) -> std::unique_ptr<RegisterLock> {
        if (state)
            *state = failed;
        if (why)
            *why = reason;
        return nullptr;
    };
    for (const QString &path : {realPath(registerPath) + QStringLiteral(".lock"), inodeLockPath(registerPath)}) {
        if (path.isEmpty())
            continue;
        const QByteArray name = QFile::encodeName(path);
        // Close-on-exec: a program this one starts must not keep the lock.
        bool made = true;
        int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EEXIST) {
            made = false;
            fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
        }
        // The reason in words, from errno as the failed call left it.
        const auto cannot = [&path](const char *what) {
            return QStringLiteral("its lock file %1 cannot be %2: %3")
                .arg(QDir::toNativeSeparators(path), QLatin1String(what), QString::fromLocal8Bit(std::strerror(errno)));
        };
        if (fd < 0)
            return fail(State::Unavailable, cannot("made"));
        lock->m_held.push_back({fd, path, made});
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno == EWOULDBLOCK)
                return fail(State::HeldElsewhere, QStringLiteral("it is open in another window"));
            return fail(State::Unavailable, cannot("locked"));
        }
    }
    if (state)
        *state = State::Taken;
    return lock;
}

RegisterLock::~RegisterLock()
{
    for (const Held &held : m_held)
        ::close(held.fd);
}

void RegisterLock::discard()
{
    for (const Held &held : m_held) {
        if (held.made)
            QFile::remove(held.path);
    }
}
