#include "clsBrewery.h"

#include "ReadWrite.h"
#include "ReportLine.h"
#include "TrimBlanks.h"

#include <stdexcept>

clsBrewery::clsBrewery(const clsBrewery &other)
    : m_store(other.m_store), m_texts(other.m_texts), m_nmbrChroniks(other.m_nmbrChroniks),
      m_chroniks(other.m_chroniks ? std::make_shared<ChronikBlock>(*other.m_chroniks) : nullptr)
{
}

clsBrewery &clsBrewery::operator=(const clsBrewery &other)
{
    if (this != &other)
        *this = clsBrewery(other);
    return *this;
}

TextStore &clsBrewery::store()
{
    if (!m_store)
        m_store = std::make_shared<TextStore>();
    return *m_store;
}

bool clsBrewery::AddChronik(const clsBreweryChronik &val)
{
    TextStore &texts = store();
    ChronikTexts entry{};
    entry[ChronikRef::Code] = texts.add(val.IdCode());
    entry[ChronikRef::Name] = texts.add(val.BreweryName());
    entry[ChronikRef::Start] = texts.add(val.StartYear());
    entry[ChronikRef::Stop] = texts.add(val.StopYear());
    entry[ChronikRef::NameLong] = texts.add(val.BreweryNameLong());
    addStoredChronik(entry);
    return true;
}

void clsBrewery::addStoredChronik(const ChronikTexts &texts)
{
    store();
    if (!m_chroniks)
        m_chroniks = std::make_shared<ChronikBlock>();
    std::vector<ChronikTexts> &entries = m_chroniks->entries;
    entries.push_back(texts);
    setNmbrChroniks(m_nmbrChroniks + 1);

    // A single bubble pass, not a full sort: an entry added out of order
    // moves at most one place forward. Ordinal comparison, code unit by code
    // unit, so "B" comes before "a" and "10" before "9".
    const auto code = [this](const ChronikTexts &entry) { return m_store->view(entry[ChronikRef::Code]); };
    for (size_t i = 0; i + 1 < entries.size(); ++i) {
        if (QAnyStringView::compare(code(entries[i]), code(entries[i + 1]), Qt::CaseSensitive) > 0)
            std::swap(entries[i], entries[i + 1]);
    }
}

bool clsBrewery::DeleteChronik(qint32 chronikNmbr)
{
    if (chronikNmbr < 1 || chronikNmbr > m_nmbrChroniks)
        return false;
    m_chroniks->entries.erase(m_chroniks->entries.begin() + (chronikNmbr - 1));
    setNmbrChroniks(m_nmbrChroniks - 1);
    return true;
}

bool clsBrewery::PurgeChroniks()
{
    // Handles given out keep the old entries; the brewery starts afresh.
    m_chroniks.reset();
    setNmbrChroniks(0);
    return true;
}

ChronikRef clsBrewery::Chronik(qint32 val) const
{
    if (val < 1 || val > m_nmbrChroniks)
        return {};
    return ChronikRef(m_store, m_chroniks, val - 1);
}

bool clsBrewery::ImportTabDelimitedString(const QString &val)
{
    const QStringList pieces = SplitString(val, QStringLiteral("\t"), -1, CompareBinary);
    // Checked before anything is stored: a half-filled brewery would be
    // worse than none.
    if (pieces.size() < 7)
        throw std::out_of_range("a brewery line needs at least 7 tab-separated fields, this one has "
                                + std::to_string(pieces.size()));
    // The eighth field, the stop year, only when the line has exactly eight.
    const qsizetype taken = pieces.size() == ReportLine::BreweryWidth ? ReportLine::BreweryWidth : 7;
    for (qsizetype i = 0; i < taken; ++i)
        setText(int(i), TrimBlanks(pieces[i]));
    return true;
}
