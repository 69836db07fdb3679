#pragma once

#include <QString>
#include <functional>
#include <optional>

// A year as a historian writes it: "1850", or one of the common forms of a
// year not known exactly ("um 1850", "ca. 1850", "vor 1900", "nach 1900",
// "1850?", "1850/51").
struct HistoricalYear {
    enum class Form { Exact, Approximate, NotAYear };
    Form form = Form::NotAYear;
    // The year the text names; 0 when it names none.
    int year = 0;
};
HistoricalYear ReadYear(const QString &text);

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
