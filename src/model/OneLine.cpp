#include "OneLine.h"

#include <algorithm>

namespace {

bool breaks(QChar c)
{
    return c == u'\t' || c == u'\n' || c == u'\r';
}

} // namespace

bool IsOneLine(QStringView text)
{
    return std::none_of(text.begin(), text.end(), breaks);
}

QString OneLine(QStringView text, qsizetype *replaced)
{
    if (IsOneLine(text))
        return text.toString();
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!breaks(c)) {
            line += c;
            continue;
        }
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        line += QLatin1Char(' ');
        if (replaced)
            ++*replaced;
    }
    return line;
}
