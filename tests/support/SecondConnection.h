#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTest>
#include <sqlite3.h>

// A connection of its own to a register file, opened beside the program's,
// to check what really is stored. Null reads as "<null>".
class SecondConnection {
public:
    explicit SecondConnection(const QString &path)
    {
        if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            qFatal("cannot open %s", qPrintable(path));
        sqlite3_busy_timeout(m_db, 5000);
    }
    ~SecondConnection() { sqlite3_close_v2(m_db); }
    SecondConnection(const SecondConnection &) = delete;
    SecondConnection &operator=(const SecondConnection &) = delete;

    QList<QStringList> rows(const QString &sql) const
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
        return sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }

private:
    sqlite3 *m_db = nullptr;
};
