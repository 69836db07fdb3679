#pragma once

#include "FieldFilter.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <future>
#include <memory>
#include <vector>

class RegisterFile;

// One field of the filter row: the brewery field it filters, by its place
// among the eight (StateName, CountyName, PostalCode, CityName, IdCode,
// BreweryName, StartYear, StopYear, as the brewery list shows them).
struct ColumnFilter {
    int field;
    FieldFilter filter;
};

// What the find searches: for every brewery, its eight fields and the
// complete name, name and ID of each of its history entries, folded
// (FindFolding). A register repeats most of its values (states, cities,
// years, names) many times over: each distinct value is folded and kept
// once, and a brewery is the list of its values' numbers. Codes, which
// hardly repeat, stand with their brewery instead. Built again
// whenever the register has changed since, by this program or another, so
// a search always sees what is stored.
class FindIndex {
public:
    ~FindIndex();

    // Starts building the index on a connection of its own, beside the
    // window's work, so that the first search finds it ready.
    void prepare(RegisterFile &file);
    // Starts building anew, beside the window, when the register has
    // changed since the index was built and no build is under way.
    void refresh(RegisterFile &file);
    // Whether a build is under way, and how many rows it has read.
    bool building() const;
    qint64 rowsRead() const { return m_rowsRead->load(std::memory_order_relaxed); }
    // The breweries (RowId, ascending) in which every word occurs and
    // whose fields pass every filter.
    std::vector<qint64> matching(RegisterFile &file, const QStringList &words,
                                 const std::vector<ColumnFilter> &filters = {});

private:
    struct Texts {
        QByteArray values;                  // the distinct folded values, each ended by a separator
        std::vector<quint32> valueStarts;   // where each value begins, and the end
        std::vector<quint32> refs;          // each brewery's values, brewery after brewery
        std::vector<quint32> breweryStarts; // where each brewery's refs begin, and the end
        QByteArray codes;                   // each brewery's folded codes, brewery after brewery
        std::vector<quint32> codeStarts;    // where each brewery's codes begin, and the end
        std::vector<qint64> rowIds;
        // Which of its eight fields each brewery holds a value in, a bit
        // each: its own values lead its refs in field order, and its own
        // code leads its codes, only where it has them.
        std::vector<quint8> present;
        bool complete = false;
    };
    struct Stamp {
        qint64 version = -1;
        qint64 changes = -1;
        bool operator==(const Stamp &) const = default;
    };
    static Stamp stampOf(RegisterFile &file);
    static Texts build(const QString &path, std::atomic<qint64> &rowsRead);
    // One mark per piece of `text` (pieces begin at `starts`, which ends
    // with the text's end): whether `word` occurs in it.
    // The number of the value of field `field` (present, not the code) of
    // brewery `b`.
    quint32 valueOf(size_t b, int field) const;
    // The value of field `field` of brewery `b`, folded; empty for Null.
    QByteArrayView fieldValue(size_t b, int field) const;
    // Whether brewery `b` passes every filter; `memo` keeps each filter's
    // answer per value (0 not asked yet, 1 passes, 2 does not).
    bool passesFilters(size_t b, const std::vector<ColumnFilter> &filters,
                       std::vector<std::vector<quint8>> &memo) const;
    static std::vector<quint8> piecesHolding(const QByteArray &text, const std::vector<quint32> &starts,
                                             const QByteArray &word);

    Texts m_index;
    Stamp m_stamp;
    std::future<Texts> m_prepared;
    // Shared with the build under way, which may outlive a move of this.
    std::shared_ptr<std::atomic<qint64>> m_rowsRead = std::make_shared<std::atomic<qint64>>(0);
    Stamp m_preparedStamp;
};
