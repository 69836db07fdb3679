#pragma once

#include "Statement.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <sqlite3.h>

struct ConnectionCloser {
    void operator()(sqlite3 *db) const { sqlite3_close_v2(db); }
};

// One open register file: the SQLite connection behind "Sudregister2K.mdb".
// A missing file is created as an empty register; an existing file that is
// not a register is refused and never written to.
class RegisterFile {
public:
    // Opens the file at `path`, sharing the connection with every other
    // holder of the same path in this process.
    static std::shared_ptr<RegisterFile> open(const QString &path);

    ~RegisterFile();
    RegisterFile(const RegisterFile &) = delete;
    RegisterFile &operator=(const RegisterFile &) = delete;

    const QString &path() const { return m_path; }
    sqlite3 *handle() const { return m_db.get(); }

    // A prepared statement kept for reuse, one per query shape.
    Statement &cached(const QByteArray &sql);
    void exec(const char *sql);

    // Field names of a table as the store lists them, in column order;
    // empty when there is no such table. Read once per table and kept.
    QStringList fieldsOf(const QString &table);
    // The field that is the table's own integer key (RowId), or empty.
    QString keyFieldOf(const QString &table);

    // Throws the store's failure for result code `rc`, prefixed by `context`.
    [[noreturn]] void fail(int rc, const QString &context) const;

private:
    explicit RegisterFile(const QString &path);
    void createSchema();
    void checkSchema();

    QString m_path;
    std::unique_ptr<sqlite3, ConnectionCloser> m_db;
    QHash<QByteArray, std::shared_ptr<Statement>> m_statements;
    QHash<QString, QStringList> m_fields;
    QHash<QString, QString> m_keyFields;
};
