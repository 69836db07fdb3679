#include "BreweryLoad.h"

#include "ChronikReader.h"
#include "Register.h"
#include "RegisterSchema.h"
#include "ReportLine.h"
#include "Statement.h"
#include "StoreError.h"
#include "TextNumbers.h"
#include "clsBrewery.h"

#include <string_view>

// Keeps one copy of each distinct text, found by its UTF-8 bytes before
// anything is converted. A register repeats its states, districts, cities,
// years and names many thousand times; shared copies keep a loaded register
// to a fraction of the memory, and each distinct text is converted once.
class BreweryLoad::TextPool {
public:
    // A Null column, like an empty one, gives the empty text.
    QString operator()(QByteArrayView utf8)
    {
        if (utf8.isEmpty())
            return QString();
        const quint32 n = m_numbers.number(std::string_view(utf8.data(), size_t(utf8.size())));
        if (n > m_texts.size())
            m_texts.push_back(QString::fromUtf8(utf8));
        return m_texts[n - 1];
    }

private:
    TextNumbers m_numbers;
    std::vector<QString> m_texts;
};

namespace {

// Codes rarely repeat: they are not worth pooling.
bool pooled(const char *field)
{
    return std::string_view(field) != "IdCode";
}

QString unique(QByteArrayView utf8)
{
    return utf8.isEmpty() ? QString() : QString::fromUtf8(utf8);
}

} // namespace

BreweryLoad::BreweryLoad(Register &reg, int count, std::function<void()> tick)
    : m_register(reg), m_count(count), m_tick(std::move(tick)), m_text(std::make_unique<TextPool>())
{
}

BreweryLoad::~BreweryLoad() = default;

void BreweryLoad::readBreweries()
{
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
    m_breweries.assign(size_t(m_count), nullptr);
    m_byRowId.reserve(m_count);
    // Brewery i is record i + 1 of the list; the record set hands each
    // record over with its position.
    listed.forEachRecord([&](int position, const Cursor &record) {
        if (position >= m_count)
            return;
        m_tick();
        auto &slot = m_breweries[size_t(position)];
        slot = std::make_shared<clsBrewery>();
        clsBrewery &brewery = *slot;
        for (size_t f = 0; f < Columns; ++f) {
            const auto &column = ReportLine::BreweryColumns[f];
            const QByteArrayView utf8 = record.utf8(fields[f] + 1);
            (brewery.*column.set)(pool[f] ? (*m_text)(utf8) : unique(utf8));
        }
        const qint64 rowId = record.int64(fields[Columns] + 1);
        m_byRowId.insert(rowId, &brewery);
        if (position == m_count - 1)
            m_lastRowId = rowId;
    });
}

void BreweryLoad::readChroniks()
{
    constexpr size_t Texts = ReportLine::ChronikColumns.size();
    bool pool[Texts];
    for (size_t c = 0; c < Texts; ++c)
        pool[c] = pooled(ReportLine::ChronikColumns[c].field);
    clsBreweryChronik transfer;
    ReadAllChroniks(m_register.chroniks()->file(), [&](qint64 parent, const QByteArrayView *texts) {
        m_tick();
        clsBrewery *const owner = m_byRowId.value(parent);
        if (!owner)
            return;
        for (size_t c = 0; c < Texts; ++c)
            (transfer.*ReportLine::ChronikColumns[c].set)(pool[c] ? (*m_text)(texts[c]) : unique(texts[c]));
        owner->AddChronik(transfer);
    });
}

std::vector<std::shared_ptr<clsBrewery>> BreweryLoad::take()
{
    m_byRowId.clear();
    // Also the rest of a read that failed half-way.
    std::erase(m_breweries, nullptr);
    return std::move(m_breweries);
}
