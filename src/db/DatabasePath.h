#pragma once

#include <QString>

// "Sudregister2K.mdb" in a folder: the folder, one "/", then the name. The
// register beside the program is DatabasePath(the program's folder).
QString DatabasePath(const QString &programDir);
