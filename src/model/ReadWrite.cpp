#include "ReadWrite.h"

#include <stdexcept>

QStringList SplitString(const QString &text, const QString &delimiter, qint32 limit, qint32 compareMode)
{
    if (delimiter.isEmpty())
        throw std::invalid_argument("SplitString needs a non-empty delimiter");
    if (compareMode != CompareBinary && compareMode != CompareText)
        throw std::invalid_argument("SplitString compare mode must be 0 or 1");
    const Qt::CaseSensitivity cs = compareMode == CompareText ? Qt::CaseInsensitive : Qt::CaseSensitive;

    QStringList pieces;
    // Room grows by 100 pieces at a time, so a long line is not reallocated
    // for every piece.
    pieces.reserve(101);
    qsizetype start = 0;
    while (start < text.size() && pieces.size() != limit) {
        qsizetype found = text.indexOf(delimiter, start, cs);
        if (found < 0)
            found = text.size();
        if (pieces.size() == pieces.capacity())
            pieces.reserve(pieces.size() + 100);
        pieces.append(text.mid(start, found - start));
        start = found + delimiter.size();
    }
    return pieces;
}
