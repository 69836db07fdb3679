#pragma once

#include <QString>

// The texts of one history entry, as a caller hands them to a brewery's
// AddChronik: a name and code that applied during a period. Every value is
// kept as text. The brewery stores a copy; Chronik() hands out the stored
// entry (ChronikRef).
class clsBreweryChronik {
public:
    const QString &IdCode() const { return m_idCode; }
    void setIdCode(const QString &val) { m_idCode = val; }
    const QString &BreweryNameLong() const { return m_breweryNameLong; }
    void setBreweryNameLong(const QString &val) { m_breweryNameLong = val; }
    const QString &BreweryName() const { return m_breweryName; }
    void setBreweryName(const QString &val) { m_breweryName = val; }
    const QString &StartYear() const { return m_startYear; }
    void setStartYear(const QString &val) { m_startYear = val; }
    const QString &StopYear() const { return m_stopYear; }
    void setStopYear(const QString &val) { m_stopYear = val; }

private:
    QString m_idCode;
    QString m_breweryNameLong;
    QString m_breweryName;
    QString m_startYear;
    QString m_stopYear;
};
