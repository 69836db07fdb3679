#include "TextNumbers.h"

#include <algorithm>
#include <functional>

namespace {

quint64 hashOf(std::string_view text)
{
    return std::hash<std::string_view>{}(text);
}

} // namespace

size_t TextNumbers::placeOf(std::string_view text, quint64 hash) const
{
    const size_t mask = m_table.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const quint64 entry = m_table[i];
        if (entry == 0 || ((entry >> 32) == (hash >> 32) && textOf(quint32(entry)) == text))
            return i;
    }
}

quint32 TextNumbers::find(std::string_view text) const
{
    return m_table.empty() ? 0 : quint32(m_table[placeOf(text, hashOf(text))]);
}

quint32 TextNumbers::number(std::string_view text)
{
    if (2 * (m_ends.size() + 1) > m_table.size())
        grow();
    const quint64 hash = hashOf(text);
    quint64 &entry = m_table[placeOf(text, hash)];
    if (entry == 0) {
        m_text.append(text);
        m_ends.push_back(m_text.size());
        entry = ((hash >> 32) << 32) | m_ends.size();
    }
    return quint32(entry);
}

void TextNumbers::grow()
{
    std::vector<quint64> table(std::max<size_t>(64, 2 * m_table.size()), 0);
    m_table.swap(table);
    for (quint64 entry : table) {
        if (entry != 0)
            m_table[placeOf(textOf(quint32(entry)), hashOf(textOf(quint32(entry))))] = entry;
    }
}
