#pragma once

#include "DatabasePath.h"
#include "PgTestServer.h"
#include "RegisterFile.h"
#include "SecondConnection.h"

#include <QTemporaryDir>
#include <QTest>
#include <memory>

// The two kinds of register a window opens: a file, or a database on a
// server that several editors share.
enum class RegisterKind { File, Shared };

// Rows that run a test on both kinds: as a case's data, read with
// QFETCH(RegisterKind, kind), or as a test class's global data
// (initTestCase_data), read with QFETCH_GLOBAL(RegisterKind, kind).
inline void addRegisterKinds()
{
    QTest::addColumn<RegisterKind>("kind");
    QTest::newRow("file") << RegisterKind::File;
    QTest::newRow("shared") << RegisterKind::Shared;
}

// A register of its own for one test case: a file in a fresh temporary
// directory, or a fresh database on the test program's server. Rows are put
// in through a second connection, so a test never relies on the code it
// tests to set up its data.
class ScratchRegister {
public:
    explicit ScratchRegister(RegisterKind kind = RegisterKind::File)
    {
        if (!m_dir.isValid())
            qFatal("no temporary directory");
        if (kind == RegisterKind::File) {
            m_file = RegisterFile::open(path());
            m_sql = std::make_unique<SecondConnection>(path());
            return;
        }
        static int made = 0;
        m_database = QStringLiteral("scratch_%1").arg(++made);
        if (!server().admin(QStringLiteral("CREATE DATABASE %1 TEMPLATE scratch").arg(m_database)))
            qFatal("no database for a shared register");
        m_sql = std::make_unique<SecondConnection>(SecondConnection::Server{address()});
    }
    ~ScratchRegister()
    {
        m_sql.reset();
        if (!m_database.isEmpty())
            server().admin(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(m_database));
    }
    ScratchRegister(const ScratchRegister &) = delete;
    ScratchRegister &operator=(const ScratchRegister &) = delete;

    QString dir() const { return m_dir.path(); }
    // The shared register's database on the test server.
    const QString &database() const { return m_database; }
    QString path() const { return DatabasePath(m_dir.path()); }
    // What a window opens: the file's path, or the shared register's address.
    QString address() const { return m_database.isEmpty() ? path() : server().uri(m_database); }
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

    // The server of every shared scratch register of the test program: set
    // up at the first, with an empty register to copy, and stopped when the
    // program ends.
    static PgTestServer &server()
    {
        static PgTestServer running;
        static const bool ready = running.setUpRegister(QStringLiteral("scratch"));
        if (!ready)
            qFatal("no server for shared registers: %s", qPrintable(running.problem()));
        return running;
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
    QString m_database;
    std::shared_ptr<RegisterFile> m_file;
    std::unique_ptr<SecondConnection> m_sql;
};
