#pragma once

#include "ChronikRef.h"
#include "TextStore.h"
#include "clsBreweryChronik.h"

#include <QString>
#include <array>
#include <memory>

// One brewery in memory: eight texts and its history entries, numbered from
// 1. The texts stand as numbers in a TextStore that the breweries read
// together share; a brewery made on its own makes a store of its own when
// it is first given a text. Chronik() hands out the stored entry itself.
class clsBrewery {
public:
    // The eight texts, in the order of a report line's columns.
    enum Text { State, County, Postal, City, Code, Name, Start, Stop, Texts };

    clsBrewery() = default;
    explicit clsBrewery(std::shared_ptr<TextStore> store) : m_store(std::move(store)) {}
    // A copy has entries of its own, equal to the original's.
    clsBrewery(const clsBrewery &other);
    clsBrewery &operator=(const clsBrewery &other);
    clsBrewery(clsBrewery &&) noexcept = default;
    clsBrewery &operator=(clsBrewery &&) noexcept = default;

    // Appends a copy of the five texts of `val` and runs one ordering pass
    // by IdCode. `val` is not kept, so one object may carry many entries in.
    bool AddChronik(const clsBreweryChronik &val);
    // The same for an entry Chronik() handed out, of this or another brewery.
    bool AddChronik(const ChronikRef &val);
    // The same for texts already in this brewery's store, in ChronikRef's
    // order: how the loader adds entries without copying a text.
    void addStoredChronik(const ChronikTexts &texts);
    // Takes `block` as its history entries, listed as the block lists them,
    // for a brewery that has none yet; their texts are in store() already.
    void adoptStoredChroniks(std::shared_ptr<ChronikBlock> block);
    // Removes entry `chronikNmbr`; false when there is no such entry.
    bool DeleteChronik(qint32 chronikNmbr);
    bool PurgeChroniks();
    // Entry `val`, or an empty handle outside 1..NmbrChroniks.
    ChronikRef Chronik(qint32 val) const;
    qint32 NmbrChroniks() const { return m_nmbrChroniks; }
    // Text `which` (ChronikRef::Text) of entry `chronikNmbr`, read in place.
    QAnyStringView chronikText(qint32 chronikNmbr, int which) const
    {
        return m_store->view(m_chroniks->entries[m_chroniks->numberAt(size_t(chronikNmbr - 1))][size_t(which)]);
    }

    // Fills the eight texts from one tab-separated line. Throws
    // std::out_of_range, changing nothing, when the line has fewer than
    // seven fields.
    bool ImportTabDelimitedString(const QString &val);

    QAnyStringView text(int which) const
    {
        return m_store ? m_store->view(m_texts[size_t(which)]) : QAnyStringView();
    }
    void setText(int which, QStringView val) { m_texts[size_t(which)] = store().add(val); }
    // For texts already in store().
    void setStoredText(int which, TextStore::Id id) { m_texts[size_t(which)] = id; }
    TextStore &store();

    QString StateName() const { return text(State).toString(); }
    void setStateName(const QString &val) { setText(State, val); }
    QString CountyName() const { return text(County).toString(); }
    void setCountyName(const QString &val) { setText(County, val); }
    QString PostalCode() const { return text(Postal).toString(); }
    void setPostalCode(const QString &val) { setText(Postal, val); }
    QString CityName() const { return text(City).toString(); }
    void setCityName(const QString &val) { setText(City, val); }
    QString IdCode() const { return text(Code).toString(); }
    void setIdCode(const QString &val) { setText(Code, val); }
    QString BreweryName() const { return text(Name).toString(); }
    void setBreweryName(const QString &val) { setText(Name, val); }
    QString StartYear() const { return text(Start).toString(); }
    void setStartYear(const QString &val) { setText(Start, val); }
    QString StopYear() const { return text(Stop).toString(); }
    void setStopYear(const QString &val) { setText(Stop, val); }

private:
    void setNmbrChroniks(qint32 val) { m_nmbrChroniks = val; }
    template <typename TextOf> bool addChronikTexts(TextOf textOf);

    std::shared_ptr<TextStore> m_store;
    std::array<TextStore::Id, Texts> m_texts{};
    qint32 m_nmbrChroniks = 0;
    // Shared with the handles Chronik() gave out; none while there are no
    // entries.
    std::shared_ptr<ChronikBlock> m_chroniks;
};
