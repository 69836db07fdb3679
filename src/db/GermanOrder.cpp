#include "GermanOrder.h"

#include "GermanCollation.h"
#include "RegisterFile.h"
#include "StoreError.h"
#include "TextNumbers.h"
#include "WaitBeside.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <string_view>
#include <thread>
#include <sqlite3.h>
#include <unicode/ucol.h>
#include <unicode/ustring.h>

namespace {

constexpr quint32 NullText = 0; // texts are numbered from 1
constexpr int Tick = 4096;
// Rows read in one read transaction: a few milliseconds' work.
constexpr int SliceRows = 4096;

// What one thread read: a range of rows with the numbers of their texts.
struct Share {
    std::vector<qint64> rowids;
    std::vector<quint32> cells; // rows × fields
    std::vector<TextNumbers> dictionaries;
    bool onlyTexts = true;
};

// Reads the rows with rowids in [first, last], a slice at a time, so that
// the window's writes never wait for a whole share.
void readShare(const QString &path, const QByteArray &table, const QByteArray &sql, int fields, qint64 first,
               qint64 last, Share &share, std::atomic<qint64> &read)
{
    const std::unique_ptr<RegisterFile> connection = RegisterFile::openReader(path);
    share.dictionaries.resize(size_t(fields));
    // Room for the rows a dense range holds; rowids far apart (another
    // program may store any) must not ask for more than there can be.
    const size_t room = size_t(std::min<quint64>(quint64(last) - quint64(first) + 1, 1u << 22));
    share.rowids.reserve(room);
    share.cells.reserve(room * size_t(fields));
    connection->inSlices(table, first, last, SliceRows, [&](qint64 from, qint64 to) {
        if (!share.onlyTexts)
            return;
        Cursor rows = connection->cached(sql);
        rows.bind(1, from).bind(2, to);
        while (rows.step()) {
            share.rowids.push_back(rows.int64(0));
            for (int f = 0; f < fields; ++f) {
                if (rows.isNull(f + 1)) {
                    share.cells.push_back(NullText);
                    continue;
                }
                if (!rows.isText(f + 1)) {
                    share.onlyTexts = false;
                    return;
                }
                const QByteArrayView text = rows.utf8(f + 1);
                share.cells.push_back(
                    share.dictionaries[size_t(f)].number(std::string_view(text.data(), size_t(text.size()))));
            }
            if (share.rowids.size() % Tick == 0)
                read += Tick;
        }
    });
}

// The ICU sort keys of texts first to last - 1 of `texts`, back to back in
// `keys`, with where each ends.
void computeKeys(const TextNumbers &texts, quint32 first, quint32 last, std::string &keys, std::vector<size_t> &ends)
{
    UCollator *collator = OpenGermanCollator();
    if (!collator)
        throw StoreError(QStringLiteral("The German ordering is not available (ICU)."));
    std::vector<UChar> text(256);
    std::vector<uint8_t> key(256);
    for (quint32 n = first; n < last; ++n) {
        const std::string_view bytes = texts.textOf(n);
        if (bytes.size() + 1 > text.size())
            text.resize(bytes.size() + 1);
        UErrorCode status = U_ZERO_ERROR;
        int32_t units = 0;
        // Malformed bytes become U+FFFD, as they do when texts are compared.
        u_strFromUTF8WithSub(text.data(), int32_t(text.size()), &units, bytes.data(), int32_t(bytes.size()), 0xFFFD,
                             nullptr, &status);
        int32_t needed = ucol_getSortKey(collator, text.data(), units, key.data(), int32_t(key.size()));
        if (size_t(needed) > key.size()) {
            key.resize(size_t(needed));
            needed = ucol_getSortKey(collator, text.data(), units, key.data(), int32_t(key.size()));
        }
        keys.append(reinterpret_cast<const char *>(key.data()), size_t(needed));
        ends.push_back(keys.size());
    }
    ucol_close(collator);
}

size_t cores()
{
    return std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 8);
}

// Runs `work(part, parts)` on every core and keeps `waiting` informed.
void onEveryCore(const std::function<void(size_t part, size_t parts)> &work, const std::function<void()> &waiting)
{
    const size_t parts = cores();
    std::vector<std::future<void>> workers;
    for (size_t p = 0; p < parts; ++p)
        workers.push_back(std::async(std::launch::async, work, p, parts));
    for (auto &worker : workers)
        waitBeside(worker, waiting);
    for (auto &worker : workers)
        worker.get();
}

// Ranks of one field's texts, met in `shares`: equal keys share a rank,
// Null ranks 0. Returns, per share, the rank of each of its text numbers.
std::vector<std::vector<quint32>> rankTexts(const std::vector<Share> &shares, size_t field)
{
    TextNumbers texts;
    std::vector<std::vector<quint32>> local(shares.size());
    for (size_t s = 0; s < shares.size(); ++s) {
        const TextNumbers &dictionary = shares[s].dictionaries[field];
        local[s].resize(dictionary.size() + 1, NullText);
        for (quint32 n = 1; n <= dictionary.size(); ++n)
            local[s][n] = texts.number(dictionary.textOf(n));
    }
    const size_t count = texts.size();
    const size_t parts = cores();
    std::vector<std::string> keys(parts);
    std::vector<std::vector<size_t>> ends(parts);
    onEveryCore([&](size_t part, size_t) {
        computeKeys(texts, quint32(1 + count * part / parts), quint32(1 + count * (part + 1) / parts), keys[part],
                    ends[part]);
    }, [] {});
    // key[n]: the sort key of text number n.
    std::vector<std::string_view> key(count + 1);
    for (size_t part = 0, n = 1; part < parts; ++part) {
        size_t start = 0;
        for (size_t end : ends[part]) {
            key[n++] = std::string_view(keys[part]).substr(start, end - start);
            start = end;
        }
    }

    std::vector<quint32> order(count);
    for (size_t i = 0; i < count; ++i)
        order[i] = quint32(i + 1);
    const auto byKey = [&](quint32 a, quint32 b) { return key[a] < key[b]; };
    onEveryCore([&](size_t part, size_t) {
        std::sort(order.begin() + ptrdiff_t(count * part / parts), order.begin() + ptrdiff_t(count * (part + 1) / parts),
                  byKey);
    }, [] {});
    for (size_t width = 1; width < parts; width *= 2) {
        for (size_t p = 0; p + width < parts; p += 2 * width) {
            std::inplace_merge(order.begin() + ptrdiff_t(count * p / parts),
                               order.begin() + ptrdiff_t(count * (p + width) / parts),
                               order.begin() + ptrdiff_t(count * std::min(p + 2 * width, parts) / parts), byKey);
        }
    }
    std::vector<quint32> rank(count + 1, NullText);
    quint32 current = NullText;
    for (size_t i = 0; i < count; ++i) {
        if (i == 0 || key[order[i]] != key[order[i - 1]])
            ++current;
        rank[order[i]] = current;
    }
    for (auto &numbers : local) {
        for (size_t n = 1; n < numbers.size(); ++n)
            numbers[n] = rank[numbers[n]];
    }
    return local;
}

// Ranks the texts the shares read and orders their rows by rank, field by
// field; `done` grows from `base` by `span` as it goes.
std::vector<qint64> rankAndOrder(std::vector<Share> &shares, size_t fieldCount, const QList<bool> &descending,
                                 std::atomic<qint64> &done, qint64 base, qint64 span)
{
    // Shares follow each other by rowid, so the rows stand in rowid order.
    std::vector<qint64> rowids;
    for (const Share &share : shares)
        rowids.insert(rowids.end(), share.rowids.begin(), share.rowids.end());
    const size_t count = rowids.size();
    if (count == 0)
        return rowids;
    std::vector<std::vector<quint32>> ranks(fieldCount);
    for (size_t f = 0; f < fieldCount; ++f) {
        const auto rankOf = rankTexts(shares, f);
        ranks[f].reserve(count);
        for (size_t s = 0; s < shares.size(); ++s) {
            const Share &share = shares[s];
            for (size_t row = 0; row < share.rowids.size(); ++row)
                ranks[f].push_back(rankOf[s][share.cells[row * fieldCount + f]]);
        }
        done = base + span * qint64(f + 1) / qint64(fieldCount + 1);
    }
    shares.clear();

    // Stable counting sorts from the last field to the first: rows equal in
    // every field keep their rowid order.
    std::vector<quint32> order(count), next(count);
    for (size_t i = 0; i < count; ++i)
        order[i] = quint32(i);
    for (size_t f = fieldCount; f-- > 0;) {
        std::vector<quint32> &rank = ranks[f];
        const quint32 top = *std::max_element(rank.begin(), rank.end());
        // Turned round, the field's ranks count down from the top; Null,
        // the lowest, comes last, as SQLite puts it in a descending order.
        if (qsizetype(f) < descending.size() && descending.at(qsizetype(f))) {
            for (quint32 &r : rank)
                r = top - r;
        }
        std::vector<size_t> start(size_t(top) + 2, 0);
        for (quint32 r : rank)
            ++start[r + 1];
        for (size_t r = 1; r < start.size(); ++r)
            start[r] += start[r - 1];
        for (quint32 row : order)
            next[start[rank[row]]++] = row;
        order.swap(next);
    }
    std::vector<qint64> ordered(count);
    for (size_t i = 0; i < count; ++i)
        ordered[i] = rowids[order[i]];
    return ordered;
}

// The first rows of the order, asked of SQLite beside the sort: its top-N
// sort is one pass over the table with nothing to rank, so a screenful is
// known long before the whole order. Stopped when the order comes first.
class FirstRowsQuery {
public:
    FirstRowsQuery(const QString &path, const QByteArray &table, const QByteArrayList &fields,
                   const QList<bool> &descending)
        : m_connection(RegisterFile::openReader(path))
    {
        QByteArray sql = "SELECT rowid FROM " + table + " ORDER BY ";
        for (qsizetype f = 0; f < fields.size(); ++f)
            sql += fields.at(f) + " COLLATE " + GermanCollationName + (f < descending.size() && descending.at(f) ? " DESC, " : ", ");
        sql += "rowid LIMIT " + QByteArray::number(FirstRowCount);
        m_rows = std::async(std::launch::async, [this, sql] {
            std::optional<std::vector<qint64>> keys;
            try {
                Cursor rows = m_connection->cached(sql);
                keys.emplace();
                while (rows.step())
                    keys->push_back(rows.int64(0));
            } catch (const StoreError &) {
                // Interrupted, or the register busy: the whole order tells.
                keys.reset();
            }
            return keys;
        });
    }
    ~FirstRowsQuery()
    {
        if (m_rows.valid()) {
            sqlite3_interrupt(m_connection->handle());
            m_rows.wait();
        }
    }

    // Hands the rows to `shown` once they are known, and only once.
    void deliverWhenKnown(const FirstRows &shown)
    {
        if (!m_rows.valid() || m_rows.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return;
        if (std::optional<std::vector<qint64>> keys = m_rows.get())
            shown(std::move(*keys));
    }

private:
    std::unique_ptr<RegisterFile> m_connection;
    std::future<std::optional<std::vector<qint64>>> m_rows;
};

} // namespace

std::optional<std::vector<qint64>> OrderGerman(const QString &path, const QByteArray &table,
                                               const QByteArrayList &fields, const QList<bool> &descending,
                                               const Progress &progress, const FirstRows &firstRows)
{
    qint64 lowest = 0, highest = -1;
    {
        const std::unique_ptr<RegisterFile> connection = RegisterFile::openReader(path);
        // Each in a query of its own: SQLite reads one end of the table for
        // a lone min() or max(), but the whole table for both at once.
        Cursor range =
            connection->cached("SELECT (SELECT min(rowid) FROM " + table + "), (SELECT max(rowid) FROM " + table + ")");
        if (range.step() && !range.isNull(0)) {
            lowest = range.int64(0);
            highest = range.int64(1);
        }
    }
    // Reading is about half of the work, ranking and ordering the rest.
    if (highest < lowest)
        return std::vector<qint64>();
    // The rowid range, computed without overflow: rowids may lie anywhere
    // in 64 bits.
    const quint64 width = quint64(highest) - quint64(lowest);
    const qint64 expected = qint64(std::min<quint64>(width, 1'000'000'000'000)) + 1;
    std::atomic<qint64> read = 0;
    std::optional<FirstRowsQuery> first;
    if (firstRows)
        first.emplace(path, table, fields, descending);
    const auto waiting = [&] {
        if (first)
            first->deliverWhenKnown(firstRows);
        if (progress)
            progress(std::min<qint64>(read, 2 * expected), 2 * expected);
    };

    const QByteArray sql = "SELECT rowid, " + fields.join(", ") + " FROM " + table
        + " WHERE rowid BETWEEN ?1 AND ?2 ORDER BY rowid";
    const int fieldCount = int(fields.size());
    std::vector<Share> shares(cores());
    onEveryCore([&](size_t part, size_t count) {
        const quint64 step = width / count;
        const qint64 first = qint64(quint64(lowest) + step * part);
        const qint64 last = part + 1 == count ? highest : qint64(quint64(lowest) + step * (part + 1)) - 1;
        readShare(path, table, sql, fieldCount, first, last, shares[part], read);
    }, waiting);
    for (const Share &share : shares) {
        if (!share.onlyTexts)
            return std::nullopt;
    }
    read = expected;
    waiting();

    // The rest runs aside as a whole, so that this thread, the window's,
    // keeps it informed throughout.
    auto ranking = std::async(std::launch::async, rankAndOrder, std::ref(shares), size_t(fieldCount),
                              std::cref(descending), std::ref(read), expected, expected);
    waitBeside(ranking, waiting);
    std::vector<qint64> ordered = ranking.get();
    first.reset();
    read = 2 * expected;
    waiting();
    return ordered;
}
