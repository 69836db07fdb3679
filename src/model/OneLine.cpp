#include "OneLine.h"

#include "CodeUnit.h"

#include <algorithm>

namespace {

// A NUL is no line break, but no reader of a text file takes it either
// (the importer refuses it as binary).
bool breaks(QChar c)
{
    return c == u'\t' || c == u'\n' || c == u'\r' || c == u'\0';
}

} // namespace

bool IsOneLine(QAnyStringView text)
{
    // These are the same byte in every encoding of a view.
    return text.visit([](auto view) {
        const auto *units = view.data();
        return std::none_of(units, units + view.size(), [](auto unit) { return breaks(QChar(CodeUnit(unit))); });
    });
}

QString OneLine(QAnyStringView view, qsizetype *replaced)
{
    const QString text = view.toString();
    if (IsOneLine(text))
        return text;
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
