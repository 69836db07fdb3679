#pragma once

#include "TextStore.h"

#include <QString>
#include <array>
#include <memory>
#include <vector>

// A stored history entry: its five texts as numbers in its brewery's
// TextStore, in the order of a report line's columns.
using ChronikTexts = std::array<TextStore::Id, 5>;

// A brewery's history entries, side by side.
struct ChronikBlock {
    std::vector<ChronikTexts> entries;
};

// A history entry of a brewery, referred to in place, as clsBrewery's
// Chronik() hands it out: what is set through it is what a later Chronik()
// of the same number gives, and every handle to one entry has the same
// get(). A handle keeps its brewery's entries alive, also past
// PurgeChroniks or the brewery's end. It names its entry by its place: one
// kept across a DeleteChronik of an entry before it, or of its own, refers
// to the entry that has taken that place (or, past the last, reads empty).
// An empty handle refers to no entry.
class ChronikRef {
public:
    enum Text { Code, Name, Start, Stop, NameLong, Texts };

    ChronikRef() = default;
    ChronikRef(std::shared_ptr<TextStore> store, std::shared_ptr<ChronikBlock> block, qint32 index)
        : m_store(std::move(store)), m_block(std::move(block)), m_index(index)
    {
    }

    explicit operator bool() const { return m_block != nullptr; }
    const ChronikRef *operator->() const { return this; }
    // The entry's identity.
    const void *get() const { return m_block ? entry() : nullptr; }

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
    ChronikTexts *entry() const
    {
        return m_block && size_t(m_index) < m_block->entries.size() ? &m_block->entries[size_t(m_index)] : nullptr;
    }

    std::shared_ptr<TextStore> m_store;
    std::shared_ptr<ChronikBlock> m_block;
    qint32 m_index = 0;
};
