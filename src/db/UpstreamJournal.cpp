#include "UpstreamJournal.h"

#include "RegisterFile.h"
#include "StoreError.h"

#include <algorithm>
#include <sqlite3.h>

void UpstreamJournal::begin(qint64 changes)
{
    m_toSend.clear();
    m_changesBefore = changes;
}

void UpstreamJournal::note(RowChange change)
{
    m_toSend.push_back(std::move(change));
}

void UpstreamJournal::dropFrom(size_t size)
{
    m_toSend.resize(std::min(size, m_toSend.size()));
}

void UpstreamJournal::commit(RegisterFile &file, const QByteArray &name, const QString &step)
{
    const QByteArray release = "RELEASE " + name;
    const QByteArray rollback = "ROLLBACK TO " + name + "; " + release;
    bool open = true;
    try {
        const qint64 changed = file.totalChanges() - m_changesBefore;
        if (changed != 0) {
            if (changed != qint64(m_toSend.size()))
                throw StoreError(QStringLiteral("A change of the shared register was not made for the server as "
                                                "well; it was not stored."),
                                 QStringLiteral("Register"));
            const RowChanges sent = std::exchange(m_toSend, {});
            file.exec(rollback.constData());
            open = false;
            m_server.send(sent, step);
            file.exec(("SAVEPOINT " + name).constData());
            open = true;
            // Should this fail, the server has the group all the same; the
            // file follows with the server's announcement of it.
            const RowWriter writer = file.rowWriter();
            for (const RowChange &change : sent)
                writer.write(change);
        }
        file.exec(release.constData());
    } catch (...) {
        if (open)
            sqlite3_exec(file.handle(), rollback.constData(), nullptr, nullptr, nullptr);
        throw;
    }
}
