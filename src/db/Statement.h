#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVariant>
#include <memory>

struct sqlite3_stmt;
class RegisterFile;

// A prepared statement owned by RAII. Every value goes in through a bound
// parameter; failures become StoreError with the store's message and code.
class Statement {
public:
    Statement(RegisterFile &file, const QByteArray &sql);

    Statement &bind(int index, const QVariant &value);
    Statement &bind(int index, qint64 value);
    // Binds UTF-8 text as it is, without a detour through QString.
    Statement &bindText(int index, QByteArrayView utf8);
    // The same without a copy: `utf8` must stay as it is until the
    // statement has run (run() lets go of every binding).
    Statement &bindTextInPlace(int index, QByteArrayView utf8);
    // Steps once; true while a row is available.
    bool step();
    // Runs a statement that returns no rows.
    void run();
    // Ends the current use: releases the statement's read lock and its
    // bound values. Cursor calls it when its scope ends.
    void reset();

    // The value as stored, storage class included (see StoredValue.h).
    QVariant value(int column) const;
    qint64 int64(int column) const;
    QString text(int column) const;
    // The column's UTF-8 bytes, valid until the next step or reset.
    QByteArrayView utf8(int column) const;
    bool isNull(int column) const;
    bool isText(int column) const;

private:
    struct Finalizer {
        void operator()(sqlite3_stmt *statement) const;
    };
    RegisterFile *m_file;
    std::unique_ptr<sqlite3_stmt, Finalizer> m_statement;
};

// One use of a kept statement, reset when the scope ends, however it ends:
// a visitor that throws in the middle of a read loop cannot leave the
// statement holding its read lock, which would make every other program's
// write fail as "database is locked".
class Cursor {
public:
    explicit Cursor(Statement &statement) : m_statement(statement) {}
    ~Cursor() { m_statement.reset(); }
    Cursor(const Cursor &) = delete;
    Cursor &operator=(const Cursor &) = delete;

    Cursor &bind(int index, const QVariant &value)
    {
        m_statement.bind(index, value);
        return *this;
    }
    Cursor &bind(int index, qint64 value)
    {
        m_statement.bind(index, value);
        return *this;
    }
    Cursor &bindText(int index, QByteArrayView utf8)
    {
        m_statement.bindText(index, utf8);
        return *this;
    }
    bool step() { return m_statement.step(); }
    void run() { m_statement.run(); }
    QVariant value(int column) const { return m_statement.value(column); }
    qint64 int64(int column) const { return m_statement.int64(column); }
    QString text(int column) const { return m_statement.text(column); }
    QByteArrayView utf8(int column) const { return m_statement.utf8(column); }
    bool isNull(int column) const { return m_statement.isNull(column); }
    bool isText(int column) const { return m_statement.isText(column); }

private:
    Statement &m_statement;
};
