#include "HistoricalYear.h"

#include <QRegularExpression>
#include <algorithm>

HistoricalYear ReadYear(const QString &text)
{
    // Nearly every year is three or four digits alone: read without a pattern.
    if (text.size() >= 3 && text.size() <= 4
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return {HistoricalYear::Form::Exact, text.toInt()};
    if (text.isEmpty())
        return {};
    static const QRegularExpression exact(QStringLiteral("^(\\d{3,4})$"));
    static const QRegularExpression approximate(QStringLiteral(
        "^(?:(?:um|ca\\.?|circa|vor|nach|ab|bis|etwa)\\s*(\\d{3,4})|(\\d{3,4})\\s*\\?|(\\d{3,4})\\s*/\\s*\\d{1,4})$"),
        QRegularExpression::CaseInsensitiveOption);
    const QString trimmed = text.trimmed();
    if (const QRegularExpressionMatch match = exact.match(trimmed); match.hasMatch())
        return {HistoricalYear::Form::Exact, match.captured(1).toInt()};
    if (const QRegularExpressionMatch match = approximate.match(trimmed); match.hasMatch()) {
        for (int group = 1; group <= 3; ++group) {
            if (match.hasCaptured(group))
                return {HistoricalYear::Form::Approximate, match.captured(group).toInt()};
        }
    }
    return {};
}
