#pragma once

#include <QAnyStringView>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <memory>
#include <vector>

// The texts of objects read together, each kept in blocks that never move
// and named by a number; number 0 is the empty text. A million breweries
// with four million history entries hold some twenty million texts: as
// numbers into one store they take a fraction of what as many QStrings
// would. The store only grows: a text replaced through a setter stays until
// the last object sharing the store goes.
//
// A text's number says where it stands: its block in the upper bits, its
// place in the block in the lower ones, with its length in the two units
// before it. A text whose every character fits in a byte, as nearly every
// German one does, is kept one byte a character.
class TextStore {
public:
    using Id = quint32;

    TextStore() = default;
    TextStore(const TextStore &) = delete;
    TextStore &operator=(const TextStore &) = delete;

    Id add(QStringView text);
    // For texts known to be ASCII, as codes are, with no conversion.
    Id addAscii(QByteArrayView text);
    // Takes over every text of `other`, which is left empty: a text's
    // number there plus the returned shift is its number here. Texts read
    // on two threads into two stores thus become one store without a copy.
    Id absorb(TextStore &&other);
    QAnyStringView view(Id id) const
    {
        if (id == 0)
            return {};
        const char16_t *start = m_blocks[id >> PlaceBits].get() + (id & PlaceMask);
        const quint32 header = quint32(start[-2]) | (quint32(start[-1]) << 16);
        const qsizetype length = qsizetype(header & ~Bytewise);
        if (header & Bytewise)
            return QLatin1StringView(reinterpret_cast<const char *>(start), length);
        return QStringView(start, length);
    }

private:
    static constexpr quint32 Bytewise = 0x80000000u;
    // Room for a text of `length` characters, a byte or a unit each,
    // behind its length; returns where the text goes, and its number.
    char16_t *place(size_t length, bool bytewise, Id &id);

    static constexpr int PlaceBits = 20;
    static constexpr Id PlaceMask = (Id(1) << PlaceBits) - 1;

    std::vector<std::unique_ptr<char16_t[]>> m_blocks;
    size_t m_used = 0; // units taken in the last block
    size_t m_size = 0; // units the last block holds
};
