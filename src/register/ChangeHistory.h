#pragma once

#include "LogEntry.h"

#include <QStringList>
#include <memory>
#include <vector>

class PgConnection;
class RegisterFile;

// The change log of a register as the history window reads it: the file's
// own, or a shared register's server's. Throws StoreError.
class ChangeHistory {
public:
    virtual ~ChangeHistory() = default;

    // Whether the register keeps a log: a register file does from its
    // first write on, a shared register once its administrator set it up.
    virtual bool kept() = 0;
    // At most `count` records that `filter` lets through, newest first,
    // older than record `olderThan` (0: from the newest on).
    virtual std::vector<LogEntry> read(const LogFilter &filter, qint64 olderThan, int count) = 0;

    struct Size {
        qint64 entries = 0;
        QDateTime oldest;
        // Bytes the log takes on the server; -1 for a file, where reading
        // it would take a pass over every page of the log.
        qint64 bytes = -1;
    };
    virtual Size size() = 0;

    // Whether compact() may drop records: on a shared register only its
    // administrator does.
    virtual bool mayCompact() const = 0;
    // Drops the records made before `before`; returns how many went.
    virtual qint64 compact(const QDateTime &before) = 0;

    static std::unique_ptr<ChangeHistory> ofFile(RegisterFile &file);
    static std::unique_ptr<ChangeHistory> ofServer(PgConnection &server);
};
