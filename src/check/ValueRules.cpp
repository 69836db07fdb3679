#include "ValueRules.h"

#include <QRegularExpression>

HistoricalYear ReadYear(const QString &text)
{
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

std::optional<ValueNote> ValueRules::year(const QString &caption, const QString &text) const
{
    if (text.trimmed().isEmpty())
        return std::nullopt;
    const HistoricalYear read = ReadYear(text);
    switch (read.form) {
    case HistoricalYear::Form::NotAYear:
        return ValueNote{QStringLiteral("%1 \"%2\" is not a year").arg(caption, text), true};
    case HistoricalYear::Form::Approximate:
        if (read.year > m_currentYear)
            break;
        return ValueNote{QStringLiteral("%1 \"%2\" is a year not known exactly").arg(caption, text), false};
    case HistoricalYear::Form::Exact:
        break;
    }
    if (read.year > m_currentYear)
        return ValueNote{QStringLiteral("%1 %2 lies in the future").arg(caption, text), true};
    return std::nullopt;
}

std::optional<ValueNote> ValueRules::noteOn(const QString &field, const std::function<QString(const QString &)> &valueOf,
                                            const std::function<QString(const QString &)> &captionOf) const
{
    static const QString Start = QStringLiteral("StartYear");
    static const QString Stop = QStringLiteral("StopYear");
    if (field == Start || field == Stop) {
        const QString text = valueOf(field);
        // Errors first: a year that is none says more than its order.
        std::optional<ValueNote> note = year(captionOf(field), text);
        if (note && note->error)
            return note;
        const HistoricalYear start = ReadYear(valueOf(Start));
        const HistoricalYear stop = ReadYear(valueOf(Stop));
        if (field == Stop && start.year > 0 && stop.year > 0 && stop.year < start.year)
            return ValueNote{QStringLiteral("%1 %2 lies before %3 %4")
                                 .arg(captionOf(Stop), valueOf(Stop).trimmed(), captionOf(Start), valueOf(Start).trimmed()),
                             true, ValueNote::Rule::StopBeforeStart};
        return note;
    }
    if (field == QLatin1String("PostalCode")) {
        static const QRegularExpression five(QStringLiteral("^\\d{5}$"));
        static const QRegularExpression four(QStringLiteral("^\\d{4}$"));
        const QString text = valueOf(field).trimmed();
        if (text.isEmpty() || five.match(text).hasMatch())
            return std::nullopt;
        if (four.match(text).hasMatch())
            return ValueNote{QStringLiteral("%1 %2 is a four-digit postal code of before 1993").arg(captionOf(field), text),
                             false, ValueNote::Rule::PostalCode};
        return ValueNote{
            QStringLiteral("%1 \"%2\" is neither five digits nor a four-digit code of before 1993").arg(captionOf(field), text),
            true, ValueNote::Rule::PostalCode};
    }
    return std::nullopt;
}
