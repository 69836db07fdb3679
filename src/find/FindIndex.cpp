#include "FindIndex.h"

#include "FindFolding.h"
#include "FindTexts.h"
#include "RegisterFile.h"
#include "StoreError.h"

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
    built.starts.push_back(0);
    // An index that cannot be read stays incomplete; the find then asks
    // the register itself.
    bool complete = true;
    try {
        ReadFindTexts(
            path,
            [&](qint64 rowId) {
                if (!built.rowIds.empty())
                    built.starts.push_back(built.texts.size());
                built.rowIds.push_back(rowId);
            },
            [&](QByteArrayView utf8) {
                // An empty value adds nothing, not even its separator.
                if (utf8.isEmpty())
                    return;
                folder.append(built.texts, utf8.data(), utf8.size());
                built.texts += Separator;
            });
    } catch (const StoreError &) {
        complete = false;
    }
    built.starts.push_back(built.texts.size());
    built.texts.squeeze();
    built.complete = complete;
    // Hands the building's scratch memory (the connection's page cache, the
    // text's growth) back to the system rather than keeping it in reserve.
    malloc_trim(0);
    return built;
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
    std::vector<QByteArray> folded;
    for (const QString &word : words)
        folded.push_back(FoldForFind(word).toUtf8());
    // The longest word is looked for through the whole block at once; only
    // the breweries it occurs in are searched for the others.
    std::sort(folded.begin(), folded.end(),
              [](const QByteArray &a, const QByteArray &b) { return a.size() > b.size(); });
    const char *all = m_index.texts.constData();
    // Searches the breweries whose texts lie in [from, to); no word spans
    // two breweries, as none holds the separator.
    const auto scan = [&](size_t from, size_t to, std::vector<qint64> &found) {
        size_t at = from;
        while (at < to) {
            const void *hit = memmem(all + at, to - at, folded[0].constData(), size_t(folded[0].size()));
            if (!hit)
                break;
            const qsizetype offset = static_cast<const char *>(hit) - all;
            const auto next = std::upper_bound(m_index.starts.begin(), m_index.starts.end(), offset);
            const size_t brewery = size_t(next - m_index.starts.begin()) - 1;
            const std::string_view text(all + m_index.starts[brewery], size_t(*next - m_index.starts[brewery]));
            bool every = true;
            for (size_t w = 1; w < folded.size() && every; ++w) {
                const std::string_view word(folded[w].constData(), size_t(folded[w].size()));
                every = text.find(word) != std::string_view::npos;
            }
            if (every)
                found.push_back(m_index.rowIds[brewery]);
            at = size_t(*next);
        }
    };
    // Two halves at once, one on each core. Breweries come in RowId order,
    // so the keys found do too.
    const size_t middle = size_t(m_index.starts[m_index.rowIds.size() / 2]);
    std::vector<qint64> found;
    std::vector<qint64> later;
    auto secondHalf = std::async(std::launch::async, [&] { scan(middle, size_t(m_index.texts.size()), later); });
    scan(0, middle, found);
    secondHalf.get();
    found.insert(found.end(), later.begin(), later.end());
    return found;
}
