#include "FindIndex.h"

#include "FindFolding.h"
#include "FindTexts.h"
#include "RegisterFile.h"
#include "StoreError.h"
#include "TextNumbers.h"

#include <algorithm>
#include <cstring>
#include <malloc.h>
#include <string_view>

namespace {

// Between two values, so that no word is found across them.
constexpr char Separator = '\n';

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
    m_prepared = std::async(std::launch::async, &FindIndex::build, file.path());
}

FindIndex::Texts FindIndex::build(const QString &path)
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
    const auto value = [&](QByteArrayView utf8, bool code) {
        // Codes rarely repeat: they are not worth looking up.
        if (code)
            return fresh(utf8);
        const quint32 n = met.number(std::string_view(utf8.data(), size_t(utf8.size())));
        if (n > numberOf.size())
            numberOf.push_back(fresh(utf8));
        return numberOf[n - 1];
    };
    // The history entries' values, with the brewery each belongs to; put
    // behind their breweries' own once all are read.
    std::vector<quint32> entryOwners;
    std::vector<quint32> entryValues;
    built.breweryStarts.push_back(0);
    // An index that cannot be read stays incomplete; the find then asks
    // the register itself.
    bool complete = true;
    try {
        ReadFindTexts(
            path,
            [&](qint64 rowId, const QByteArrayView *texts) {
                built.rowIds.push_back(rowId);
                for (int t = 0; t < FindBreweryTexts; ++t) {
                    if (!texts[t].isEmpty())
                        built.refs.push_back(value(texts[t], t == 4));
                }
                built.breweryStarts.push_back(quint32(built.refs.size()));
            },
            [&](qint64 parent, const QByteArrayView *texts) {
                const auto owner = std::lower_bound(built.rowIds.begin(), built.rowIds.end(), parent);
                if (owner == built.rowIds.end() || *owner != parent)
                    return;
                for (int t = 0; t < FindChronikTexts; ++t) {
                    if (texts[t].isEmpty())
                        continue;
                    entryOwners.push_back(quint32(owner - built.rowIds.begin()));
                    entryValues.push_back(value(texts[t], t == 2));
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
    built.complete = complete;
    // Hands the building's scratch memory (the connection's page cache, the
    // lists above) back to the system rather than keeping it in reserve.
    std::vector<quint32>().swap(entryOwners);
    std::vector<quint32>().swap(entryValues);
    malloc_trim(0);
    return built;
}

std::vector<quint8> FindIndex::valuesHolding(const QByteArray &word) const
{
    const size_t count = m_index.valueStarts.size() - 1;
    std::vector<quint8> marks(count, 0);
    const char *all = m_index.values.constData();
    // No word spans two values, as none holds the separator.
    const auto scan = [&](size_t from, size_t to) {
        size_t at = from;
        while (at < to) {
            const void *hit = memmem(all + at, to - at, word.constData(), size_t(word.size()));
            if (!hit)
                break;
            const auto offset = quint32(static_cast<const char *>(hit) - all);
            const auto next = std::upper_bound(m_index.valueStarts.begin(), m_index.valueStarts.end(), offset);
            marks[size_t(next - m_index.valueStarts.begin()) - 1] = 1;
            at = *next;
        }
    };
    // Two halves at once, one on each core.
    const size_t middle = m_index.valueStarts[count / 2];
    auto secondHalf = std::async(std::launch::async, [&] { scan(middle, size_t(m_index.values.size())); });
    scan(0, middle);
    secondHalf.get();
    return marks;
}

std::vector<qint64> FindIndex::matching(RegisterFile &file, const QStringList &words)
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
        m_index = build(file.path());
        if (!m_index.complete)
            throw StoreError(QStringLiteral("The register %1 could not be read for the find.").arg(file.path()));
        m_stamp = now;
    }
    // For each word, the values it occurs in; a word that folds to nothing
    // narrows nothing.
    std::vector<std::vector<quint8>> holding;
    for (const QString &word : words) {
        const QByteArray folded = FoldForFind(word).toUtf8();
        if (!folded.isEmpty())
            holding.push_back(valuesHolding(folded));
    }
    const auto scan = [&](size_t from, size_t to, std::vector<qint64> &found) {
        for (size_t b = from; b < to; ++b) {
            const quint32 *first = m_index.refs.data() + m_index.breweryStarts[b];
            const quint32 *last = m_index.refs.data() + m_index.breweryStarts[b + 1];
            const bool every = std::all_of(holding.begin(), holding.end(), [&](const std::vector<quint8> &marks) {
                return std::any_of(first, last, [&](quint32 value) { return marks[value] != 0; });
            });
            if (every)
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
