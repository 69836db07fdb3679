#pragma once

#include "RegisterFile.h"

#include <QByteArray>

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
    RegisterFile::GroupStart m_start;
    bool m_open = true;
};
