#pragma once

#include <QByteArray>
#include <QString>
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
    // Throws the connection's last failure.
    [[noreturn]] void fail() const;

private:
    struct Closer {
        void operator()(sqlite3 *db) const;
    };
    std::unique_ptr<sqlite3, Closer> m_db;
};
