#pragma once

#include "RowChange.h"

#include <QByteArray>
#include <QString>
#include <vector>

class RegisterFile;

// Where a file mirrors a shared register, the server holds the register.
class Upstream {
public:
    virtual ~Upstream() = default;
    // Makes the writes on the server in one transaction, each checked
    // against its row's `before`, or makes none and throws StoreError.
    // `step` names them in the server's change log ("edit", "merge", …).
    virtual void send(const RowChanges &changes, const QString &step) = 0;
    // Keys for `count` new rows of `table` that no other editor is given.
    virtual std::vector<qint64> newKeys(const QString &table, int count) = 0;
};

// The writes a mirror's open group made, kept for the server, and the
// commit that lets the server have them first: the file's writes are taken
// back, the server makes them, and the file makes them again, so that no
// transaction of the file stays open while the server answers, and a
// refusal there leaves the file as it was.
class UpstreamJournal {
public:
    explicit UpstreamJournal(Upstream &server) : m_server(server) {}

    Upstream &server() const { return m_server; }
    // The outermost group began when the connection had changed `changes`
    // rows.
    void begin(qint64 changes);
    void note(RowChange change);
    size_t size() const { return m_toSend.size(); }
    // A nested group that began at `size` was rolled back.
    void dropFrom(size_t size);
    // Commits the outermost group, open as savepoint `name` of `file`, as
    // step `step`; throws StoreError with the savepoint rolled back and
    // released.
    void commit(RegisterFile &file, const QByteArray &name, const QString &step);
    void clear() { m_toSend.clear(); }

private:
    Upstream &m_server;
    RowChanges m_toSend;
    // How many rows the connection had changed when the group began: a
    // write the group made that never reached the list would leave the
    // server behind.
    qint64 m_changesBefore = 0;
};
