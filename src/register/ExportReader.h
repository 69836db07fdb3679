#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <functional>
#include <vector>

class RegisterFile;

// Reads the register for an export: the breweries of a list, in the list's
// order, each with its history entries in the order they were added, every
// value as stored (UTF-8), a Null kept apart from an empty text.
//
// Both tables are read in one pass each, in key order, and held compactly
// (one buffer of texts a table): reading a million breweries one by one
// in the list's order would seek for each.
class ExportReader {
public:
    static constexpr int BreweryTexts = 8;
    static constexpr int ChronikTexts = 5;
    // A value: a view of its text, or Null (a null view).
    template <int N> using Values = std::array<QByteArrayView, N>;

    // Thrown when `goOn` says no while the tables are read.
    struct Stopped {};

    // Both tables as one state of the register holds them: a write made
    // meanwhile is in them whole or not at all. `goOn` is asked between
    // slices of rows read.
    ExportReader(RegisterFile &file, std::vector<qint64> breweryKeys, const std::function<bool()> &goOn = {});

    qint64 breweryCount() const { return qint64(m_keys.size()); }
    // The history entries of the listed breweries.
    qint64 chronikCount() const { return m_listedChroniks; }
    qint64 keyAt(qint64 brewery) const { return m_keys[size_t(brewery)]; }
    // The brewery's texts in column order; all Null for one deleted since
    // the list was read.
    Values<BreweryTexts> brewery(qint64 index) const;
    // Calls `entry` with the key and the texts of each history entry of
    // brewery `key`.
    template <typename Visit> void forEachChronik(qint64 key, Visit &&entry) const
    {
        const auto [first, last] = m_chroniks.rowsOf(key);
        for (size_t e = first; e < last; ++e)
            entry(m_chroniks.idOf(e), m_chroniks.values(e));
    }

private:
    // The rows of a table by a key (a brewery's own, or its entries'
    // brewery's), in one buffer of texts.
    template <int N> class Rows {
    public:
        // `id`: the row's own key, where the rows are kept by another.
        void add(qint64 key, const QByteArrayView *texts, qint64 id = 0);
        // Sorts by key; rows of one key keep the order they came in.
        void sortByKey();
        std::pair<size_t, size_t> rowsOf(qint64 key) const;
        Values<N> values(size_t row) const;
        qint64 keyOf(size_t row) const { return m_rows[row].key; }
        qint64 idOf(size_t row) const { return m_rows[row].id; }
        size_t size() const { return m_rows.size(); }

    private:
        struct Row {
            qint64 key;
            qint64 id;
            // Where each text starts in m_texts, and its length; -1: Null.
            std::array<qint64, N> at;
            std::array<qint32, N> length;
        };
        QByteArray m_texts;
        std::vector<Row> m_rows;
    };

    std::vector<qint64> m_keys;
    Rows<BreweryTexts> m_breweries;
    Rows<ChronikTexts> m_chroniks;
    qint64 m_listedChroniks = 0;
};
