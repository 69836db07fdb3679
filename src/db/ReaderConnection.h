#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

// A read-only connection of its own to a register, for a worker thread
// that reads it (the sort's shares, the find's index) while the window's
// connection goes on serving the window. Failures become StoreError.
class ReaderConnection {
public:
    struct Finalizer {
        void operator()(sqlite3_stmt *statement) const;
    };
    using Query = std::unique_ptr<sqlite3_stmt, Finalizer>;

    explicit ReaderConnection(const QString &path);

    sqlite3 *handle() const { return m_db.get(); }
    Query prepare(const QByteArray &sql) const;
    // Walks the rowids first..last of `table` in slices of at most `rows`
    // rows, calling `slice(from, to)` for each. Whatever `slice` reads must
    // be finished (stepped to its end or reset) when it returns: each slice
    // is then a read transaction of its own, and a writer waits for one
    // slice at most, never for the whole walk.
    void inSlices(const QByteArray &table, qint64 first, qint64 last, int rows,
                  const std::function<void(qint64 from, qint64 to)> &slice) const;
    // Throws the connection's last failure.
    [[noreturn]] void fail() const;

private:
    struct Closer {
        void operator()(sqlite3 *db) const;
    };
    std::unique_ptr<sqlite3, Closer> m_db;
};
