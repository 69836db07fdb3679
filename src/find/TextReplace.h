#pragma once

#include <QString>
#include <optional>

// What Edit > Replace… looks for in a value and what it puts in its place.
struct TextReplace {
    QString find;
    QString replacement;
    // As typed, case and accents; else as the find compares ("mueller"
    // finds "Müller").
    bool exact = false;
    // The whole value only; else every place in it that holds `find`. An
    // empty `find` is then an empty value, Null too.
    bool wholeValue = false;

    // Whether it can find anything: a part to find is never empty.
    bool isComplete() const { return wholeValue || !find.isEmpty(); }
    // `value` with the replacement made and trimmed as a grid edit trims
    // what is typed; none where `find` is not in it.
    std::optional<QString> applied(const QString &value) const;
};
