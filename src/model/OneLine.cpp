#include "OneLine.h"

#include "CodeUnit.h"

#include <algorithm>

namespace {

bool breaks(QChar c, Nuls nuls)
{
    return c == u'\t' || c == u'\n' || c == u'\r' || (c == u'\0' && nuls == Nuls::Blanked);
}

} // namespace

bool IsOneLine(QAnyStringView text, Nuls nuls)
{
    // These are the same byte in every encoding of a view.
    return text.visit([nuls](auto view) {
        const auto *units = view.data();
        return std::none_of(units, units + view.size(), [nuls](auto unit) { return breaks(QChar(CodeUnit(unit)), nuls); });
    });
}

QString OneLine(QAnyStringView view, qsizetype *replaced, Nuls nuls)
{
    const QString text = view.toString();
    if (IsOneLine(text, nuls))
        return text;
    QString line;
    line.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!breaks(c, nuls)) {
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
