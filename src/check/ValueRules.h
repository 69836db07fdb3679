#pragma once

#include "HistoricalYear.h"

#include <QString>
#include <functional>
#include <optional>

// What the register notes about a value it stores as typed: an error (a
// year that is none, a stop before the start, a year to come, a postal code
// of no known shape) or only a note (a year not known exactly, a postal
// code of before 1993). Nothing is refused; the words name the fields as
// the grids caption them.
struct ValueNote {
    enum class Rule { Year, StopBeforeStart, PostalCode };
    QString text;
    bool error = true;
    Rule rule = Rule::Year;
};

class ValueRules {
public:
    explicit ValueRules(int currentYear) : m_currentYear(currentYear) {}

    // The note on `field` ("StartYear", "StopYear", "PostalCode") of a row
    // whose values `valueOf` gives by field, with `captionOf` naming them.
    std::optional<ValueNote> noteOn(const QString &field, const std::function<QString(const QString &)> &valueOf,
                                    const std::function<QString(const QString &)> &captionOf) const;

    // The same for a row's years, on its start year or its stop year, and
    // for a postal code, with the values and captions at hand.
    std::optional<ValueNote> noteOnYear(bool onStop, const QString &start, const QString &stop,
                                        const QString &startCaption, const QString &stopCaption) const;
    std::optional<ValueNote> noteOnPostalCode(const QString &text, const QString &caption) const;

private:
    std::optional<ValueNote> year(const QString &caption, const QString &text) const;

    int m_currentYear;
};
