#pragma once

#include <QtGlobal>
#include <string>
#include <string_view>
#include <vector>

// Numbers distinct texts from 1 in the order first met. An open-addressing
// table over one block of text: a million look-ups stay in the processor's
// caches, where a map of nodes would miss them at every step.
class TextNumbers {
public:
    quint32 number(std::string_view text);
    // The number of `text` if it was met; 0 otherwise.
    quint32 find(std::string_view text) const;
    size_t size() const { return m_ends.size(); }
    // Text number `n`, valid until the next call of number().
    std::string_view textOf(quint32 n) const
    {
        const size_t start = n > 1 ? m_ends[n - 2] : 0;
        return std::string_view(m_text).substr(start, m_ends[n - 1] - start);
    }

private:
    // Where `text` stands in the table, or the free place it would take.
    size_t placeOf(std::string_view text, quint64 hash) const;
    void grow();

    std::string m_text;
    std::vector<size_t> m_ends;
    std::vector<quint64> m_table; // hash's upper half << 32 | number; 0 is free
};
