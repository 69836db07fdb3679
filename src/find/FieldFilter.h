#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class QRegularExpressionMatch;

// What the user typed in the filter row under one column's caption, read
// once and then asked of every value of that column. Values are asked as
// the find folds them (FindFolding), so "münchen" meets "MUENCHEN":
//   text        the value holds it anywhere
//   =text       the value is exactly it
//   ""          the value is empty or Null;  *  it is not
//   !filter     the value does not pass `filter`
// A year column also reads <1800, <=1800, >1900, >=1900, 1850-1900 and
// 1850, which pass the values that name such a year as the check reads
// years ("um 1850" counts as 1850); values that name no year pass none of
// them. The postal code column reads 96 as a prefix and 90000-96999 as a
// range of codes written in digits alone.
class FieldFilter {
public:
    enum class Kind { Text, Year, PostalCode };

    FieldFilter(const QString &typed, Kind kind);

    // Nothing typed (or only "!") narrows nothing.
    bool isSet() const { return m_test != Test::Everything; }
    // Whether a value passes, folded for the find; Null and empty text
    // are both the empty view.
    bool passes(QByteArrayView folded) const;

private:
    enum class Test { Everything, Holds, Is, Empty, YearIn, Prefix, CodeIn };

    bool readYears(const QString &typed);
    bool readPostalCodes(const QString &typed);
    // "1850-1900": the two ends, either first, as the range; false when
    // `match` did not match.
    bool readRange(const QRegularExpressionMatch &match);
    bool test(QByteArrayView folded) const;

    Test m_test = Test::Everything;
    bool m_negated = false;
    QByteArray m_text;
    qint64 m_low = 0;
    qint64 m_high = 0;
};
