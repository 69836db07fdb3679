#pragma once

#include <QHash>
#include <QSet>
#include <QString>

class PgConnection;

// The server's record of what commits to a shared register changed, as one
// window follows it. Only what the server's triggers wrote is read, never
// what an announcement says: anyone may announce anything.
//
// A window reads the record from the oldest transaction still running when
// it last read, since a commit may arrive after later ones were recorded;
// the changes it read already there are passed over.
class ChangeRecord {
public:
    // What was recorded since the last read.
    struct Changes {
        QHash<QString, QSet<qint64>> keys;
        // A statement changed more rows than the record names, or more
        // arrived than are worth copying one by one: the tables are copied
        // anew.
        bool whole = false;
        bool none() const { return !whole && keys.isEmpty(); }
    };

    // Follows the record from the moment of the transaction open on
    // `server`, which copies the whole register.
    void startWith(PgConnection &server);
    // What was recorded since the last read; read again until taken.
    Changes read(PgConnection &server);
    // The changes last read are copied: the next read begins after them.
    void taken();

    // Where the record was last taken, as text for a copy kept between
    // sessions ("xid:seq,seq,…"), and the same taken up again; false for a
    // text that names no place.
    QString place() const;
    bool resumeAt(const QString &place);

private:
    struct Place {
        // The oldest transaction running at the read, as the server writes
        // it; every later commit has this one or a later.
        QString fromXid = QStringLiteral("0");
        // The changes read of transactions from there on.
        QSet<qint64> read;
    };
    Place m_place;
    Place m_next;
};
