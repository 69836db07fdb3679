#include "clsBrewery.h"

#include "ReadWrite.h"
#include "ReportLine.h"
#include "TrimBlanks.h"

#include <stdexcept>

bool clsBrewery::AddChronik(const clsBreweryChronik &val)
{
    auto entry = std::make_shared<clsBreweryChronik>();
    entry->setBreweryNameLong(val.BreweryNameLong());
    entry->setBreweryName(val.BreweryName());
    entry->setIdCode(val.IdCode());
    entry->setStartYear(val.StartYear());
    entry->setStopYear(val.StopYear());
    m_chroniks.push_back(std::move(entry));
    setNmbrChroniks(m_nmbrChroniks + 1);

    // A single bubble pass, not a full sort: an entry added out of order
    // moves at most one place forward. Ordinal comparison, code unit by code
    // unit, so "B" comes before "a" and "10" before "9".
    for (size_t i = 0; i + 1 < m_chroniks.size(); ++i) {
        if (m_chroniks[i]->IdCode().compare(m_chroniks[i + 1]->IdCode(), Qt::CaseSensitive) > 0)
            std::swap(m_chroniks[i], m_chroniks[i + 1]);
    }
    return true;
}

bool clsBrewery::DeleteChronik(qint32 chronikNmbr)
{
    if (chronikNmbr < 1 || chronikNmbr > m_nmbrChroniks)
        return false;
    m_chroniks.erase(m_chroniks.begin() + (chronikNmbr - 1));
    setNmbrChroniks(m_nmbrChroniks - 1);
    if (m_chroniks.empty())
        m_chroniks.shrink_to_fit();
    return true;
}

bool clsBrewery::PurgeChroniks()
{
    m_chroniks.clear();
    m_chroniks.shrink_to_fit();
    setNmbrChroniks(0);
    return true;
}

std::shared_ptr<clsBreweryChronik> clsBrewery::Chronik(qint32 val) const
{
    if (val < 1 || val > m_nmbrChroniks)
        return nullptr;
    return m_chroniks[size_t(val - 1)];
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
        (this->*ReportLine::BreweryColumns[size_t(i)].set)(TrimBlanks(pieces[i]));
    return true;
}
