#pragma once

#include "Progress.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

class RegisterFile;

// Copies of a register in the folder "backups" beside it, each named after
// its register, the moment before its suffix
// ("Sudregister2K_YYYY-MM-DD_HH-MM-SS.mdb" for the default one,
// "x_YYYY-MM-DD_HH-MM-SS.db" for "x.db"), each a complete register that
// this program and the sqlite3 shell open. Registers sharing a folder share
// "backups" but never count or remove each other's copies.
struct BackupResult {
    QString made;    // the backup written, or empty
    QString failure; // why none could be written, or empty
};

// A copy made and not yet checked: under a scratch name in the backup
// folder, with the rows the register held in the state it was copied in.
struct UncheckedBackup {
    QString registerPath;
    QString scratch;
    QString target;
    qint64 breweries = 0;
    qint64 chroniks = 0;
};

// Whether the register needs a backup: when it holds data and has changed
// since its newest backup (any commit by any program, in either journal
// mode), the copy to make, its folder made. Returns nullopt when no copy is
// needed or none can be made; then `failure` says why, if it was the latter.
std::optional<UncheckedBackup> BackupDue(RegisterFile &file, const QDateTime &now, QString &failure);

// Where a backup made at `now` of the register known as `namedAs` goes: in
// the folder "backups" beside that path, which is made, under the path's
// file name with the moment in it. nullopt when none can be made there
// (`failure` says why) or one of that moment exists.
std::optional<UncheckedBackup> PlanBackup(const QString &namedAs, const QDateTime &now, QString &failure);

// Copies one complete state of the register of `file` to `copy.scratch`,
// with its row counts; on any thread, on a connection of that thread.
// `fixed` hears when the state copied is fixed: no commit lands before the
// copy is done. Never changes the register. Returns why it failed, or empty.
QString CopyRegister(RegisterFile &file, UncheckedBackup &copy, const std::function<void()> &fixed = {},
                     const Progress &progress = {});

// The first half of a backup, made before this session writes: both of the
// above at once.
std::optional<UncheckedBackup> CopyIfChanged(RegisterFile &file, const QDateTime &now, QString &failure,
                                             const Progress &progress = {});

// The second half, on any thread: the copy is opened and checked (its
// integrity, and the two tables' row counts against the register's); only
// then it counts, moved into place, and the register's backups beyond the
// newest `keep` go. A copy that fails the check is removed and told as the
// failure.
BackupResult KeepIfSound(const UncheckedBackup &copy, int keep);

// The second half for a copy made whether or not the register changed
// (a shared register's, copied from its server): kept as by KeepIfSound
// when it holds rows and they differ from the newest backup's, else
// removed, with nothing made and nothing failed.
BackupResult KeepIfChanged(const UncheckedBackup &copy, int keep);

// Both halves at once.
BackupResult BackUpIfChanged(RegisterFile &file, const QDateTime &now, int keep = 10, const Progress &progress = {});

QString BackupFolder(const QString &registerPath);

// A backup that passed its check just now, and what it holds.
struct SoundBackup {
    QString path;
    QDateTime made;
    qint64 breweries = 0;
    qint64 chroniks = 0;
};
// The register's newest backup that passes SQLite's integrity check, for a
// register found damaged; none when no backup does.
std::optional<SoundBackup> NewestSoundBackup(const QString &registerPath);

// Puts the backup at `backupPath` in the place of the register, whose file
// is first kept beside it under a name of its own ("x.mdb.damaged-
// YYYY-MM-DD_HH-MM-SS"), which is returned. Throws StoreError, the
// register's file where it was, when either step fails.
QString ReplaceWithBackup(const QString &registerPath, const QString &backupPath, const QDateTime &now);

// Removes the copies of the register that a backup began and never
// finished (the program was killed meanwhile). Only for the holder of the
// register's lock: no other window is then backing it up. Without a lock
// (a shared register's windows), only those untouched since `untouchedSince`.
void RemoveUnfinishedBackups(const QString &registerPath, const QDateTime &untouchedSince = {});
