#pragma once

struct sqlite3;
struct UCollator;

// The name under which the German ordering is known on a connection. It is
// only ever used inside queries, never in the schema or an index, so the
// file stays usable by the stock sqlite3 shell.
inline constexpr const char *GermanCollationName = "SUDREGISTER_DE";

// Registers the German, case-insensitive, digit-aware ordering on a
// connection ("Äpfelbach" among the A's, "ß" as "ss", "850" before "1850").
// Returns false when ICU cannot provide the collator.
bool InstallGermanCollation(sqlite3 *db);

// A collator of that ordering of its own, for a thread that computes sort
// keys; nullptr when ICU cannot provide it. The caller closes it.
UCollator *OpenGermanCollator();
