#pragma once

#include "Progress.h"

#include <QDateTime>
#include <QString>

class RegisterFile;

// Copies of a register in the folder "backups" beside it, named
// "Sudregister2K_YYYY-MM-DD_HH-MM-SS.mdb", each a complete register that
// this program and the sqlite3 shell open.
struct BackupResult {
    QString made;    // the backup written, or empty
    QString failure; // why none could be written, or empty
};

// Makes a backup when the register holds data and has changed since its
// newest backup, then keeps only the newest `keep`. Never changes the
// register itself; a backup that cannot be written is told in `failure`.
// `progress` hears of the bytes copied.
BackupResult BackUpIfChanged(RegisterFile &file, const QDateTime &now, int keep = 10, const Progress &progress = {});

QString BackupFolder(const QString &registerPath);
