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

template <typename TextOf> bool clsBrewery::addChronikTexts(TextOf textOf)
{
    TextStore &texts = store();
    ChronikTexts entry{};
    for (int which = 0; which < ChronikRef::Texts; ++which)
        entry[size_t(which)] = texts.add(textOf(which));
    addStoredChronik(entry);
    return true;
}

bool clsBrewery::AddChronik(const clsBreweryChronik &val)
{
    return addChronikTexts([&](int which) {
        switch (which) {
        case ChronikRef::Code:
            return val.IdCode();
        case ChronikRef::Name:
            return val.BreweryName();
        case ChronikRef::Start:
            return val.StartYear();
        case ChronikRef::Stop:
            return val.StopYear();
        default:
            return val.BreweryNameLong();
        }
    });
}

bool clsBrewery::AddChronik(const ChronikRef &val)
{
    // Read whole before the first add: `val` may be an entry of this brewery.
    std::array<QString, ChronikRef::Texts> copied;
    for (int which = 0; which < ChronikRef::Texts; ++which)
        copied[size_t(which)] = val.text(which).toString();
    return addChronikTexts([&](int which) { return copied[size_t(which)]; });
}

void clsBrewery::addStoredChronik(const ChronikTexts &texts)
{
    store();
    if (!m_chroniks)
        m_chroniks = std::make_shared<ChronikBlock>();
    m_chroniks->append(texts, *m_store);
    setNmbrChroniks(m_nmbrChroniks + 1);
}

void clsBrewery::adoptStoredChroniks(std::shared_ptr<ChronikBlock> block)
{
    m_chroniks = std::move(block);
    setNmbrChroniks(qint32(m_chroniks->listedCount()));
}

bool clsBrewery::DeleteChronik(qint32 chronikNmbr)
{
    if (chronikNmbr < 1 || chronikNmbr > m_nmbrChroniks)
        return false;
    m_chroniks->spellOut();
    m_chroniks->listed.erase(m_chroniks->listed.begin() + (chronikNmbr - 1));
    setNmbrChroniks(m_nmbrChroniks - 1);
    // The entry itself stays in the block for handles that keep it.
    if (m_nmbrChroniks == 0)
        m_chroniks.reset();
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
    return ChronikRef(m_store, m_chroniks, qint32(m_chroniks->numberAt(size_t(val - 1))));
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
