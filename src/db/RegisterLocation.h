#pragma once

#include <QString>

// Which register a program opens, decided here for both programs:
//  - the path given on the command line, when there is one;
//  - else "Sudregister2K.mdb" beside the program, when such a file is
//    there (users who keep their register with the program);
//  - else "Sudregister2K.mdb" in the user's data folder (`userDataDir`),
//    which is made, with its parents, when missing.
// The result is an absolute path. Throws StoreError when the user's data
// folder cannot be made.
QString ChooseRegister(const QString &given, const QString &programDir, const QString &userDataDir);

// The same with this process's program folder and the platform's per-user
// data location (on Linux ~/.local/share/Sudregister).
QString ChooseRegister(const QString &given);
