#include "RegisterPlace.h"

#include "RegisterBackup.h"
#include "RegisterIdentity.h"
#include "RegisterLocation.h"
#include "SharedAddress.h"
#include "StoreError.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

RegisterPlace::RegisterPlace(const QString &opened) : m_opened(opened), m_shared(NamesSharedRegister(opened))
{
    if (!m_shared) {
        m_localName = opened;
        return;
    }
    QString database;
    try {
        const SharedAddress address(opened);
        m_shownAddress = address.displayName();
        m_rememberedAddress = address.withoutPassword();
        database = address.databaseName();
    } catch (const StoreError &) {
        // Said when the register is opened; until then it is named by
        // none of its parts.
    }
    // The database's name becomes a file name in the user's own folder: a
    // slash or a leading dot in it never leads out of that folder.
    QString fileName = database.isEmpty() ? QStringLiteral("shared") : database;
    fileName.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    if (fileName.startsWith(QLatin1Char('.')))
        fileName.prepend(QLatin1Char('_'));
    m_localName = UserDataFolder() + QLatin1Char('/') + fileName + QStringLiteral(".mdb");
}

SharedAddress RegisterPlace::address() const
{
    return SharedAddress(m_opened);
}

QString RegisterPlace::identity(RegisterFile &file) const
{
    if (!m_shared)
        return RegisterIdentity::of(file);
    // Whoever signs in, the server and database are the register.
    const QString shown = m_shownAddress;
    return QStringLiteral("shared register %1").arg(shown.mid(shown.indexOf(QLatin1Char('@')) + 1));
}

QString RegisterPlace::shownName() const
{
    if (!m_shared)
        return QDir::toNativeSeparators(m_opened);
    return m_shownAddress.isEmpty() ? QStringLiteral("(a shared register's address that cannot be read)")
                                    : m_shownAddress;
}

QString RegisterPlace::shortName() const
{
    return m_shared ? shownName() : QFileInfo(m_opened).fileName();
}

QString RegisterPlace::remembered() const
{
    if (!m_shared)
        return QDir::cleanPath(QFileInfo(m_opened).absoluteFilePath());
    return m_rememberedAddress;
}

QString RegisterPlace::backupsFolder() const
{
    return BackupFolder(m_localName);
}

QString RegisterPlace::documentsFolder() const
{
    if (!m_shared)
        return QFileInfo(m_opened).absolutePath();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}
