#pragma once

#include <QString>

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
