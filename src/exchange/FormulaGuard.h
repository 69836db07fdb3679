#pragma once

#include <QByteArrayView>

// A spreadsheet opening CSV takes a value that begins with =, +, -, @, a
// tab or a carriage return for a formula and computes it ("=1+1" shows 2,
// "=HYPERLINK(…)" a live link). An export guards such a value with a
// leading apostrophe, the mark of a text in a spreadsheet. A value that
// already begins with apostrophes before such a character gains one as
// well, so that taking exactly one off on reading gives back every value
// as it was.
namespace FormulaGuard {

inline bool triggers(char16_t c)
{
    return c == u'=' || c == u'+' || c == u'-' || c == u'@' || c == u'\t' || c == u'\r';
}

inline bool needed(QByteArrayView utf8)
{
    qsizetype i = 0;
    while (i < utf8.size() && utf8[i] == '\'')
        ++i;
    return i < utf8.size() && triggers(char16_t(utf8[i]));
}

// Whether a value read from CSV carries the guard.
inline bool guarded(QByteArrayView utf8)
{
    return utf8.startsWith('\'') && needed(utf8);
}

} // namespace FormulaGuard
