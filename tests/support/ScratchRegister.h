#pragma once

#include "DatabasePath.h"
#include "RegisterFile.h"
#include "SecondConnection.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>

// A register of its own for one test case, in a fresh temporary directory.
// Rows are put in through a second connection, so a test never relies on
// the code it tests to set up its data.
class ScratchRegister {
public:
    ScratchRegister()
    {
        QVERIFY2(m_dir.isValid(), "no temporary directory");
        m_file = RegisterFile::open(path());
        m_sql = std::make_unique<SecondConnection>(path());
    }

    QString dir() const { return m_dir.path(); }
    QString path() const { return DatabasePath(m_dir.path()); }
    std::shared_ptr<RegisterFile> file() const { return m_file; }
    SecondConnection &sql() { return *m_sql; }

    // Adds a brewery; "<null>" stands for Null. Returns its RowId.
    qint64 addBrewery(const QStringList &values)
    {
        m_sql->exec(QStringLiteral(
                        "INSERT INTO Brewery (StateName, CountyName, PostalCode, CityName, IdCode, BreweryName, "
                        "StartYear, StopYear) VALUES (%1)")
                        .arg(literals(values, 8)));
        return m_sql->count(QStringLiteral("SELECT max(RowId) FROM Brewery"));
    }

    void addChronik(qint64 parent, const QStringList &values)
    {
        m_sql->exec(QStringLiteral("INSERT INTO BreweryChronik (BreweryNameLong, IdCode, BreweryName, StartYear, "
                                   "StopYear, ParentRowId) VALUES (%1, %2)")
                        .arg(literals(values, 5))
                        .arg(parent));
    }

    // A brewery whose only known field is its city.
    qint64 addCity(const QString &city)
    {
        return addBrewery({QStringLiteral("BY"), QStringLiteral("Rb"), QStringLiteral("90000"), city,
                           QStringLiteral("ID"), QStringLiteral("Brauerei"), QStringLiteral("1900"),
                           QString()});
    }

private:
    static QString literals(QStringList values, int count)
    {
        while (values.size() < count)
            values << QStringLiteral("<null>");
        QStringList out;
        for (const QString &v : values) {
            if (v == QLatin1String("<null>"))
                out << QStringLiteral("NULL");
            else
                out << QLatin1Char('\'') + QString(v).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
        }
        return out.join(QStringLiteral(", "));
    }

    QTemporaryDir m_dir;
    std::shared_ptr<RegisterFile> m_file;
    std::unique_ptr<SecondConnection> m_sql;
};
