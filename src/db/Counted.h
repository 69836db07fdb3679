#pragma once

#include <QLocale>
#include <QString>

// A count with its noun agreeing: "1 brewery", "12,480 breweries".
inline QString Counted(qint64 n, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(QLocale().toString(n), QLatin1String(n == 1 ? one : many));
}

inline QString CountedBreweries(qint64 n)
{
    return Counted(n, "brewery", "breweries");
}

inline QString CountedEntries(qint64 n)
{
    return Counted(n, "history entry", "history entries");
}
