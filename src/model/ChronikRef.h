#pragma once

#include "TextStore.h"

#include <QString>
#include <array>
#include <memory>
#include <vector>

// A stored history entry: its five texts as numbers in its brewery's
// TextStore, in the order of a report line's columns.
using ChronikTexts = std::array<TextStore::Id, 5>;

// A brewery's history entries, side by side. An entry keeps its number
// here for its whole life, whatever happens to the brewery's list: deleted
// from the list or moved by the ordering pass, it stays where it is, so a
// handle to it stays that entry.
struct ChronikBlock {
    // Every entry the brewery has held, in the order added; never shrinks.
    std::vector<ChronikTexts> entries;
    // The numbers of the entries in the brewery's list, in list order. Empty
    // while the list is every entry in the order added, as nearly every
    // loaded brewery's is, so that it costs nothing then.
    std::vector<quint32> listed;

    size_t numberAt(size_t place) const { return listed.empty() ? place : listed[place]; }
    size_t listedCount() const { return listed.empty() ? entries.size() : listed.size(); }
    // Makes `listed` explicit before the list departs from `entries`.
    void spellOut();
    // Appends an entry whose texts stand in `store` and runs one ordering
    // pass by IdCode over the list.
    void append(const ChronikTexts &texts, const TextStore &store);
    // Adds `shift` to every text's number: the store the texts stand in has
    // become part of another (TextStore::absorb).
    void shiftTexts(TextStore::Id shift);
};

// Who a handle refers to: equal for every handle to one entry.
struct ChronikIdentity {
    const ChronikBlock *block = nullptr;
    qint32 number = -1;
    bool operator==(const ChronikIdentity &) const = default;
};

class ChronikRef {
public:
    enum Text { Code, Name, Start, Stop, NameLong, Texts };

    ChronikRef() = default;
    // Entry number `number` of `block`, for ever.
    ChronikRef(std::shared_ptr<TextStore> store, std::shared_ptr<ChronikBlock> block, qint32 number)
        : m_store(std::move(store)), m_block(std::move(block)), m_number(number)
    {
    }

    explicit operator bool() const { return m_block != nullptr; }
    const ChronikRef *operator->() const { return this; }
    ChronikIdentity identity() const { return m_block ? ChronikIdentity{m_block.get(), m_number} : ChronikIdentity{}; }

    QAnyStringView text(int which) const
    {
        const ChronikTexts *stored = entry();
        return stored ? m_store->view((*stored)[size_t(which)]) : QAnyStringView();
    }
    void setText(int which, QStringView val) const;

    QString IdCode() const { return text(Code).toString(); }
    void setIdCode(const QString &val) const { setText(Code, val); }
    QString BreweryName() const { return text(Name).toString(); }
    void setBreweryName(const QString &val) const { setText(Name, val); }
    QString StartYear() const { return text(Start).toString(); }
    void setStartYear(const QString &val) const { setText(Start, val); }
    QString StopYear() const { return text(Stop).toString(); }
    void setStopYear(const QString &val) const { setText(Stop, val); }
    QString BreweryNameLong() const { return text(NameLong).toString(); }
    void setBreweryNameLong(const QString &val) const { setText(NameLong, val); }

private:
    ChronikTexts *entry() const { return m_block ? &m_block->entries[size_t(m_number)] : nullptr; }

    std::shared_ptr<TextStore> m_store;
    std::shared_ptr<ChronikBlock> m_block;
    qint32 m_number = 0;
};
