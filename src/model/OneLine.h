#pragma once

#include <QString>

// A value as one line of a report column: each tab and each line break
// (CR LF, CR or LF) becomes one blank. `replaced`, when given, grows by the
// number of blanks put in.
QString OneLine(const QString &text, qsizetype *replaced = nullptr);
