#pragma once

#include <QString>
#include <functional>
#include <optional>

class MessageBoxes;

// What the window offers when a register turns out damaged on the disk:
// its newest backup that passes its check, named with its date and what
// it holds, either opened to look at or put in the register's place (the
// damaged file kept under another name). Nothing is overwritten without
// the user's Yes.
class DamagedRegister {
public:
    // Asks the user; returns the register to open now (the backup, or the
    // register restored from it), or none when the user chose neither or
    // no backup passes its check (the failure has been told then).
    // `letGo` lets go of the damaged register before its file is replaced;
    // false keeps it (the user kept its window open).
    static std::optional<QString> offerBackup(const QString &registerPath, const QString &damage,
                                              MessageBoxes &boxes, const std::function<bool()> &letGo);
};
