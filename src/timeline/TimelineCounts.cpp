#include "TimelineCounts.h"

#include <QCollator>
#include <QLocale>
#include <QMap>
#include <algorithm>

std::optional<int> YearOf(const QString &field)
{
    const auto digit = [&](qsizetype at) { return at < field.size() && field[at] >= u'0' && field[at] <= u'9'; };
    qsizetype i = 0;
    while (i < field.size()) {
        if (!digit(i)) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (digit(end))
            ++end;
        if (end - i == 3 || end - i == 4)
            return field.mid(i, end - i).toInt();
        i = end;
    }
    return std::nullopt;
}

int TimelineCounts::count(int state, int year) const
{
    if (year < firstYear || year > lastYear)
        return 0;
    return perState[size_t(state)][size_t(year - firstYear)];
}

int TimelineCounts::total(int year) const
{
    int sum = 0;
    for (int s = 0; s < int(states.size()); ++s)
        sum += count(s, year);
    return sum;
}

TimelineCounts CountTimeline(const std::vector<TimelineBrewery> &breweries, int currentYear)
{
    struct Span {
        QString state;
        int from;
        int to;
    };
    TimelineCounts counts;
    std::vector<Span> spans;
    spans.reserve(breweries.size());
    for (const TimelineBrewery &b : breweries) {
        const std::optional<int> start = YearOf(b.startYear);
        if (!start) {
            ++counts.noStartYear;
            continue;
        }
        const int stop = YearOf(b.stopYear).value_or(std::max(currentYear, *start));
        if (stop < *start) {
            ++counts.stopBeforeStart;
            continue;
        }
        spans.push_back({b.state.trimmed().isEmpty() ? TimelineCounts::NoState : b.state.trimmed(), *start, stop});
    }
    counts.charted = int(spans.size());
    if (spans.empty())
        return counts;

    QCollator german(QLocale(QLocale::German));
    QMap<QString, int> seen;
    for (const Span &s : spans)
        seen.insert(s.state, 0);
    counts.states = seen.keys();
    std::sort(counts.states.begin(), counts.states.end(), german);
    for (int i = 0; i < int(counts.states.size()); ++i)
        seen[counts.states[i]] = i;

    counts.firstYear = std::min_element(spans.begin(), spans.end(), [](auto &a, auto &b) { return a.from < b.from; })->from;
    counts.lastYear = std::max_element(spans.begin(), spans.end(), [](auto &a, auto &b) { return a.to < b.to; })->to;
    // Each span adds one at its first year and takes it away after its
    // last; a running sum then gives every year in one pass.
    const size_t width = size_t(counts.years()) + 1;
    counts.perState.assign(size_t(counts.states.size()), std::vector<int>(width, 0));
    for (const Span &s : spans) {
        std::vector<int> &row = counts.perState[size_t(seen.value(s.state))];
        ++row[size_t(s.from - counts.firstYear)];
        --row[size_t(s.to - counts.firstYear + 1)];
    }
    for (std::vector<int> &row : counts.perState) {
        for (size_t y = 1; y < width; ++y)
            row[y] += row[y - 1];
        row.pop_back();
    }
    return counts;
}
