#include "ChronikRef.h"

#include <numeric>

void ChronikBlock::spellOut()
{
    if (listed.empty()) {
        listed.resize(entries.size());
        std::iota(listed.begin(), listed.end(), quint32(0));
    }
}

void ChronikBlock::append(const ChronikTexts &texts, const TextStore &store)
{
    entries.push_back(texts);
    if (!listed.empty())
        listed.push_back(quint32(entries.size() - 1));
    // A single bubble pass, not a full sort: an entry added out of order
    // moves at most one place forward. Ordinal comparison, code unit by code
    // unit, so "B" comes before "a" and "10" before "9". The list's numbers
    // move; the entries stay where they are.
    const auto code = [&](size_t place) { return store.view(entries[numberAt(place)][ChronikRef::Code]); };
    for (size_t i = 0; i + 1 < listedCount(); ++i) {
        if (QAnyStringView::compare(code(i), code(i + 1), Qt::CaseSensitive) > 0) {
            spellOut();
            std::swap(listed[i], listed[i + 1]);
        }
    }
}

void ChronikBlock::shiftTexts(TextStore::Id shift)
{
    for (ChronikTexts &entry : entries) {
        for (TextStore::Id &id : entry) {
            if (id != 0)
                id += shift;
        }
    }
}

void ChronikRef::setText(int which, QStringView val) const
{
    if (ChronikTexts *stored = entry())
        (*stored)[size_t(which)] = m_store->add(val);
}
