#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The year a field of the register names: its first run of three or four
// digits ("um 1850" and "1850?" give 1850, "18. Jh." gives none).
std::optional<int> YearOf(const QString &field);

// One brewery as the timeline reads it; a Null field is an empty text.
struct TimelineBrewery {
    QString state;
    QString startYear;
    QString stopYear;
};

// How many breweries were in operation in each year, per state. A brewery
// is in operation in every year from its start year to its stop year, and
// up to the current year when it has no stop year.
struct TimelineCounts {
    static inline const QString NoState = QStringLiteral("(none)");

    int firstYear = 0;
    int lastYear = -1; // before firstYear: no year at all
    QStringList states; // in German order, "(none)" for an empty state
    std::vector<std::vector<int>> perState; // [state][year - firstYear]
    int charted = 0;
    int noStartYear = 0;     // left out: no usable start year
    int stopBeforeStart = 0; // left out: the stop year lies before the start

    int years() const { return lastYear - firstYear + 1; }
    int count(int state, int year) const;
    int total(int year) const;
    int leftOut() const { return noStartYear + stopBeforeStart; }
};

TimelineCounts CountTimeline(const std::vector<TimelineBrewery> &breweries, int currentYear);
