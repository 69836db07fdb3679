#include "WhyNotWritten.h"

#include <QFileInfo>
#include <QStorageInfo>

QString WhyNotWritten(const QString &path, const QString &reported)
{
    // Below this, what failed to be written was almost surely cut off by
    // the disk; a failed write leaves its part removed, so the disk seldom
    // stands at exactly nothing when this is asked.
    constexpr qint64 NearlyFull = 1 << 20;
    const QStorageInfo disk(QFileInfo(path).absolutePath());
    if (disk.isValid() && disk.isReady() && disk.bytesAvailable() < NearlyFull)
        return QStringLiteral("the disk is full (%1 bytes free on %2)").arg(disk.bytesAvailable()).arg(disk.rootPath());
    if (reported.isEmpty() || reported == QLatin1String("Unknown error"))
        return QStringLiteral("the system gave no reason");
    return reported;
}
