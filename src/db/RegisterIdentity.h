#pragma once

#include <QString>

class RegisterFile;

// Which register file this is, whatever its name or folder: a random
// number in the file's header (SQLite's user version), given once, when
// the register is made or first opened for writing. Copies and backups
// share it; another register has another. The two tables do not hold it,
// so other programs see nothing of it.
namespace RegisterIdentity {

// "register 1234567890"; empty for a register that has none yet.
QString of(RegisterFile &file);
// Gives the register its identity when it has none and may be written.
void giveIfMissing(RegisterFile &file);

} // namespace RegisterIdentity
