#pragma once

#include "ReportImport.h"

#include <memory>

class RegisterFile;
class RegisterLock;

// A register opened for an import from the command line.
struct ImportTarget {
    std::unique_ptr<RegisterLock> lock;
    std::shared_ptr<RegisterFile> file;
};

// Opens the register at `registerPath`, created when missing, under its
// lock: no window may have it open. A register that holds breweries is
// refused unless `options` say to append (importing the same file twice
// would double them); `what` names what would be added ("the report").
// Throws ImportRefused and StoreError.
ImportTarget OpenImportTarget(const QString &registerPath, const ImportOptions &options, const QString &what);
