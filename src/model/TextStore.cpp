#include "TextStore.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

// Blocks grow from small (an object made on its own) to as large as a place
// in a number reaches (a register read whole), so neither wastes much.
constexpr size_t FirstBlock = 64;

} // namespace

char16_t *TextStore::place(size_t length, bool bytewise, Id &id)
{
    if (length >= Bytewise)
        throw std::length_error("a text too long for the store");
    const size_t needed = (bytewise ? (length + 1) / 2 : length) + 2;
    if (m_blocks.empty() || m_used + needed > m_size) {
        if (m_blocks.size() > (Id(-1) >> PlaceBits))
            throw std::length_error("too many texts for one store");
        // A text longer than a block's places stands alone at the start of
        // a block of its own size.
        const size_t largest = size_t(PlaceMask) + 1;
        const size_t grown = m_blocks.empty() ? FirstBlock : std::min(m_size * 2, largest);
        m_size = std::max(needed, grown);
        m_blocks.push_back(std::make_unique_for_overwrite<char16_t[]>(m_size));
        m_used = 0;
    }
    const quint32 header = quint32(length) | (bytewise ? Bytewise : 0);
    char16_t *at = m_blocks.back().get() + m_used;
    at[0] = char16_t(header & 0xffff);
    at[1] = char16_t(header >> 16);
    id = Id((m_blocks.size() - 1) << PlaceBits) | Id(m_used + 2);
    m_used += needed;
    return at + 2;
}

TextStore::Id TextStore::add(QStringView text)
{
    Id id = 0;
    if (text.isEmpty())
        return id;
    const size_t length = size_t(text.size());
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; })) {
        auto *bytes = reinterpret_cast<char *>(place(length, true, id));
        for (const QChar c : text)
            *bytes++ = char(c.unicode());
    } else {
        std::memcpy(place(length, false, id), text.utf16(), length * sizeof(char16_t));
    }
    return id;
}

TextStore::Id TextStore::absorb(TextStore &&other)
{
    if (m_blocks.size() + other.m_blocks.size() > size_t(Id(-1) >> PlaceBits) + 1)
        throw std::length_error("too many texts for one store");
    const Id shift = Id(m_blocks.size()) << PlaceBits;
    if (other.m_blocks.empty())
        return shift;
    for (auto &block : other.m_blocks)
        m_blocks.push_back(std::move(block));
    // New texts go on in the last block taken over.
    m_used = other.m_used;
    m_size = other.m_size;
    other.m_blocks.clear();
    other.m_used = other.m_size = 0;
    return shift;
}

TextStore::Id TextStore::addAscii(QByteArrayView text)
{
    Id id = 0;
    if (!text.isEmpty())
        std::memcpy(place(size_t(text.size()), true, id), text.data(), size_t(text.size()));
    return id;
}
