#include "FindIndex.h"

#include "FindFolding.h"
#include "FindTexts.h"
#include "RegisterFile.h"
#include "StoreError.h"
#include "TextNumbers.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstring>
#include <malloc.h>
#include <string_view>

namespace {

// Between two values, so that no word is found across them.
constexpr char Separator = '\n';
// Where the codes stand among the texts read.
constexpr int BreweryCode = 4;
constexpr int ChronikCode = 2;

} // namespace

FindIndex::~FindIndex()
{
    if (m_prepared.valid())
        m_prepared.wait();
}

FindIndex::Stamp FindIndex::stampOf(RegisterFile &file)
{
    return {file.dataVersion(), file.totalChanges()};
}

void FindIndex::prepare(RegisterFile &file)
{
    if (m_prepared.valid())
        m_prepared.wait();
    // Whatever the worker reads is at least as new as this stamp; if the
    // stamp still holds when the index is used, nothing changed since.
    m_preparedStamp = stampOf(file);
    m_rowsRead->store(0);
    m_prepared = std::async(std::launch::async,
                            [path = file.path(), rowsRead = m_rowsRead] { return build(path, *rowsRead); });
}

void FindIndex::refresh(RegisterFile &file)
{
    if (building() || (m_stamp == stampOf(file) && m_index.complete))
        return;
    // A finished build that is still current is taken as it is.
    if (m_prepared.valid() && m_preparedStamp == stampOf(file))
        return;
    prepare(file);
}

bool FindIndex::building() const
{
    return m_prepared.valid() && m_prepared.wait_for(std::chrono::seconds(0)) != std::future_status::ready;
}

FindIndex::Texts FindIndex::build(const QString &path, std::atomic<qint64> &rowsRead)
{
    Texts built;
    FindFolder folder;
    // Values met, by their bytes as stored, and the number each was given.
    TextNumbers met;
    std::vector<quint32> numberOf;
    const auto fresh = [&](QByteArrayView utf8) {
        built.valueStarts.push_back(quint32(built.values.size()));
        folder.append(built.values, utf8.data(), utf8.size());
        built.values += Separator;
        return quint32(built.valueStarts.size() - 1);
    };
    const auto value = [&](QByteArrayView utf8) {
        const quint32 n = met.number(std::string_view(utf8.data(), size_t(utf8.size())));
        if (n > numberOf.size())
            numberOf.push_back(fresh(utf8));
        return numberOf[n - 1];
    };
    // The history entries' values and codes, with the brewery each belongs
    // to; put behind their breweries' own once all are read.
    std::vector<quint32> entryOwners;
    std::vector<quint32> entryValues;
    QByteArray entryCodes;
    std::vector<quint32> codeOwners;
    std::vector<quint32> codeEnds;
    built.breweryStarts.push_back(0);
    built.codeStarts.push_back(0);
    // An index that cannot be read stays incomplete; the find then asks
    // the register itself.
    bool complete = true;
    try {
        ReadFindTexts(
            path,
            [&](qint64 rowId, const QByteArrayView *texts) {
                rowsRead.fetch_add(1, std::memory_order_relaxed);
                built.rowIds.push_back(rowId);
                quint8 present = 0;
                for (int t = 0; t < FindBreweryTexts; ++t) {
                    if (texts[t].isEmpty())
                        continue;
                    present |= quint8(1u << t);
                    if (t == BreweryCode) {
                        folder.append(built.codes, texts[t].data(), texts[t].size());
                        built.codes += Separator;
                    } else {
                        built.refs.push_back(value(texts[t]));
                    }
                }
                built.present.push_back(present);
                built.breweryStarts.push_back(quint32(built.refs.size()));
                built.codeStarts.push_back(quint32(built.codes.size()));
            },
            [&](qint64 parent, const QByteArrayView *texts) {
                rowsRead.fetch_add(1, std::memory_order_relaxed);
                // Keys are mostly without gaps: a brewery usually stands at
                // its key's distance from the first.
                const std::vector<qint64> &keys = built.rowIds;
                size_t brewery = keys.empty() ? 0 : size_t(quint64(parent) - quint64(keys.front()));
                if (brewery >= keys.size() || keys[brewery] != parent) {
                    brewery = size_t(std::lower_bound(keys.begin(), keys.end(), parent) - keys.begin());
                    if (brewery == keys.size() || keys[brewery] != parent)
                        return;
                }
                for (int t = 0; t < FindChronikTexts; ++t) {
                    if (texts[t].isEmpty())
                        continue;
                    if (t == ChronikCode) {
                        folder.append(entryCodes, texts[t].data(), texts[t].size());
                        entryCodes += Separator;
                        codeOwners.push_back(quint32(brewery));
                        codeEnds.push_back(quint32(entryCodes.size()));
                    } else {
                        entryOwners.push_back(quint32(brewery));
                        entryValues.push_back(value(texts[t]));
                    }
                }
            });
    } catch (const StoreError &) {
        complete = false;
    }
    built.valueStarts.push_back(quint32(built.values.size()));
    built.values.squeeze();

    // Each brewery's own values, then its entries', side by side.
    const size_t breweries = built.rowIds.size();
    std::vector<quint32> starts(breweries + 1, 0);
    for (size_t b = 0; b < breweries; ++b)
        starts[b + 1] = built.breweryStarts[b + 1] - built.breweryStarts[b];
    for (const quint32 owner : entryOwners)
        ++starts[owner + 1];
    for (size_t b = 0; b < breweries; ++b)
        starts[b + 1] += starts[b];
    std::vector<quint32> refs(starts.back());
    std::vector<quint32> next(starts.begin(), starts.end() - 1);
    for (size_t b = 0; b < breweries; ++b) {
        for (quint32 r = built.breweryStarts[b]; r < built.breweryStarts[b + 1]; ++r)
            refs[next[b]++] = built.refs[r];
    }
    for (size_t e = 0; e < entryOwners.size(); ++e)
        refs[next[entryOwners[e]]++] = entryValues[e];
    built.refs = std::move(refs);
    built.breweryStarts = std::move(starts);

    // The same for the codes, a brewery's own first.
    std::vector<quint32> codeStarts(breweries + 1, 0);
    for (size_t b = 0; b < breweries; ++b)
        codeStarts[b + 1] = built.codeStarts[b + 1] - built.codeStarts[b];
    for (size_t c = 0; c < codeOwners.size(); ++c)
        codeStarts[codeOwners[c] + 1] += codeEnds[c] - (c ? codeEnds[c - 1] : 0);
    for (size_t b = 0; b < breweries; ++b)
        codeStarts[b + 1] += codeStarts[b];
    QByteArray codes(qsizetype(codeStarts.back()), Qt::Uninitialized);
    std::vector<quint32> codeAt(codeStarts.begin(), codeStarts.end() - 1);
    for (size_t b = 0; b < breweries; ++b) {
        const quint32 own = built.codeStarts[b + 1] - built.codeStarts[b];
        std::memcpy(codes.data() + codeAt[b], built.codes.constData() + built.codeStarts[b], own);
        codeAt[b] += own;
    }
    for (size_t c = 0; c < codeOwners.size(); ++c) {
        const quint32 from = c ? codeEnds[c - 1] : 0;
        std::memcpy(codes.data() + codeAt[codeOwners[c]], entryCodes.constData() + from, codeEnds[c] - from);
        codeAt[codeOwners[c]] += codeEnds[c] - from;
    }
    built.codes = std::move(codes);
    built.codeStarts = std::move(codeStarts);
    built.complete = complete;
    // Hands the building's scratch memory (the connection's page cache, the
    // lists above) back to the system rather than keeping it in reserve.
    std::vector<quint32>().swap(entryOwners);
    std::vector<quint32>().swap(entryValues);
    std::vector<quint32>().swap(codeOwners);
    std::vector<quint32>().swap(codeEnds);
    entryCodes = QByteArray();
    malloc_trim(0);
    return built;
}

std::vector<quint8> FindIndex::piecesHolding(const QByteArray &text, const std::vector<quint32> &starts,
                                             const QByteArray &word)
{
    const size_t count = starts.size() - 1;
    std::vector<quint8> marks(count, 0);
    const char *all = text.constData();
    // No word spans two values, as none holds the separator.
    const auto scan = [&](size_t from, size_t to) {
        size_t at = from;
        while (at < to) {
            const void *hit = memmem(all + at, to - at, word.constData(), size_t(word.size()));
            if (!hit)
                break;
            const auto offset = quint32(static_cast<const char *>(hit) - all);
            // The last piece that begins at or before the hit; pieces left
            // empty begin where the next does and are passed over.
            const auto next = std::upper_bound(starts.begin(), starts.end(), offset);
            marks[size_t(next - starts.begin()) - 1] = 1;
            at = *next;
        }
    };
    // Two halves at once, one on each core.
    const size_t middle = starts[count / 2];
    auto secondHalf = std::async(std::launch::async, [&] { scan(middle, size_t(text.size())); });
    scan(0, middle);
    secondHalf.get();
    return marks;
}

quint32 FindIndex::valueOf(size_t b, int field) const
{
    const unsigned before = m_index.present[b] & ((1u << field) - 1) & ~(1u << BreweryCode);
    return m_index.refs[m_index.breweryStarts[b] + quint32(std::popcount(before))];
}

QByteArrayView FindIndex::fieldValue(size_t b, int field) const
{
    if (!(m_index.present[b] & (1u << field)))
        return {};
    if (field == BreweryCode) {
        const char *own = m_index.codes.constData() + m_index.codeStarts[b];
        const auto *end = static_cast<const char *>(
            std::memchr(own, Separator, m_index.codeStarts[b + 1] - m_index.codeStarts[b]));
        return QByteArrayView(own, end);
    }
    // Each value ends with the separator, where the next begins.
    const quint32 value = valueOf(b, field);
    return QByteArrayView(m_index.values.constData() + m_index.valueStarts[value],
                          m_index.valueStarts[value + 1] - m_index.valueStarts[value] - 1);
}

bool FindIndex::passesFilters(size_t b, const std::vector<ColumnFilter> &filters,
                              std::vector<std::vector<quint8>> &memo) const
{
    for (size_t f = 0; f < filters.size(); ++f) {
        const ColumnFilter &column = filters[f];
        // Codes hardly repeat and are asked each time; other values once.
        if (column.field == BreweryCode || !(m_index.present[b] & (1u << column.field))) {
            if (!column.filter.passes(fieldValue(b, column.field)))
                return false;
            continue;
        }
        quint8 &known = memo[f][valueOf(b, column.field)];
        if (!known)
            known = column.filter.passes(fieldValue(b, column.field)) ? 1 : 2;
        if (known != 1)
            return false;
    }
    return true;
}

std::vector<qint64> FindIndex::matching(RegisterFile &file, const QStringList &words,
                                        const std::vector<ColumnFilter> &filters)
{
    const Stamp now = stampOf(file);
    if (m_prepared.valid()) {
        Texts prepared = m_prepared.get();
        if (prepared.complete && m_preparedStamp == now) {
            m_index = std::move(prepared);
            m_stamp = now;
        }
    }
    if (!(m_stamp == now) || !m_index.complete) {
        std::atomic<qint64> rowsRead = 0;
        m_index = build(file.path(), rowsRead);
        if (!m_index.complete)
            throw StoreError(QStringLiteral("The register %1 could not be read for the find.").arg(file.path()));
        m_stamp = now;
    }
    // For each word, the values it occurs in and the breweries whose codes
    // hold it; a word that folds to nothing narrows nothing.
    struct Holding {
        std::vector<quint8> values;
        std::vector<quint8> codes;
    };
    std::vector<Holding> holding;
    for (const QString &word : words) {
        const QByteArray folded = FoldForFind(word).toUtf8();
        if (!folded.isEmpty())
            holding.push_back({piecesHolding(m_index.values, m_index.valueStarts, folded),
                               piecesHolding(m_index.codes, m_index.codeStarts, folded)});
    }
    const auto scan = [&](size_t from, size_t to, std::vector<qint64> &found) {
        std::vector<std::vector<quint8>> memo(filters.size(), std::vector<quint8>(m_index.valueStarts.size()));
        for (size_t b = from; b < to; ++b) {
            const quint32 *first = m_index.refs.data() + m_index.breweryStarts[b];
            const quint32 *last = m_index.refs.data() + m_index.breweryStarts[b + 1];
            const bool every = std::all_of(holding.begin(), holding.end(), [&](const Holding &word) {
                return word.codes[b] != 0
                    || std::any_of(first, last, [&](quint32 value) { return word.values[value] != 0; });
            });
            if (every && passesFilters(b, filters, memo))
                found.push_back(m_index.rowIds[b]);
        }
    };
    // Two halves at once. Breweries come in RowId order, so the keys found
    // do too.
    const size_t breweries = m_index.rowIds.size();
    std::vector<qint64> found;
    std::vector<qint64> later;
    auto secondHalf = std::async(std::launch::async, [&] { scan(breweries / 2, breweries, later); });
    scan(0, breweries / 2, found);
    secondHalf.get();
    found.insert(found.end(), later.begin(), later.end());
    return found;
}
