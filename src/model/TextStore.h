#pragma once

#include <QStringView>
#include <memory>
#include <vector>

// The texts of objects read together, each kept in blocks that never move
// and named by a number; number 0 is the empty text. A million breweries
// with four million history entries hold some twenty million texts: as
// numbers into one store they take a fraction of what as many QStrings
// would. The store only grows: a text replaced through a setter stays until
// the last object sharing the store goes.
class TextStore {
public:
    using Id = quint32;

    TextStore() = default;
    TextStore(const TextStore &) = delete;
    TextStore &operator=(const TextStore &) = delete;

    Id add(QStringView text);
    QStringView view(Id id) const
    {
        if (id == 0)
            return {};
        const char16_t *start = m_starts[id - 1];
        return QStringView(start, qsizetype(start[-2]) | (qsizetype(start[-1]) << 16));
    }

private:
    std::vector<std::unique_ptr<char16_t[]>> m_blocks;
    char16_t *m_free = nullptr;
    size_t m_left = 0;
    size_t m_nextBlock = 64;
    // Where each text begins; its length stands in the two units before.
    std::vector<const char16_t *> m_starts;
};
