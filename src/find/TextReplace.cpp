#include "TextReplace.h"

#include "FindFolding.h"
#include "TrimBlanks.h"

#include <vector>

namespace {

// Every place of `find` in `value` as the find compares, replaced. A place
// begins and ends between two characters of `value` as typed (the "ss" of
// an "ß" is not found in halves). What folds to nothing (the "e" of "ue",
// a combining accent) belongs to the character before it.
std::optional<QString> replacedFolded(const QString &value, const QString &foldedFind, const QString &replacement)
{
    const QString folded = FoldForFind(value);
    if (!folded.contains(foldedFind))
        return std::nullopt;
    // Where each character of `value` begins, and how far its folding
    // reaches: folding goes left to right, so each prefix folds to a
    // prefix of the whole.
    std::vector<qsizetype> starts;
    std::vector<qsizetype> foldedEnds;
    for (qsizetype i = 0; i < value.size(); i += value.at(i).isHighSurrogate() && i + 1 < value.size() ? 2 : 1)
        starts.push_back(i);
    starts.push_back(value.size());
    for (const qsizetype start : starts)
        foldedEnds.push_back(FoldForFind(value.left(start)).size());

    QString out;
    bool found = false;
    size_t taken = 0; // characters of `value` before this index are in `out`
    for (qsizetype at = folded.indexOf(foldedFind); at >= 0;) {
        const qsizetype end = at + foldedFind.size();
        size_t first = taken;
        while (first < starts.size() && foldedEnds[first] < at)
            ++first;
        size_t last = first;
        while (last < starts.size() && foldedEnds[last] < end)
            ++last;
        if (first == starts.size() || last == starts.size() || foldedEnds[first] != at || foldedEnds[last] != end) {
            at = folded.indexOf(foldedFind, at + 1);
            continue;
        }
        while (first + 1 < starts.size() && foldedEnds[first + 1] == at)
            ++first;
        while (last + 1 < starts.size() && foldedEnds[last + 1] == end)
            ++last;
        out += value.mid(starts[taken], starts[first] - starts[taken]) + replacement;
        found = true;
        taken = last;
        at = folded.indexOf(foldedFind, std::max(end, at + 1));
    }
    if (!found)
        return std::nullopt;
    return out + value.mid(starts[taken]);
}

} // namespace

std::optional<QString> TextReplace::applied(const QString &value) const
{
    if (!isComplete())
        return std::nullopt;
    QString replaced;
    if (wholeValue) {
        const bool same = exact ? value == find : FoldForFind(value) == FoldForFind(find);
        if (!same)
            return std::nullopt;
        replaced = replacement;
    } else if (exact) {
        if (!value.contains(find))
            return std::nullopt;
        replaced = QString(value).replace(find, replacement);
    } else {
        const std::optional<QString> folded = replacedFolded(value, FoldForFind(find), replacement);
        if (!folded)
            return std::nullopt;
        replaced = *folded;
    }
    return TrimBlanks(replaced);
}
