#include "ShownValue.h"

QString ShownValue(const QVariant &value)
{
    if (value.isNull())
        return QStringLiteral("(empty)");
    QString text = value.toString();
    if (text.isEmpty())
        return QStringLiteral("(empty text)");
    qsizetype first = 0;
    while (first < text.size() && text.at(first) == QLatin1Char(' '))
        text[first++] = QChar(0x2423);
    for (qsizetype last = text.size() - 1; last >= first && text.at(last) == QLatin1Char(' '); --last)
        text[last] = QChar(0x2423);
    return text;
}
