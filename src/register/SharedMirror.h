#pragma once

#include "ChangeRecord.h"
#include "Progress.h"
#include "RegisterFile.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class PgConnection;

// A shared register as one window holds it: a register file that mirrors
// the server's two tables, so that everything the window does with a
// register (its order, the Report, the find, the timeline) it does with this
// one alike. The server stays the register: every write of the file goes
// there first (as its upstream), and the commits of other editors are
// copied into the file by key, as the server's record of changes names
// them, whenever the server's channel wakes the window.
class SharedMirror : public Upstream {
public:
    // `server` is open and holds a register; the file at `path` is made.
    SharedMirror(std::unique_ptr<PgConnection> server, const QString &path);
    ~SharedMirror() override;

    const QString &path() const { return m_path; }
    // Whether the user may change the register.
    bool mayChange() const { return m_mayChange; }
    // The user the server knows the window by.
    QString user() const;
    // The connection the window reads and writes the server on, connected
    // anew when it dropped.
    PgConnection &connection() { return writer(); }
    // The users whose windows are open on the register now, by name.
    QStringList editorsNow();
    // The socket on which the server's announcements arrive.
    int socket() const;
    // Whether announcements still arrive.
    bool hears() const;
    // Whether the server records what each commit changed.
    bool recordsChanges() const { return m_recordsChanges; }
    // How long the server keeps an idle connection of the user's (its
    // idle_session_timeout) in ms; 0 when it keeps every one. A window that
    // asks more often than that is never cut off for being idle.
    qint64 idleLimitMs() const { return m_idleLimitMs; }

    // Copies the whole register into the file, as one moment of the server
    // saw it; announcements from that moment on are heard. May run on a
    // thread of its own while the window waits: `progress` hears there how
    // many rows of how many are copied.
    void download(const Progress &progress = {});
    // Catches the file, a copy kept from an earlier session, up from
    // `place` in the server's record of changes (place()), on the window's
    // thread or another while the window waits. False, with why, when it
    // cannot be: the file is then to be copied anew. Throws StoreError when
    // the server is out of reach.
    bool resume(const QString &place, QString &why);
    // Where the file is caught up to in the server's record, for resume().
    QString place() const { return m_changes.place(); }

    // What others' commits changed in the file.
    struct Arrived {
        // Copied anew whole, on a connection of its own: the window's lists
        // see another program's change and are read anew.
        bool whole = false;
        // Breweries changed, added or deleted; whether any history entry was.
        std::vector<qint64> breweries;
        bool history = false;
    };
    // Copies into the file the rows the server recorded as changed since
    // last asked, through the window's own connection `window` (its lists
    // then place them by key), or whole when the record names no keys.
    Arrived catchUp(RegisterFile &window);
    // Asks the server on the listening connection, whose answer follows the
    // announcements of every commit made before the question: the next
    // catchUp() copies at least those. Throws StoreError when the
    // connection dropped.
    void awaitAnnounced();

    void send(const RowChanges &changes, const QString &step) override;
    std::vector<qint64> newKeys(const QString &table, int count) override;

    // After announcements stopped arriving (the connection dropped): hears
    // them again and copies the whole register anew, since what was
    // announced meanwhile is lost. Throws StoreError while the server is
    // still out of reach.
    void listenAgain();

private:
    // The connection for a write, connected anew when it dropped; a server
    // still out of reach is a passing failure: the write is tried again.
    PgConnection &writer();
    // Empties the file's tables and copies the server's into them.
    void copyAnew(RegisterFile &file, const Progress &progress);
    // Copies the server's tables into the file's, which are empty.
    void copyTables(RegisterFile &file, const Progress &progress);
    // Makes the rows with `keys` of `table` as the server holds them;
    // returns the keys of those that changed.
    std::vector<qint64> copyRows(RegisterFile &file, const QString &table, const QList<qint64> &keys);

    std::unique_ptr<PgConnection> m_server;
    std::unique_ptr<PgConnection> m_listener;
    QString m_path;
    bool m_mayChange = false;
    bool m_recordsChanges = false;
    qint64 m_idleLimitMs = 0;
    ChangeRecord m_changes;
};
