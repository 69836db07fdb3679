#pragma once

#include "clsBreweryChronik.h"

#include <QString>
#include <memory>
#include <vector>

// One brewery in memory: eight texts and its history entries, numbered from
// 1. Entries are shared: Chronik() hands out the stored object itself.
class clsBrewery {
public:
    // Appends a copy of the five texts of `val` and runs one ordering pass
    // by IdCode. `val` is not kept, so one object may carry many entries in.
    bool AddChronik(const clsBreweryChronik &val);
    // Removes entry `chronikNmbr`; false when there is no such entry.
    bool DeleteChronik(qint32 chronikNmbr);
    bool PurgeChroniks();
    // Entry `val`, or nullptr outside 1..NmbrChroniks.
    std::shared_ptr<clsBreweryChronik> Chronik(qint32 val) const;
    qint32 NmbrChroniks() const { return m_nmbrChroniks; }

    // Fills the eight texts from one tab-separated line. Throws
    // std::out_of_range, changing nothing, when the line has fewer than
    // seven fields.
    bool ImportTabDelimitedString(const QString &val);

    const QString &StateName() const { return m_stateName; }
    void setStateName(const QString &val) { m_stateName = val; }
    const QString &CountyName() const { return m_countyName; }
    void setCountyName(const QString &val) { m_countyName = val; }
    const QString &PostalCode() const { return m_postalCode; }
    void setPostalCode(const QString &val) { m_postalCode = val; }
    const QString &CityName() const { return m_cityName; }
    void setCityName(const QString &val) { m_cityName = val; }
    const QString &IdCode() const { return m_idCode; }
    void setIdCode(const QString &val) { m_idCode = val; }
    const QString &BreweryName() const { return m_breweryName; }
    void setBreweryName(const QString &val) { m_breweryName = val; }
    const QString &StartYear() const { return m_startYear; }
    void setStartYear(const QString &val) { m_startYear = val; }
    const QString &StopYear() const { return m_stopYear; }
    void setStopYear(const QString &val) { m_stopYear = val; }

private:
    void setNmbrChroniks(qint32 val) { m_nmbrChroniks = val; }

    QString m_stateName;
    QString m_countyName;
    QString m_postalCode;
    QString m_cityName;
    QString m_idCode;
    QString m_breweryName;
    QString m_startYear;
    QString m_stopYear;
    qint32 m_nmbrChroniks = 0;
    std::vector<std::shared_ptr<clsBreweryChronik>> m_chroniks;
};
