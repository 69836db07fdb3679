#pragma once

#include <QLockFile>
#include <QString>
#include <memory>
#include <optional>

class PgConnection;

// A shared register's window copy kept between sessions, so that the next
// opening copies only what changed since: one folder per server and
// database in the user's data folder, the user's alone, holding the copy
// and a note of how far it was caught up in the server's record of
// changes. One window holds it at a time; a second window on the same
// register makes a copy of its own for the session.
class KeptMirror {
public:
    // The kept copy of the register `server` holds, locked for this window;
    // null when another window holds it or there is no room for it.
    static std::unique_ptr<KeptMirror> claim(PgConnection &server, const QString &fileName);

    QString path() const;
    // Where in the server's record the copy may be caught up from; nothing
    // when it has to be copied: there is none yet (`why` empty), or, with
    // why, the record no longer reaches back that far or began anew.
    std::optional<QString> resumable(PgConnection &server, QString &why) const;
    // Notes that the copy, as committed, is caught up to `place`. A note
    // never runs ahead of the copy: catching up from an earlier place only
    // copies rows again.
    void note(PgConnection &server, const QString &place);
    // Drops the copy and its note, for a copy made anew.
    void forget();

private:
    KeptMirror(QString folder, QString fileName);

    QString m_folder;
    QString m_fileName;
    QLockFile m_lock;
};
