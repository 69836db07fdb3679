#include "DatabasePath.h"

QString DatabasePath(const QString &programDir)
{
    QString path = programDir;
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path + QStringLiteral("Sudregister2K.mdb");
}
