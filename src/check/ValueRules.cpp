#include "ValueRules.h"

#include <QRegularExpression>

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

std::optional<ValueNote> ValueRules::noteOnYear(bool onStop, const QString &start, const QString &stop,
                                                const QString &startCaption, const QString &stopCaption) const
{
    // Errors first: a year that is none says more than its order.
    std::optional<ValueNote> note = onStop ? year(stopCaption, stop) : year(startCaption, start);
    if (note && note->error)
        return note;
    if (onStop) {
        const int from = ReadYear(start).year;
        const int to = ReadYear(stop).year;
        if (from > 0 && to > 0 && to < from)
            return ValueNote{QStringLiteral("%1 %2 lies before %3 %4")
                                 .arg(stopCaption, stop.trimmed(), startCaption, start.trimmed()),
                             true, ValueNote::Rule::StopBeforeStart};
    }
    return note;
}

std::optional<ValueNote> ValueRules::noteOnPostalCode(const QString &code, const QString &caption) const
{
    static const QRegularExpression five(QStringLiteral("^\\d{5}$"));
    static const QRegularExpression four(QStringLiteral("^\\d{4}$"));
    const QString text = code.trimmed();
    if (text.isEmpty() || five.match(text).hasMatch())
        return std::nullopt;
    if (four.match(text).hasMatch())
        return ValueNote{QStringLiteral("%1 %2 is a four-digit postal code of before 1993").arg(caption, text), false,
                         ValueNote::Rule::PostalCode};
    return ValueNote{QStringLiteral("%1 \"%2\" is neither five digits nor a four-digit code of before 1993").arg(caption, text),
                     true, ValueNote::Rule::PostalCode};
}

std::optional<ValueNote> ValueRules::noteOn(const QString &field, const std::function<QString(const QString &)> &valueOf,
                                            const std::function<QString(const QString &)> &captionOf) const
{
    static const QString Start = QStringLiteral("StartYear");
    static const QString Stop = QStringLiteral("StopYear");
    if (field == Start || field == Stop)
        return noteOnYear(field == Stop, valueOf(Start), valueOf(Stop), captionOf(Start), captionOf(Stop));
    if (field == QLatin1String("PostalCode"))
        return noteOnPostalCode(valueOf(field), captionOf(field));
    return std::nullopt;
}
