#pragma once

#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTest>
#include <libpq-fe.h>
#include <sqlite3.h>

// A connection of its own to a register, opened beside the program's, to
// check what really is stored: to a register file, or to a shared register
// on its server. Null reads as "<null>".
class SecondConnection {
public:
    explicit SecondConnection(const QString &path)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            qFatal("cannot open %s", qPrintable(path));
        sqlite3_busy_timeout(m_db, 5000);
    }
    struct Server {
        QString uri;
    };
    explicit SecondConnection(const Server &server) : m_pg(PQconnectdb(server.uri.toUtf8().constData()))
    {
        if (PQstatus(m_pg) != CONNECTION_OK)
            qFatal("cannot connect to %s: %s", qPrintable(server.uri), PQerrorMessage(m_pg));
        PQclear(PQexec(m_pg, "SET client_min_messages = warning"));
    }
    ~SecondConnection()
    {
        sqlite3_close_v2(m_db);
        PQfinish(m_pg);
    }
    SecondConnection(const SecondConnection &) = delete;
    SecondConnection &operator=(const SecondConnection &) = delete;

    QList<QStringList> rows(const QString &sql) const { return m_pg ? serverRows(sql) : fileRows(sql); }

    QStringList column(const QString &sql) const
    {
        QStringList values;
        for (const QStringList &row : rows(sql))
            values << row.value(0);
        return values;
    }

    qint64 count(const QString &sql) const { return rows(sql).value(0).value(0).toLongLong(); }

    bool exec(const QString &sql)
    {
        if (!m_pg)
            return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
        PGresult *r = PQexec(m_pg, serverSql(sql).constData());
        const bool done = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
        if (!done)
            qWarning("%s: %s", qPrintable(sql), PQresultErrorMessage(r));
        PQclear(r);
        return done;
    }

private:
    QList<QStringList> fileRows(const QString &sql) const
    {
        sqlite3_stmt *s = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &s, nullptr) != SQLITE_OK)
            qFatal("bad test query %s: %s", qPrintable(sql), sqlite3_errmsg(m_db));
        QList<QStringList> result;
        while (sqlite3_step(s) == SQLITE_ROW) {
            QStringList row;
            for (int i = 0; i < sqlite3_column_count(s); ++i) {
                if (sqlite3_column_type(s, i) == SQLITE_NULL)
                    row << QStringLiteral("<null>");
                else
                    row << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, i)));
            }
            result << row;
        }
        sqlite3_finalize(s);
        return result;
    }

    QList<QStringList> serverRows(const QString &sql) const
    {
        PGresult *r = PQexec(m_pg, serverSql(sql).constData());
        if (PQresultStatus(r) != PGRES_TUPLES_OK)
            qFatal("bad test query %s: %s", qPrintable(sql), PQresultErrorMessage(r));
        QList<QStringList> result;
        for (int row = 0; row < PQntuples(r); ++row) {
            QStringList values;
            for (int i = 0; i < PQnfields(r); ++i)
                values << (PQgetisnull(r, row, i) ? QStringLiteral("<null>") : QString::fromUtf8(PQgetvalue(r, row, i)));
            result << values;
        }
        PQclear(r);
        return result;
    }

    // The server folds unquoted names to lower case, while the shared
    // register keeps the file's names: the tests' queries, written for the
    // file, are quoted here.
    static QByteArray serverSql(const QString &sql)
    {
        static const QRegularExpression names(QStringLiteral(
            "(?<![\"'\\w])(BreweryChronik|Brewery|RowId|ChronikId|StateName|CountyName|PostalCode|CityName|IdCode|"
            "BreweryNameLong|BreweryName|StartYear|StopYear|ParentRowId)(?![\"\\w])"));
        return QString(sql).replace(names, QStringLiteral("\"\\1\"")).toUtf8();
    }

    sqlite3 *m_db = nullptr;
    PGconn *m_pg = nullptr;
};
