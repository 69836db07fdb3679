#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <future>
#include <memory>
#include <vector>

class RegisterFile;

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
    // The breweries (RowId, ascending) in which every word occurs.
    std::vector<qint64> matching(RegisterFile &file, const QStringList &words);

private:
    struct Texts {
        QByteArray values;                  // the distinct folded values, each ended by a separator
        std::vector<quint32> valueStarts;   // where each value begins, and the end
        std::vector<quint32> refs;          // each brewery's values, brewery after brewery
        std::vector<quint32> breweryStarts; // where each brewery's refs begin, and the end
        QByteArray codes;                   // each brewery's folded codes, brewery after brewery
        std::vector<quint32> codeStarts;    // where each brewery's codes begin, and the end
        std::vector<qint64> rowIds;
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
    static std::vector<quint8> piecesHolding(const QByteArray &text, const std::vector<quint32> &starts,
                                             const QByteArray &word);

    Texts m_index;
    Stamp m_stamp;
    std::future<Texts> m_prepared;
    // Shared with the build under way, which may outlive a move of this.
    std::shared_ptr<std::atomic<qint64>> m_rowsRead = std::make_shared<std::atomic<qint64>>(0);
    Stamp m_preparedStamp;
};
