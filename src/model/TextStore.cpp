#include "TextStore.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

// Blocks grow from small (an object made on its own) to large (a register
// read whole), so neither wastes much.
constexpr size_t LargestBlock = size_t(1) << 20;

} // namespace

TextStore::Id TextStore::add(QStringView text)
{
    if (text.isEmpty())
        return 0;
    const size_t length = size_t(text.size());
    if (length > 0xffffffffu || m_starts.size() >= 0xffffffffu)
        throw std::length_error("too many texts for one store");
    const size_t needed = length + 2;
    if (needed > m_left) {
        const size_t size = std::max(needed, m_nextBlock);
        m_nextBlock = std::min(m_nextBlock * 2, LargestBlock);
        m_blocks.push_back(std::make_unique_for_overwrite<char16_t[]>(size));
        m_free = m_blocks.back().get();
        m_left = size;
    }
    m_free[0] = char16_t(length & 0xffff);
    m_free[1] = char16_t(length >> 16);
    std::memcpy(m_free + 2, text.utf16(), length * sizeof(char16_t));
    m_starts.push_back(m_free + 2);
    m_free += needed;
    m_left -= needed;
    return Id(m_starts.size());
}
