#pragma once

#include <QAnyStringView>
#include <QString>

// A value as one line of a report column: each tab, each NUL and each line
// break (CR LF, CR or LF) becomes one blank. `replaced`, when given, grows by the
// number of blanks put in.
QString OneLine(QAnyStringView text, qsizetype *replaced = nullptr);
// True when `text` is one line already, as nearly every value is.
bool IsOneLine(QAnyStringView text);
