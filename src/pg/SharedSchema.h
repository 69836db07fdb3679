#pragma once

class PgConnection;

// The two tables of a shared register, checked or set up when a window opens
// one; the database is never changed otherwise.
namespace SharedSchema {

// The channel on which every commit to a shared register is announced: a
// wake-up only, since any role may send anything on it.
inline constexpr const char *Channel = "sudregister";

struct Prepared {
    // Whether the user may change the register.
    bool mayChange = false;
    // Whether the server records what each commit changed; a register set
    // up by an older version does not until its administrator sets it up
    // again (or its owner opens it).
    bool recordsChanges = false;
    // Whether the server logs who changed what (sudregister_log).
    bool keepsLog = false;
};

// Checks that the database holds a register; an empty database is set up
// when the user may create tables there, and a register without the record
// of its changes gains it when the user may add it. Throws StoreError,
// leaving the database as it was, when it holds something else.
Prepared prepare(PgConnection &connection);

} // namespace SharedSchema
