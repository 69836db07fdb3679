#include "FieldFilter.h"

#include "FindFolding.h"
#include "HistoricalYear.h"

#include <QRegularExpression>
#include <algorithm>
#include <limits>
#include <string_view>

namespace {

bool onlyDigits(QByteArrayView text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

FieldFilter::FieldFilter(const QString &typed, Kind kind)
{
    QString rest = typed.trimmed();
    if (rest.startsWith(QLatin1Char('!'))) {
        m_negated = true;
        rest = rest.mid(1).trimmed();
    }
    if (rest.isEmpty()) {
        m_negated = false;
        return;
    }
    if (rest == QLatin1String("\"\"")) {
        m_test = Test::Empty;
        return;
    }
    if (rest == QLatin1String("*")) {
        m_test = Test::Empty;
        m_negated = !m_negated;
        return;
    }
    if ((kind == Kind::Year && readYears(rest)) || (kind == Kind::PostalCode && readPostalCodes(rest)))
        return;
    const bool whole = rest.startsWith(QLatin1Char('='));
    m_text = FoldForFind(whole ? rest.mid(1).trimmed() : rest).toUtf8();
    if (whole)
        m_test = m_text.isEmpty() ? Test::Empty : Test::Is;
    else if (!m_text.isEmpty())
        m_test = Test::Holds;
}

bool FieldFilter::readYears(const QString &typed)
{
    static const QRegularExpression compared(QStringLiteral("^(<=|>=|<|>)?\\s*(\\d{1,4})$"));
    static const QRegularExpression range(QStringLiteral("^(\\d{1,4})\\s*-\\s*(\\d{1,4})$"));
    constexpr qint64 Lowest = std::numeric_limits<qint64>::min();
    constexpr qint64 Highest = std::numeric_limits<qint64>::max();
    if (const QRegularExpressionMatch match = compared.match(typed); match.hasMatch()) {
        const qint64 year = match.captured(2).toLongLong();
        const QString how = match.captured(1);
        m_low = how.isEmpty() || how == QLatin1String(">=") ? year : how == QLatin1String(">") ? year + 1 : Lowest;
        m_high = how.isEmpty() || how == QLatin1String("<=") ? year : how == QLatin1String("<") ? year - 1 : Highest;
    } else if (!readRange(range.match(typed))) {
        return false;
    }
    m_test = Test::YearIn;
    return true;
}

bool FieldFilter::readPostalCodes(const QString &typed)
{
    static const QRegularExpression prefix(QStringLiteral("^\\d{1,5}$"));
    static const QRegularExpression range(QStringLiteral("^(\\d{1,5})\\s*-\\s*(\\d{1,5})$"));
    if (prefix.match(typed).hasMatch()) {
        m_text = typed.toLatin1();
        m_test = Test::Prefix;
    } else if (readRange(range.match(typed))) {
        m_test = Test::CodeIn;
    } else {
        return false;
    }
    return true;
}

bool FieldFilter::readRange(const QRegularExpressionMatch &match)
{
    if (!match.hasMatch())
        return false;
    // Either end may come first.
    const qint64 one = match.captured(1).toLongLong();
    const qint64 other = match.captured(2).toLongLong();
    m_low = std::min(one, other);
    m_high = std::max(one, other);
    return true;
}

bool FieldFilter::test(QByteArrayView folded) const
{
    switch (m_test) {
    case Test::Everything:
        return true;
    case Test::Holds:
        return std::string_view(folded.data(), size_t(folded.size()))
                   .find(std::string_view(m_text.constData(), size_t(m_text.size())))
            != std::string_view::npos;
    case Test::Is:
        return folded == m_text;
    case Test::Empty:
        return folded.isEmpty();
    case Test::YearIn: {
        const HistoricalYear read = ReadYear(QString::fromUtf8(folded));
        return read.form != HistoricalYear::Form::NotAYear && read.year >= m_low && read.year <= m_high;
    }
    case Test::Prefix:
        return folded.startsWith(m_text);
    case Test::CodeIn:
        if (!onlyDigits(folded) || folded.size() > 5)
            return false;
        const qint64 code = folded.toByteArray().toLongLong();
        return code >= m_low && code <= m_high;
    }
    return false;
}

bool FieldFilter::passes(QByteArrayView folded) const
{
    return test(folded) != m_negated;
}
