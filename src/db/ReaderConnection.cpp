#include "ReaderConnection.h"

#include "RegisterFile.h"
#include "StoreError.h"

#include <QFile>
#include <algorithm>
#include <sqlite3.h>

void ReaderConnection::Finalizer::operator()(sqlite3_stmt *statement) const
{
    sqlite3_finalize(statement);
}

void ReaderConnection::Closer::operator()(sqlite3 *db) const
{
    sqlite3_close_v2(db);
}

ReaderConnection::ReaderConnection(const QString &path)
{
    sqlite3 *raw = nullptr;
    // Used by one thread only, so it needs none of SQLite's own locking.
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw,
                                   SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    m_db.reset(raw);
    if (rc != SQLITE_OK)
        throw StoreError(QStringLiteral("Cannot read the register %1: %2")
                             .arg(path, QString::fromUtf8(raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc))),
                         QStringLiteral("Register"), rc);
    sqlite3_busy_timeout(raw, RegisterFile::WriteWaitMs);
}

ReaderConnection::Query ReaderConnection::prepare(const QByteArray &sql) const
{
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(m_db.get(), sql.constData(), int(sql.size()), &raw, nullptr) != SQLITE_OK)
        fail();
    return Query(raw);
}

void ReaderConnection::inSlices(const QByteArray &table, qint64 first, qint64 last, int rows,
                                const std::function<void(qint64, qint64)> &slice) const
{
    const Query boundary = prepare("SELECT rowid FROM " + table + " WHERE rowid >= ?1 ORDER BY rowid LIMIT 1 OFFSET ?2");
    qint64 from = first;
    while (from <= last) {
        sqlite3_bind_int64(boundary.get(), 1, from);
        sqlite3_bind_int(boundary.get(), 2, rows - 1);
        const int rc = sqlite3_step(boundary.get());
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            fail();
        const qint64 to = rc == SQLITE_ROW ? std::min(sqlite3_column_int64(boundary.get(), 0), last) : last;
        sqlite3_reset(boundary.get());
        slice(from, to);
        if (to == last)
            break;
        from = to + 1;
    }
}

void ReaderConnection::fail() const
{
    throw StoreError(QString::fromUtf8(sqlite3_errmsg(m_db.get())), QStringLiteral("Register"),
                     sqlite3_extended_errcode(m_db.get()));
}
