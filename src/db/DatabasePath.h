#pragma once

#include <QString>

// The register always lives beside the program: its directory, one "/",
// then "Sudregister2K.mdb".
QString DatabasePath(const QString &programDir);
