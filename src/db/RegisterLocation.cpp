#include "RegisterLocation.h"

#include "DatabasePath.h"
#include "StoreError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

bool NamesSharedRegister(const QString &given)
{
    return given.startsWith(QLatin1String("postgresql://")) || given.startsWith(QLatin1String("postgres://"));
}

QString ChooseRegister(const QString &given, const QString &programDir, const QString &userDataDir,
                       const QString &lastUsed)
{
    if (NamesSharedRegister(given))
        return given;
    if (!given.isEmpty())
        return QFileInfo(given).absoluteFilePath();
    const QString beside = DatabasePath(programDir);
    if (QFileInfo::exists(beside))
        return QFileInfo(beside).absoluteFilePath();
    if (!lastUsed.isEmpty() && QFileInfo(lastUsed).isFile())
        return QFileInfo(lastUsed).absoluteFilePath();
    if (!QDir().mkpath(userDataDir))
        throw StoreError(QStringLiteral("Cannot make the folder %1 for the register.").arg(userDataDir));
    return QFileInfo(DatabasePath(userDataDir)).absoluteFilePath();
}

QString UserDataFolder()
{
    // Named here rather than by each program, so that both find the same
    // folder whatever they call themselves.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Sudregister");
}

QString ChooseRegister(const QString &given)
{
    const QSettings settings(QStringLiteral("Sudregister"), QStringLiteral("Sudregister"));
    return ChooseRegister(given, QCoreApplication::applicationDirPath(), UserDataFolder(),
                          settings.value(RecentRegistersKey).toStringList().value(0));
}
