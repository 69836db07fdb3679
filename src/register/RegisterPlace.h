#pragma once

#include <QString>

class RegisterFile;
class SharedAddress;

// Where a register lives, decided once from what the user opened: the path
// of a register file, or the address of a shared register
// ("postgresql://…"). Whatever is named or kept after the register is asked
// of this, so that nothing else tells the two kinds apart by their text.
class RegisterPlace {
public:
    explicit RegisterPlace(const QString &opened);

    bool isShared() const { return m_shared; }
    // As opened: the path, or the address, password and all, to connect by.
    const QString &opened() const { return m_opened; }
    // The shared register's address; throws StoreError when libpq does not
    // take it.
    SharedAddress address() const;
    // The register as its user knows it: its path, or the address without
    // a password ("user@host:port/database").
    QString shownName() const;
    // Which register this is, for an export to record and corrections from
    // it to be checked against: a register file's own identity (empty while
    // it has none), a shared register's server and database.
    QString identity(RegisterFile &file) const;
    // The same, short: the file's name, or the address as shown.
    QString shortName() const;
    // What the list of recent registers keeps: the whole path, or the
    // address without a password; empty for an address that cannot be read.
    QString remembered() const;
    // The path after which what this computer keeps of the register is
    // named, beside it: the backups (in the folder "backups"), the
    // duplicates marked as none. The register file's own, or for a shared
    // register a name in the user's data folder after its database.
    const QString &localName() const { return m_localName; }
    QString backupsFolder() const;
    // Where saved reports, lists and pictures are proposed: beside a
    // register file; for a shared register the documents folder, or the
    // home folder on a desktop that has none.
    QString documentsFolder() const;

private:
    QString m_opened;
    bool m_shared = false;
    // Of a shared register's address that libpq takes: empty otherwise.
    QString m_shownAddress;
    QString m_rememberedAddress;
    QString m_localName;
};
