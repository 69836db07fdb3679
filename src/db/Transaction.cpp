#include "Transaction.h"

#include "RegisterFile.h"

#include <atomic>
#include <sqlite3.h>

namespace {
// Workers open transactions of their own on their own connections.
std::atomic<int> nextSavepoint = 0;
}

Transaction::Transaction(RegisterFile &file)
    : m_file(file), m_name("sudregister_" + QByteArray::number(++nextSavepoint))
{
    m_file.exec(("SAVEPOINT " + m_name).constData());
    m_start = m_file.groupBegun();
}

Transaction::~Transaction()
{
    if (!m_open)
        return;
    // Called while unwinding: report nothing, just leave the file as it was.
    const QByteArray undo = "ROLLBACK TO " + m_name + "; RELEASE " + m_name;
    sqlite3_exec(m_file.handle(), undo.constData(), nullptr, nullptr, nullptr);
    m_file.groupEnded(m_start, false);
}

void Transaction::commit()
{
    // Committed or rolled back by now, whatever commitGroup() throws.
    m_open = false;
    m_file.commitGroup(m_name, m_start);
}
