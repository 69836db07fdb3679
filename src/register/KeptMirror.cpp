#include "KeptMirror.h"

#include "PgConnection.h"
#include "RegisterLocation.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSaveFile>

namespace {

// The server's record of changes keeps a day; a copy last caught up
// earlier than this may have missed what it dropped.
constexpr qint64 RecordReachesBackSeconds = 20 * 3600;

const QString NoteName = QStringLiteral("caught-up.txt");

// The server's own lasting identity and the database's: a folder is never
// taken for another server's or database's register.
QString originOf(PgConnection &server)
{
    const PgResult origin = server.exec("SELECT (SELECT system_identifier FROM pg_control_system())::text || '-' || "
                                        "(SELECT oid FROM pg_database WHERE datname = current_database())::text");
    return origin.text(0, 0);
}

// The highest number in the record of changes, and the server's clock.
std::pair<qint64, qint64> recordNow(PgConnection &server)
{
    const PgResult now = server.exec("SELECT coalesce(max(\"Seq\"), 0), extract(epoch FROM now())::bigint "
                                     "FROM sudregister_changes");
    return {now.int64(0, 0), now.int64(0, 1)};
}

// The note's lines, "name=value".
QHash<QString, QString> readNote(const QString &path)
{
    QHash<QString, QString> values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return values;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            values.insert(QString::fromUtf8(line.left(equals)), QString::fromUtf8(line.mid(equals + 1)));
    }
    return values;
}

} // namespace

KeptMirror::KeptMirror(QString folder, QString fileName)
    : m_folder(std::move(folder)), m_fileName(std::move(fileName)), m_lock(m_folder + QStringLiteral("/window.lock"))
{
}

std::unique_ptr<KeptMirror> KeptMirror::claim(PgConnection &server, const QString &fileName)
{
    const QString kept = UserDataFolder() + QStringLiteral("/shared");
    const QString folder = kept + QLatin1Char('/') + originOf(server);
    const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    if (!QDir().mkpath(folder) || !QFile::setPermissions(kept, ownerOnly) || !QFile::setPermissions(folder, ownerOnly))
        return nullptr;
    std::unique_ptr<KeptMirror> mirror(new KeptMirror(folder, fileName));
    // A lock left by a window that was killed is taken over; one of a
    // window still open, however old, is not.
    mirror->m_lock.setStaleLockTime(0);
    if (!mirror->m_lock.tryLock(0))
        return nullptr;
    return mirror;
}

QString KeptMirror::path() const
{
    return m_folder + QLatin1Char('/') + m_fileName;
}

std::optional<QString> KeptMirror::resumable(PgConnection &server, QString &why) const
{
    why.clear();
    const QHash<QString, QString> note = readNote(m_folder + QLatin1Char('/') + NoteName);
    if (!QFile::exists(path()) || !note.contains(QStringLiteral("place")))
        return std::nullopt;
    const auto [highest, now] = recordNow(server);
    if (highest < note.value(QStringLiteral("highest")).toLongLong()) {
        why = QStringLiteral("the server's record of changes began anew");
        return std::nullopt;
    }
    if (now - note.value(QStringLiteral("at")).toLongLong() > RecordReachesBackSeconds) {
        why = QStringLiteral("it is older than the server's record of changes reaches back");
        return std::nullopt;
    }
    return note.value(QStringLiteral("place"));
}

void KeptMirror::note(PgConnection &server, const QString &place)
{
    const auto [highest, now] = recordNow(server);
    QSaveFile note(m_folder + QLatin1Char('/') + NoteName);
    if (!note.open(QIODevice::WriteOnly))
        return;
    note.write(QStringLiteral("place=%1\nhighest=%2\nat=%3\n").arg(place).arg(highest).arg(now).toUtf8());
    if (note.commit()) {
        QFile::setPermissions(note.fileName(), QFile::ReadOwner | QFile::WriteOwner);
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
    }
}

void KeptMirror::forget()
{
    QFile::remove(m_folder + QLatin1Char('/') + NoteName);
    for (const QString &suffix : {QString(), QStringLiteral("-journal")})
        QFile::remove(path() + suffix);
}
