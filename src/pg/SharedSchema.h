#pragma once

class PgConnection;

// The two tables of a shared register, checked or set up when a window opens
// one; the database is never changed otherwise.
namespace SharedSchema {

// The channel on which every commit to a shared register is announced.
inline constexpr const char *Channel = "sudregister";

// Checks that the database holds a register; an empty database is set up
// when the user may create tables there. Throws StoreError, leaving the
// database as it was, when it holds something else. Returns whether the
// user may change the register.
bool prepare(PgConnection &connection);

} // namespace SharedSchema
