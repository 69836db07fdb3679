#pragma once

#include <QAnyStringView>
#include <QString>

// What becomes of a NUL: a cell keeps it as typed; a report line, which
// every reader of a text file must take, gets a blank instead.
enum class Nuls { Kept, Blanked };

// A value as one line of a report column: each tab and each line break
// (CR LF, CR or LF) becomes one blank, and each NUL when `nuls` says so.
// `replaced`, when given, grows by the number of blanks put in.
QString OneLine(QAnyStringView text, qsizetype *replaced = nullptr, Nuls nuls = Nuls::Kept);
// True when `text` is one line already, as nearly every value is.
bool IsOneLine(QAnyStringView text, Nuls nuls = Nuls::Kept);
