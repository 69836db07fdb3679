#include "BreweryLoad.h"

#include "TableReader.h"
#include "Register.h"
#include "RegisterFile.h"
#include "RegisterSchema.h"
#include "ReportLine.h"
#include "Statement.h"
#include "StoreError.h"
#include "TextNumbers.h"
#include "WaitBeside.h"
#include "clsBrewery.h"

#include <QString>
#include <algorithm>
#include <string_view>

// Puts the texts read into the load's store: one copy of each distinct text
// of the pooled columns, found by its UTF-8 bytes before anything is
// converted. A register repeats its states, districts, cities, years and
// names many thousand times; each distinct one is converted and kept once.
class BreweryLoad::TextPool {
public:
    explicit TextPool(TextStore &store) : m_store(store) {}

    // A Null column, like an empty one, gives the empty text.
    TextStore::Id pooled(QByteArrayView utf8)
    {
        if (utf8.isEmpty())
            return 0;
        const quint32 n = m_numbers.number(std::string_view(utf8.data(), size_t(utf8.size())));
        if (n > m_ids.size())
            m_ids.push_back(add(utf8));
        return m_ids[n - 1];
    }
    TextStore::Id unique(QByteArrayView utf8) { return utf8.isEmpty() ? 0 : add(utf8); }

private:
    TextStore::Id add(QByteArrayView utf8)
    {
        // Codes are plain ASCII: kept as they are read, without conversion.
        if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return uchar(c) < 0x80; }))
            return m_store.addAscii(utf8);
        return m_store.add(QString::fromUtf8(utf8));
    }

    TextStore &m_store;
    TextNumbers m_numbers;
    std::vector<TextStore::Id> m_ids;
};

namespace {

// Codes rarely repeat: they are not worth pooling.
bool pooled(const char *field)
{
    return std::string_view(field) != "IdCode";
}

} // namespace

struct BreweryLoad::ChronikRead {
    TextStore store;
    std::vector<ChronikRun> runs;
};

BreweryLoad::BreweryLoad(Register &reg, int count, std::function<void()> tick)
    : m_register(reg), m_count(count), m_tick(std::move(tick)), m_store(std::make_shared<TextStore>()),
      m_text(std::make_unique<TextPool>(*m_store))
{
}

BreweryLoad::~BreweryLoad() = default;

void BreweryLoad::startChroniks()
{
    if (!m_chroniks.valid())
        m_chroniks = std::async(std::launch::async, readAllChroniks, m_register.chroniks()->file().path(),
                                std::ref(m_chroniksRead));
}

void BreweryLoad::readBreweries()
{
    startChroniks();
    ::Recordset &listed = m_register.breweries()->Recordset();
    constexpr size_t Columns = ReportLine::BreweryColumns.size();
    // Where each column of the line, then the key, stands in the record.
    int fields[Columns + 1] = {};
    for (size_t f = 0; f <= Columns; ++f) {
        const QString name = f < Columns ? QLatin1String(ReportLine::BreweryColumns[f].field) : RegisterSchema::BreweryKey;
        fields[f] = listed.fieldIndex(name);
        if (fields[f] < 0)
            throw StoreError(QStringLiteral("The breweries have no field %1.").arg(name));
    }
    bool pool[Columns];
    for (size_t f = 0; f < Columns; ++f)
        pool[f] = pooled(ReportLine::BreweryColumns[f].field);
    // One allocation for all breweries rather than a million: each handed
    // out shares the ownership of the whole, which goes with the last. Made
    // a block at a time, so that the window repaints in between.
    const auto all = std::make_shared<std::vector<clsBrewery>>();
    all->reserve(size_t(m_count));
    for (int made = 0; made < m_count; ++made) {
        all->emplace_back(m_store);
        if (made % 4096 == 0)
            m_tick();
    }
    m_breweries.assign(size_t(m_count), nullptr);
    m_byRowId.reserve(m_count);
    // Brewery i is record i + 1 of the list; the record set hands each
    // record over with its position.
    listed.forEachRecord([&](int position, const Cursor &record) {
        if (position >= m_count)
            return;
        m_tick();
        auto &slot = m_breweries[size_t(position)];
        slot = std::shared_ptr<clsBrewery>(all, &(*all)[size_t(position)]);
        clsBrewery &brewery = *slot;
        for (size_t f = 0; f < Columns; ++f) {
            const QByteArrayView utf8 = record.utf8(fields[f] + 1);
            brewery.setStoredText(int(f), pool[f] ? m_text->pooled(utf8) : m_text->unique(utf8));
        }
        const qint64 rowId = record.int64(fields[Columns] + 1);
        m_byRowId.insert(rowId, &brewery);
        if (position == m_count - 1)
            m_lastRowId = rowId;
    }, m_tick);
}

std::unique_ptr<BreweryLoad::ChronikRead> BreweryLoad::readAllChroniks(const QString &path,
                                                                       std::atomic<qint64> &read)
{
    constexpr size_t Texts = ReportLine::ChronikColumns.size();
    bool pool[Texts];
    for (size_t c = 0; c < Texts; ++c)
        pool[c] = pooled(ReportLine::ChronikColumns[c].field);
    auto result = std::make_unique<ChronikRead>();
    TextPool text(result->store);
    const std::unique_ptr<RegisterFile> connection = RegisterFile::openReader(path);
    ChronikTexts entry{};
    // The entries of the breweries come mixed, in the order they were
    // stored; each brewery's are gathered in its run, kept at hand while
    // they stand together, as they mostly do.
    QHash<qint64, ChronikBlock *> runOf;
    qint64 lastParent = 0;
    ChronikBlock *lastRun = nullptr;
    ReadAllChroniks(*connection, [&](qint64 parent, const QByteArrayView *texts) {
        read.fetch_add(1, std::memory_order_relaxed);
        for (size_t c = 0; c < Texts; ++c)
            entry[c] = pool[c] ? text.pooled(texts[c]) : text.unique(texts[c]);
        if (!lastRun || parent != lastParent) {
            ChronikBlock *&run = runOf[parent];
            if (!run) {
                result->runs.push_back({parent, std::make_shared<ChronikBlock>()});
                run = result->runs.back().block.get();
            }
            lastParent = parent;
            lastRun = run;
        }
        lastRun->append(entry, result->store);
    });
    return result;
}

void BreweryLoad::readChroniks()
{
    startChroniks();
    qint64 told = 0;
    const auto tell = [&] {
        for (const qint64 read = m_chroniksRead; told < read; ++told)
            m_tick();
    };
    waitBeside(m_chroniks, tell);
    const std::unique_ptr<ChronikRead> read = m_chroniks.get();
    tell();
    const TextStore::Id shift = m_store->absorb(std::move(read->store));
    size_t given = 0;
    for (ChronikRun &run : read->runs) {
        if (++given % 4096 == 0)
            m_tick();
        clsBrewery *const owner = m_byRowId.value(run.parent);
        if (!owner)
            continue;
        run.block->shiftTexts(shift);
        owner->adoptStoredChroniks(std::move(run.block));
    }
}

std::vector<std::shared_ptr<clsBrewery>> BreweryLoad::take()
{
    m_byRowId.clear();
    // Also the rest of a read that failed half-way.
    std::erase(m_breweries, nullptr);
    return std::move(m_breweries);
}
