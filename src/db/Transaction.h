#pragma once

#include <QByteArray>
#include <cstddef>

class RegisterFile;

// A group of writes that lands whole or not at all. Built on savepoints, so
// groups may nest: the outermost one commits. Leaving the scope without
// commit() (an exception, an early return) rolls the group back.
class Transaction {
public:
    explicit Transaction(RegisterFile &file);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit();

private:
    RegisterFile &m_file;
    QByteArray m_name;
    size_t m_journalBegin;
    bool m_open = true;
};
