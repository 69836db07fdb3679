#pragma once

#include <QString>
#include <QStringList>

// Compare modes of SplitString's delimiter search.
inline constexpr qint32 CompareBinary = 0; // exact, case-sensitive
inline constexpr qint32 CompareText = 1;   // without regard to letter case

// Splits `text` at every `delimiter` into at most `limit` pieces (a negative
// limit: no limit). A delimiter at the very end adds no empty piece; at the
// limit the rest of the text is dropped. An empty text or a limit of 0 gives
// no pieces. Throws std::invalid_argument for an empty delimiter or an
// unknown compare mode.
QStringList SplitString(const QString &text, const QString &delimiter, qint32 limit, qint32 compareMode);
