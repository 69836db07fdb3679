#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <future>
#include <vector>

class RegisterFile;

// What the find searches: for every brewery, its eight fields and the
// complete name, name and ID of each of its history entries, folded
// (FindFolding) into one text, all of them held in one block of memory.
// Built again whenever the register has changed since, by this program or
// another, so a search always sees what is stored.
class FindIndex {
public:
    ~FindIndex();

    // Starts building the index on a connection of its own, beside the
    // window's work, so that the first search finds it ready.
    void prepare(RegisterFile &file);
    // The breweries (RowId, ascending) in which every word occurs.
    std::vector<qint64> matching(RegisterFile &file, const QStringList &words);

private:
    struct Texts {
        QByteArray texts;              // the folded texts, one after another
        std::vector<qsizetype> starts; // where each brewery's text begins
        std::vector<qint64> rowIds;
        bool complete = false;
    };
    struct Stamp {
        qint64 version = -1;
        qint64 changes = -1;
        bool operator==(const Stamp &) const = default;
    };
    static Stamp stampOf(RegisterFile &file);
    static Texts build(const QString &path);

    Texts m_index;
    Stamp m_stamp;
    std::future<Texts> m_prepared;
    Stamp m_preparedStamp;
};
