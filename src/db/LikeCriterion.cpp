#include "LikeCriterion.h"

#include "StoreError.h"

namespace {

[[noreturn]] void invalid(const QString &criterion)
{
    throw StoreError(QStringLiteral("The search criterion \"%1\" is not of the form Field like 'text'.").arg(criterion));
}

} // namespace

LikeCriterion LikeCriterion::parse(const QString &criterion)
{
    const QString text = criterion.trimmed();
    int i = 0;
    while (i < text.size() && (text.at(i).isLetterOrNumber() || text.at(i) == QLatin1Char('_')) && text.at(i).unicode() < 128)
        ++i;
    LikeCriterion result;
    result.m_field = text.left(i);
    if (result.m_field.isEmpty() || result.m_field.at(0).isDigit())
        invalid(criterion);

    const auto skipSpaces = [&] {
        const int start = i;
        while (i < text.size() && text.at(i).isSpace())
            ++i;
        return i > start;
    };
    if (!skipSpaces() || text.mid(i, 4).compare(QLatin1String("like"), Qt::CaseInsensitive) != 0)
        invalid(criterion);
    i += 4;
    if (!skipSpaces() || i >= text.size() || text.at(i) != QLatin1Char('\''))
        invalid(criterion);
    ++i;

    QString pattern;
    for (;;) {
        if (i >= text.size())
            invalid(criterion); // no closing quote
        const QChar c = text.at(i++);
        if (c != QLatin1Char('\'')) {
            pattern += c;
        } else if (i < text.size() && text.at(i) == QLatin1Char('\'')) {
            pattern += c;
            ++i;
        } else {
            break;
        }
    }
    if (i != text.size())
        invalid(criterion);
    result.m_pattern = pattern.toCaseFolded();
    // The jump list's criteria are all of the form 'Be*': those are matched
    // without building a folded copy of every value.
    const qsizetype star = result.m_pattern.indexOf(QLatin1Char('*'));
    if (star == result.m_pattern.size() - 1 && !result.m_pattern.contains(QLatin1Char('?'))) {
        result.m_isPrefix = true;
        result.m_prefix = result.m_pattern.left(star);
    }
    return result;
}

LikeCriterion LikeCriterion::startingWith(const QString &field, const QString &prefix)
{
    LikeCriterion result;
    result.m_field = field;
    result.m_prefix = prefix.toCaseFolded();
    result.m_pattern = result.m_prefix + QLatin1Char('*');
    result.m_isPrefix = true;
    return result;
}

bool LikeCriterion::matches(const QString &value) const
{
    // Wildcard match with one backtracking point: linear in practice and
    // never recursive, whatever the pattern.
    if (m_isPrefix)
        return QStringView(value).left(m_prefix.size()).compare(m_prefix, Qt::CaseInsensitive) == 0;
    const QString text = value.toCaseFolded();
    const QChar *p = m_pattern.constData();
    const QChar *t = text.constData();
    const qsizetype pn = m_pattern.size();
    const qsizetype tn = text.size();
    qsizetype pi = 0, ti = 0, star = -1, resume = 0;
    while (ti < tn) {
        if (pi < pn && p[pi] == QLatin1Char('*')) {
            star = pi++;
            resume = ti;
        } else if (pi < pn && (p[pi] == QLatin1Char('?') || p[pi] == t[ti])) {
            ++pi;
            ++ti;
        } else if (star >= 0) {
            pi = star + 1;
            ti = ++resume;
        } else {
            return false;
        }
    }
    while (pi < pn && p[pi] == QLatin1Char('*'))
        ++pi;
    return pi == pn;
}
