#include "ExportReader.h"

#include "ReadSnapshot.h"
#include "TableReader.h"

#include <algorithm>
#include <optional>

template <int N> void ExportReader::Rows<N>::add(qint64 key, const QByteArrayView *texts, qint64 id)
{
    Row row{key, id, {}, {}};
    for (int i = 0; i < N; ++i) {
        row.at[size_t(i)] = texts[i].isNull() ? -1 : m_texts.size();
        row.length[size_t(i)] = qint32(texts[i].size());
        m_texts.append(texts[i]);
    }
    m_rows.push_back(row);
}

template <int N> void ExportReader::Rows<N>::sortByKey()
{
    // Sorted as small pairs of key and place, then moved once: moving the
    // rows themselves while sorting costs several times more.
    std::vector<std::pair<qint64, size_t>> order(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i)
        order[i] = {m_rows[i].key, i};
    std::sort(order.begin(), order.end());
    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    for (const auto &[key, place] : order)
        sorted.push_back(m_rows[place]);
    m_rows = std::move(sorted);
}

template <int N> std::pair<size_t, size_t> ExportReader::Rows<N>::rowsOf(qint64 key) const
{
    const auto first = std::lower_bound(m_rows.begin(), m_rows.end(), key,
                                        [](const Row &row, qint64 k) { return row.key < k; });
    auto last = first;
    while (last != m_rows.end() && last->key == key)
        ++last;
    return {size_t(first - m_rows.begin()), size_t(last - m_rows.begin())};
}

template <int N> ExportReader::Values<N> ExportReader::Rows<N>::values(size_t index) const
{
    const Row &row = m_rows[index];
    Values<N> values{};
    for (int i = 0; i < N; ++i) {
        // An empty text is an empty view, not a null one.
        if (row.at[size_t(i)] >= 0)
            values[size_t(i)] = QByteArrayView(m_texts.constData() + row.at[size_t(i)], row.length[size_t(i)]);
    }
    return values;
}

ExportReader::ExportReader(RegisterFile &file, std::vector<qint64> breweryKeys, const std::function<bool()> &goOn)
    : m_keys(std::move(breweryKeys))
{
    // Read a slice at a time, so that neither the window's writes nor
    // another program's wait for the export. A write that lands meanwhile
    // moves the register's data version: the tables are read again, so that
    // it is in the export whole. When writes keep coming, the last round
    // holds the register for its whole read.
    constexpr int Rounds = 3;
    for (int round = 1;; ++round) {
        std::optional<ReadSnapshot> held;
        if (round == Rounds)
            held.emplace(file);
        const qint64 version = file.dataVersion();
        const std::function<void()> between = [&goOn] {
            if (goOn && !goOn())
                throw Stopped{};
        };
        ReadAllBreweries(file, [this](qint64 key, const QByteArrayView *texts) { m_breweries.add(key, texts); }, between);
        ReadAllChronikEntries(file, [this](qint64 entry, qint64 parent, const QByteArrayView *texts) {
            m_chroniks.add(parent, texts, entry);
        }, between);
        if (held || file.dataVersion() == version)
            break;
        m_breweries = {};
        m_chroniks = {};
    }
    // Read in key order; each brewery's entries stay in that order.
    m_chroniks.sortByKey();
    for (qint64 key : m_keys) {
        const auto [first, last] = m_chroniks.rowsOf(key);
        m_listedChroniks += qint64(last - first);
    }
}

ExportReader::Values<ExportReader::BreweryTexts> ExportReader::brewery(qint64 index) const
{
    const auto [first, last] = m_breweries.rowsOf(m_keys[size_t(index)]);
    return first < last ? m_breweries.values(first) : Values<BreweryTexts>{};
}

// The export walks the entries through the header's forEachChronik.
template class ExportReader::Rows<ExportReader::BreweryTexts>;
template class ExportReader::Rows<ExportReader::ChronikTexts>;
