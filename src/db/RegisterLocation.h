#pragma once

#include <QString>

// Which register a program opens, decided here for both programs:
//  - the path given on the command line, when there is one, or the address
//    of a shared register as given;
//  - else "Sudregister2K.mdb" beside the program, when such a file is
//    there (users who keep their register with the program);
//  - else the register the window had open last (`lastUsed`), when it is
//    still there, so that a user who keeps it elsewhere finds it again;
//  - else "Sudregister2K.mdb" in the user's data folder (`userDataDir`),
//    which is made, with its parents, when missing.
// The result is an absolute path. Throws StoreError when the user's data
// folder cannot be made.
QString ChooseRegister(const QString &given, const QString &programDir, const QString &userDataDir,
                       const QString &lastUsed = {});

// Whether `given` is the address of a shared register ("postgresql://…")
// rather than the path of a register file.
bool NamesSharedRegister(const QString &given);

// The same with this process's program folder, the platform's per-user data
// location (on Linux ~/.local/share/Sudregister) and the first of the
// window's recent registers.
QString ChooseRegister(const QString &given);

// The platform's per-user data folder of the program (on Linux
// ~/.local/share/Sudregister), not made.
QString UserDataFolder();

// Where the window keeps its recent registers, newest first, in the
// program's settings ("Sudregister", "Sudregister").
inline const QString RecentRegistersKey = QStringLiteral("registers/recent");
